// SPDX-License-Identifier: GPL-3.0-or-later
// The JSON the console tool prints, the station's patterns and --set values.

#include "line/json.h"
#include "line/station.h"
#include "line/unit_data.h"

#include <gtest/gtest.h>

namespace velmora::line {
namespace {

TEST(Json, WhatDumpWritesParsesBackToTheSameValues) {
    Json o = Json::object();
    o.set("text", "quote \" backslash \\ newline \n tab \t bell \x07 zł");
    o.set("bad", std::string("a\xFF" "b")); // not UTF-8
    o.set("n", 0.96).set("i", -12).set("t", true).set("z", nullptr);
    o.set("list", Json::array().push(1).push("x").push(Json::object()));
    o.set("i", 13); // replaces, keeps its place
    for (int indent : {-1, 2}) {
        Json back;
        ASSERT_TRUE(Json::parse(o.dump(indent), back)) << o.dump(indent);
        EXPECT_EQ(back.dump(), o.dump());
        EXPECT_EQ(back["text"].asText(), o["text"].asText());
        EXPECT_EQ(back["bad"].asText(), "a\xEF\xBF\xBD" "b");
        EXPECT_EQ(back["i"].asInteger(), 13);
        EXPECT_DOUBLE_EQ(back["n"].asNumber(), 0.96);
        EXPECT_TRUE(back["z"].isNull());
        EXPECT_TRUE(back["missing"].isNull());
    }
    EXPECT_EQ(o.dump().find('\n'), std::string::npos) << "one line for JSON lines output";
    EXPECT_EQ(o.dump().substr(0, 8), "{\"text\":");
    EXPECT_EQ(Json(0.96).dump(), "0.96");
}

TEST(Json, MalformedTextIsRefused) {
    const std::string deep(100, '[');
    for (const std::string text : {"", "{", "[1,]", "{\"a\" 1}", "tru", "\"\\x\"", "1 2", "\"a\nb\"", "{1:2}",
                                   "[1 2]", "-", deep.c_str()}) {
        Json value = Json("untouched");
        EXPECT_FALSE(Json::parse(text, value)) << text;
        EXPECT_EQ(value.asText(), "untouched");
    }
}

TEST(Station, PortPatterns) {
    struct Case { const char* pattern; const char* text; bool match; };
    for (const Case& c : std::initializer_list<Case>{
             {"/dev/ttyUSB*", "/dev/ttyUSB0", true},   {"/dev/ttyUSB*", "/dev/ttyACM0", false},
             {"COM?", "COM3", true},                   {"COM?", "COM12", false},
             {"*", "", true},                          {"a*b*c", "axxbyyc", true},
             {"a*b*c", "axxbyy", false},               {"/dev/ttyUSB0", "/dev/ttyUSB0", true},
             {"*USB1", "/dev/ttyUSB10", false}}) {
        EXPECT_EQ(wildcardMatch(c.pattern, c.text), c.match) << c.pattern << " " << c.text;
    }
}

TEST(Station, SettingValuesAreCheckedAgainstTheUnitsRanges) {
    struct Case { const char* text; bool ok; unsigned value; };
    for (const Case& c : std::initializer_list<Case>{
             {"noise-delta=12", true, 12},   {"noise-period=0x10", true, 16}, {"rpm-divider=200", true, 200},
             {"rpm-divider=0", false, 0},    {"rpm-divider=201", false, 0},   {"noise-delta=256", false, 0},
             {"noise-delta=", false, 0},     {"noise-delta=-1", false, 0},    {"noise-delta=1x", false, 0},
             {"noise-delta", false, 0},      {"volume=3", false, 0},          {"noise-period=99999999999", false, 0}}) {
        SettingChange change;
        std::string error;
        EXPECT_EQ(parseSettingChange(c.text, change, error), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(change.value, c.value) << c.text;
        } else {
            EXPECT_FALSE(error.empty()) << c.text;
        }
    }
}

TEST(Json, AReadingRowBecomesAnObjectUnderItsHeader) {
    const Json o = csvRecordJson("time,seq,input_v,work_state", "2026-12-10T05:00:00.000,17,12.30,on");
    EXPECT_EQ(o.dump(), "{\"time\":\"2026-12-10T05:00:00.000\",\"seq\":17,\"input_v\":12.3,\"work_state\":\"on\"}");
}

} // namespace
} // namespace velmora::line
