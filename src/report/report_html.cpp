// SPDX-License-Identifier: GPL-3.0-or-later
#include "report_html.h"

#include <cstdio>

namespace velmora::report {

namespace {

std::string colourText(Colour c) {
    char text[8];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", redOf(c), greenOf(c), blueOf(c));
    return text;
}

// Qt's rich text understands only part of CSS: borders and padding go on the table
// and each cell as attributes and simple properties, no classes on cells.
void writeTable(std::string& out, const Table& table) {
    // A grid spans the page so its 16 columns stay readable.
    out += table.grid ? "<table class=\"grid\" width=\"100%\" cellspacing=\"0\" cellpadding=\"0\" border=\"1\">\n"
                      : "<table class=\"plain\" cellspacing=\"0\" cellpadding=\"3\">\n";
    for (const auto& row : table.rows) {
        out += "<tr>";
        for (const Cell& cell : row) {
            out += cell.header ? "<th" : "<td";
            std::string style;
            if (cell.background != kNoColour) style += "background-color:" + colourText(cell.background) + ";";
            if (cell.changed) style += "border:2px solid #000000;font-weight:bold;";
            if (table.grid) style += "text-align:right;";
            else if (cell.header) style += "text-align:left;";
            if (!style.empty()) out += " style=\"" + style + "\"";
            out += '>';
            out += escapeHtml(cell.text);
            out += cell.header ? "</th>" : "</td>";
        }
        out += "</tr>\n";
    }
    out += "</table>\n";
}

} // namespace

std::string escapeHtml(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\n': out += "<br>"; break;
        case '\r': break;
        default: out += c;
        }
    }
    return out;
}

std::string toHtml(const Document& document, const PictureSource& pictureSource) {
    std::string out = "<!DOCTYPE html>\n<html lang=\"" + escapeHtml(document.languageCode) +
                      "\">\n<head>\n<meta charset=\"utf-8\">\n<title>" + escapeHtml(document.title) +
                      "</title>\n<style>\n"
                      "body { font-family: 'DejaVu Sans', 'Noto Sans', 'Noto Sans Thai', Loma, Garuda, sans-serif; "
                      "font-size: 9pt; color: #000000; }\n"
                      "h1 { font-size: 16pt; margin-bottom: 6px; }\n"
                      "h2 { font-size: 11pt; margin-top: 10px; margin-bottom: 3px; }\n"
                      "p { margin-top: 2px; margin-bottom: 2px; }\n"
                      "table { border-collapse: collapse; margin-bottom: 4px; }\n"
                      "table.grid { font-family: 'DejaVu Sans', sans-serif; font-size: 7pt; white-space: nowrap; border-color: #808080; }\n"
                      "th { font-weight: normal; color: #303030; }\n"
                      "table.grid td, table.grid th { padding-left: 2px; padding-right: 2px; }\n"
                      "</style>\n</head>\n<body>\n";
    for (const Block& block : document.blocks) {
        switch (block.kind) {
        case Block::Kind::Title: out += "<h1>" + escapeHtml(block.text) + "</h1>\n"; break;
        case Block::Kind::Heading:
            out += (block.newPage ? "<h2 style=\"page-break-before:always;\">" : "<h2>") + escapeHtml(block.text) +
                   "</h2>\n";
            break;
        case Block::Kind::Paragraph: out += "<p>" + escapeHtml(block.text) + "</p>\n"; break;
        case Block::Kind::Table: writeTable(out, block.table); break;
        case Block::Kind::Picture:
            if (pictureSource)
                if (const std::string src = pictureSource(block.text); !src.empty())
                    out += "<p><img src=\"" + escapeHtml(src) + "\" width=\"640\"></p>\n";
            break;
        }
    }
    out += "</body>\n</html>\n";
    return out;
}

} // namespace velmora::report
