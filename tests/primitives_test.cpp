#include "screens/primitives.hpp"

#include <gtest/gtest.h>

#include "core/wait.hpp"
#include "test_app.hpp"

namespace kelvora {
namespace {

Palette grey_palette() {
    Palette p{};
    for (int i = 0; i < 256; ++i) p[i] = Colour{std::uint8_t(i), std::uint8_t(i), std::uint8_t(i)};
    return p;
}

// An 8-bit grey sprite/mask pair like the game's letter sheet, over a colour destination.
struct MaskedCase {
    Surface dest{Bitmap::rgb(4, 1)};
    Surface sprite{Bitmap::indexed(4, 1, grey_palette())};
    Surface mask{Bitmap::indexed(4, 1, grey_palette())};
    MaskedCase() {
        const std::uint32_t old[4] = {0x123456, 0x123456, 0x0F0F0F, 0xA0B0C0};
        const std::uint8_t mask_grey[4] = {0x00, 0xFF, 0x80, 0xFF};
        const std::uint8_t sprite_grey[4] = {0x40, 0xFF, 0x40, 0x0F};
        for (int x = 0; x < 4; ++x) {
            dest.bitmap.rgb_row(0)[x] = old[x];
            mask.bitmap.index_row(0)[x] = mask_grey[x];
            sprite.bitmap.index_row(0)[x] = sprite_grey[x];
        }
    }
};

TEST(BlitMasked, EachPixelIsMaskAndNotOldXorSprite) {
    MaskedCase c;
    ASSERT_TRUE(blit_masked(c.dest, 0, 0, 4, 1, c.sprite, c.mask, 0, 0));
    const std::uint32_t* p = c.dest.bitmap.rgb_row(0);
    EXPECT_EQ(p[0], 0x404040u);  // black mask: the sprite
    EXPECT_EQ(p[1], 0x123456u);  // white mask, white sprite: the old pixel
    EXPECT_EQ(p[2], 0xC0C0C0u);  // grey edge: (0x80 AND 0xF0) XOR 0x40 per channel
    EXPECT_EQ(p[3], 0x504030u);  // white mask, dark sprite: NOT old XOR sprite = 5F4F3F ^ 0F0F0F
}

TEST(BlitMasked, AFailingFirstCopySkipsTheSecond) {
    MaskedCase c;
    Surface no_mask;
    EXPECT_FALSE(blit_masked(c.dest, 0, 0, 4, 1, c.sprite, no_mask, 0, 0));
    EXPECT_EQ(c.dest.bitmap.rgb_row(0)[0], 0x123456u);
    EXPECT_EQ(c.dest.bitmap.rgb_row(0)[3], 0xA0B0C0u);  // not inverted

    // The result is the last copy's: a failing sprite copy reports false after the mask copy.
    Surface no_sprite;
    EXPECT_FALSE(blit_masked(c.dest, 0, 0, 4, 1, no_sprite, c.mask, 0, 0));

    MaskedCase s;
    EXPECT_FALSE(stretch_blit_masked(s.dest, 0, 0, 4, 1, s.sprite, no_mask, 0, 0, 4, 1));
    EXPECT_EQ(s.dest.bitmap.rgb_row(0)[3], 0xA0B0C0u);
}

TEST(BlitMasked, StretchedCopyUsesTheSameFormula) {
    MaskedCase c;
    Surface dest{Bitmap::rgb(8, 2)};
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 8; ++x) dest.bitmap.rgb_row(y)[x] = 0x123456;
    ASSERT_TRUE(stretch_blit_masked(dest, 0, 0, 8, 2, c.sprite, c.mask, 0, 0, 4, 1));
    for (int y = 0; y < 2; ++y) {
        EXPECT_EQ(dest.bitmap.rgb_row(y)[0], 0x404040u);
        EXPECT_EQ(dest.bitmap.rgb_row(y)[1], 0x404040u);
        EXPECT_EQ(dest.bitmap.rgb_row(y)[2], 0x123456u);
        EXPECT_EQ(dest.bitmap.rgb_row(y)[3], 0x123456u);
    }
    // Shrunk 4 -> 2: pixels 0+1 and 2+3 are ANDed in both mask and sprite before the two passes.
    MaskedCase d;
    Surface small{Bitmap::rgb(2, 1)};
    small.bitmap.rgb_row(0)[0] = 0x0F0F0F;
    small.bitmap.rgb_row(0)[1] = 0x0F0F0F;
    ASSERT_TRUE(stretch_blit_masked(small, 0, 0, 2, 1, d.sprite, d.mask, 0, 0, 4, 1));
    EXPECT_EQ(small.bitmap.rgb_row(0)[0], 0x404040u);  // mask 00&FF = 0, sprite 40&FF = 40
    EXPECT_EQ(small.bitmap.rgb_row(0)[1], 0x808080u);  // mask 80&FF = 80, sprite 40&0F = 0: (80 AND F0) XOR 0
}

TEST(PointInRect, IsStrictOnAllFourSides) {
    EXPECT_FALSE(point_in_rect(180, 400, 180, 385, 140, 26));  // left edge
    EXPECT_TRUE(point_in_rect(181, 386, 180, 385, 140, 26));
    EXPECT_FALSE(point_in_rect(320, 400, 180, 385, 140, 26));  // right edge
    EXPECT_TRUE(point_in_rect(319, 410, 180, 385, 140, 26));
    EXPECT_FALSE(point_in_rect(200, 385, 180, 385, 140, 26));  // top edge
    EXPECT_FALSE(point_in_rect(200, 411, 180, 385, 140, 26));  // bottom edge
    EXPECT_FALSE(point_in_rect(0, 0, 0, 0, 0, 0));
    // A region reaching past the 16-bit range still tests correctly.
    EXPECT_TRUE(point_in_rect(32767, 5, 32000, 0, 32000, 10));
}

struct CountingInput : InputHandler {
    void pointer_move(double, double) override {}
    void pointer_press(MouseButton, double, double) override { ++presses; }
    void key_down(int) override {}
    void key_press(int) override {}
    void timer_tick() override { ++ticks; }
    void menu_command(MenuCommand) override {}
    void window_closed() override {}
    int presses = 0, ticks = 0;
};

TEST(WaitSeconds, DeliversEventsDueInsideTheWait) {
    testing::TestApp test;
    CountingInput input;
    test.platform.set_input_handler(&input);
    test.platform.press_at(0.05, MouseButton::left, 1, 1);
    test.platform.press_at(0.3, MouseButton::left, 1, 1);
    wait_seconds(test.app, 0.1f);
    EXPECT_EQ(input.presses, 1);
    EXPECT_GE(test.platform.clock_seconds(), 0.1 - 1e-6);
    EXPECT_LT(test.platform.clock_seconds(), 0.3);
}

TEST(WaitSeconds, ZeroOrNegativeReturnsWithoutProcessing) {
    testing::TestApp test;
    CountingInput input;
    test.platform.set_input_handler(&input);
    test.platform.set_interval(10);
    test.platform.press_at(0.0, MouseButton::left, 1, 1);  // already due
    wait_seconds(test.app, 0.0f);
    wait_seconds(test.app, -1.0f);
    EXPECT_EQ(input.presses, 0);
    EXPECT_EQ(input.ticks, 0);
    EXPECT_EQ(test.platform.clock_seconds(), 0.0);
}

}  // namespace
}  // namespace kelvora
