#include <gtest/gtest.h>

#include <cmath>

#include "core/game_state.hpp"

namespace kelvora {
namespace {

TEST(CellAt, EdgesOfTheOfficialField) {
    GameState s;
    EXPECT_EQ(cell_at(s, 150, 70), (Cell{1, 1}));
    EXPECT_EQ(cell_at(s, 174, 94), (Cell{1, 1}));
    EXPECT_EQ(cell_at(s, 175, 95), (Cell{2, 2}));
    EXPECT_EQ(cell_at(s, 349, 469), (Cell{8, 16}));
    EXPECT_EQ(cell_at(s, 350, 100), (Cell{}));  // column 9 of 8
    EXPECT_EQ(cell_at(s, 200, 470), (Cell{}));  // row 17 of 16
    EXPECT_EQ(cell_at(s, 149, 100), (Cell{}));
    EXPECT_EQ(cell_at(s, 200, 69), (Cell{}));
    EXPECT_EQ(cell_at(s, -30, -30), (Cell{}));
}

TEST(CellAt, SmallestAndLargestDrops) {
    GameState s;
    s.field_width = 20, s.field_height = 40, s.cell_size = 10;
    EXPECT_EQ(cell_at(s, 349, 469), (Cell{20, 40}));
    s.field_width = 4, s.field_height = 8, s.cell_size = 50;
    EXPECT_EQ(cell_at(s, 349, 469), (Cell{4, 8}));
    EXPECT_EQ(cell_at(s, 350, 469), (Cell{}));
}

TEST(RoundHalfEven, PointerPositions) {
    EXPECT_EQ(round_half_even(2.5), 2);
    EXPECT_EQ(round_half_even(3.5), 4);
    EXPECT_EQ(round_half_even(-0.5), 0);
    EXPECT_EQ(round_half_even(195.49), 195);
    EXPECT_EQ(round_half_even(1e12), 2147483647);
    EXPECT_EQ(round_half_even(std::nan("")), 0);
}

}  // namespace
}  // namespace kelvora
