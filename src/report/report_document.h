// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A service report as a small document: headings, paragraphs and tables whose cells
// may carry a map colour and a "changed" mark. It holds finished text in the user's
// language (UTF-8); laying it out on pages is the renderer's business.

#include "ui/map/model/colour.h"

#include <string>
#include <vector>

namespace velmora::report {

struct Cell {
    std::string text;
    Colour background = kNoColour;
    bool header = false;
    // Drawn with a heavy outline and bold text, so a grey print still shows it.
    bool changed = false;
};

struct Table {
    std::vector<std::vector<Cell>> rows;
    // A map grid: small type, narrow cells.
    bool grid = false;
};

struct Block {
    enum class Kind { Title, Heading, Paragraph, Table, Picture };
    Kind kind = Kind::Paragraph;
    std::string text; // Picture: the picture's name, which the renderer supplies
    Table table;
    bool newPage = false; // starts a page (the map's three grids go on a page of their own)
};

struct Document {
    std::string title;
    std::string languageCode; // "en", "th": the HTML's lang, which picks the fonts
    std::vector<Block> blocks;
};

} // namespace velmora::report
