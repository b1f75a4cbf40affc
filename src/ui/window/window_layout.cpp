// SPDX-License-Identifier: GPL-3.0-or-later
#include "window_layout.h"

#include <array>

namespace velmora {

namespace {

using K = ControlKind;
using A = TextAlign;

// clang-format off
constexpr std::array<ControlTemplate, 33> kControls{{
    {ctl::Close,           K::Button,   "Zamknij",               {392,   0, 116,  15}, A::Centre, false},
    {ctl::Status,          K::Label,    "",                      {  2,   0, 190,  15}, A::Centre, false},
    {ctl::Chart,           K::Label,    "CHART",                 {158,  22, 350, 140}, A::Left,   false},
    {ctl::Start,           K::Button,   "Start",                 {  0, 146,  50,  14}, A::Centre, false},
    {ctl::Stop,            K::Button,   "Stop",                  { 52, 146,  50,  14}, A::Centre, false},
    {ctl::Overwrite,       K::Button,   "Nadpisuj",              {106, 146,  50,  14}, A::Centre, true},
    {ctl::WorkStateLabel,  K::Label,    "Stan pracy",            {  6,  33,  50,   8}, A::Right,  false},
    {ctl::WorkState,       K::Reading,     "",                      { 61,  30,  73,  14}, A::Right,  false},
    {ctl::Readings,        K::GroupBox, "Odczyty",               {  0,  22, 152, 122}, A::Left,   false},
    {ctl::InputVolts,      K::Reading,     "",                      { 93,  87,  40,  14}, A::Right,  false},
    {ctl::InputLabel,      K::Label,    "Wejście",               {  6,  89,  83,  11}, A::Right,  false},
    {ctl::OutputLabel,     K::Label,    "Wyjście",               {  6, 125,  83,  11}, A::Right,  false},
    {-1,                   K::Label,    "V",                     {137,  90,   8,   8}, A::Left,   false},
    {ctl::OutputVolts,     K::Reading,     "",                      { 93, 122,  40,  14}, A::Right,  false},
    {-1,                   K::Label,    "V",                     {137, 125,   8,   8}, A::Left,   false},
    {ctl::Firmware,        K::Button,   "Aktualizacja firmware", {231,   0, 106,  15}, A::Centre, false},
    {ctl::PumpLabel,       K::Label,    "PWM pompy",             {  6, 107,  83,  11}, A::Right,  false},
    {ctl::PumpVolts,       K::Reading,     "",                      { 93, 104,  40,  14}, A::Right,  false},
    {-1,                   K::Label,    "V",                     {137, 107,   8,   8}, A::Left,   false},
    {ctl::Rpm,             K::Reading,     "",                      { 93,  46,  40,  14}, A::Right,  false},
    {ctl::RpmLabel,        K::Label,    "RPM",                   {  6,  48,  83,  11}, A::Right,  false},
    {ctl::Map,             K::Label,    "MAP",                   { 29, 168, 384, 188}, A::Left,   false},
    {ctl::Definition,      K::Button,   "Definicja",             {428, 170,  72,  14}, A::Centre, true},
    {ctl::ClearMap,        K::Button,   "Kasuj",                 {428, 224,  72,  14}, A::Centre, false},
    {ctl::RpmDivider,      K::Edit,     "",                      { 93,  62,  40,  14}, A::Right,  false},
    {ctl::RpmDividerLabel, K::Label,    "Dzielnik RPM",          {  6,  64,  83,  11}, A::Right,  false},
    {ctl::SpinRpmDivider,  K::Spin,     "",                      {135,  63,  10,  14}, A::Left,   false},
    {ctl::NoiseDelta,      K::Edit,     "",                      {440, 274,  40,  14}, A::Right,  false},
    {ctl::NoiseDeltaLabel, K::Label,    "Delta",                 {428, 260,  69,  11}, A::Centre, false},
    {ctl::SpinNoiseDelta,  K::Spin,     "",                      {482, 275,   8,  14}, A::Left,   false},
    {ctl::NoisePeriod,     K::Edit,     "",                      {440, 307,  40,  14}, A::Right,  false},
    {ctl::NoisePeriodLabel,K::Label,    "Częstotliwość",         {428, 293,  69,  11}, A::Centre, false},
    {ctl::SpinNoisePeriod, K::Spin,     "",                      {482, 308,   8,  14}, A::Left,   false},
}};
// clang-format on

} // namespace

std::span<const ControlTemplate> mainWindowControls()
{
    return kControls;
}

QRect aboutButtonDu()
{
    return {373, 0, 15, 15};
}

} // namespace velmora
