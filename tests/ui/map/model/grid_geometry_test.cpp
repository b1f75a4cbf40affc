// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/map/model/grid_geometry.h"

#include <gtest/gtest.h>

namespace velmora {
namespace {

TEST(GridGeometry, CellsTileTheWholeWindowAtAnySize)
{
    for (auto [w, h] : {std::pair{688, 374}, {672, 376}, {1000, 500}, {100, 60}, {31, 17}}) {
        CGridGeometry g(22, 43, 22, 43);
        g.resize(w, h);
        long long area = 0;
        for (int c = -1; c < CCellGrid::kColumns; ++c) {
            for (int r = -1; r < CCellGrid::kRows; ++r) {
                const CellRect rect = g.cellRect({c, r});
                area += static_cast<long long>(rect.width) * rect.height;
                // Neighbours touch: no gap, no overlap.
                if (c >= 0) {
                    EXPECT_EQ(rect.x, g.cellRect({c - 1, r}).x + g.cellRect({c - 1, r}).width);
                }
                if (r >= 0) {
                    EXPECT_EQ(rect.y, g.cellRect({c, r - 1}).y + g.cellRect({c, r - 1}).height);
                }
            }
        }
        EXPECT_EQ(area, static_cast<long long>(w) * h) << w << "x" << h;
        const CellRect last = g.cellRect({14, 15});
        EXPECT_EQ(last.x + last.width, w);
        EXPECT_EQ(last.y + last.height, h);
    }
}

TEST(GridGeometry, NominalSizeKeepsTheNominalCells)
{
    CGridGeometry g(22, 43, 20, 50);
    EXPECT_EQ(g.nominalWidth(), 50 + 15 * 43);
    EXPECT_EQ(g.nominalHeight(), 22 + 16 * 20);
    EXPECT_EQ(g.cellRect({-1, -1}), (CellRect{0, 0, 50, 22}));
    EXPECT_EQ(g.cellRect({0, -1}), (CellRect{50, 0, 43, 22}));
    EXPECT_EQ(g.cellRect({2, 3}), (CellRect{50 + 86, 22 + 60, 43, 20}));
}

TEST(GridGeometry, HitTestFindsEveryCellItsRectangleCovers)
{
    CGridGeometry g(22, 43, 22, 43);
    g.resize(777, 401);
    for (int c = -1; c < CCellGrid::kColumns; ++c) {
        for (int r = -1; r < CCellGrid::kRows; ++r) {
            const CellRect rect = g.cellRect({c, r});
            EXPECT_EQ(g.hitTest(rect.x, rect.y), (CellPos{c, r}));
            EXPECT_EQ(g.hitTest(rect.x + rect.width - 1, rect.y + rect.height - 1),
                      (CellPos{c, r}));
        }
    }
    EXPECT_FALSE(g.hitTest(-1, 5));
    EXPECT_FALSE(g.hitTest(777, 5));
    EXPECT_EQ(g.nearestBodyCell(-50, -50), (CellPos{0, 0}));
    EXPECT_EQ(g.nearestBodyCell(5000, 5000), (CellPos{14, 15}));
    EXPECT_EQ(g.nearestBodyCell(g.cellRect({6, 2}).x, -10), (CellPos{6, 0}));
}

} // namespace
} // namespace velmora
