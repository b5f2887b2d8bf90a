// A ranking table drawn with the real fonts: columns end on their lines, a long name runs into
// the place column uncut, and nothing lands outside the table's area.

#include <algorithm>

#include <gtest/gtest.h>

#include "platform/qt/qt_text.hpp"
#include "ranking/rank_drawing.hpp"
#include "ranking/rank_file.hpp"

namespace kelvora {
namespace {

constexpr std::uint32_t ground = 0x00203040;

struct PainterText : TextRenderer {
    void draw_text(Surface& surface, const Font& font, Colour colour, const Rect& rect, unsigned format,
                   std::string_view utf8) override {
        draw_text_on(surface, font, colour, rect, format, utf8);
    }
};

Surface drawn_table(const rank_table& table) {
    Surface surface;
    surface.bitmap = Bitmap::rgb(500, 500);
    for (int y = 0; y < 500; ++y) std::fill_n(surface.bitmap.rgb_row(y), 500, ground);
    PainterText text;
    draw_rank_table(surface, text, Font{25, 128}, Font{14, 128}, {"連鎖ランキング", "連鎖数", "モード"}, table, 0,
                    250, 500, 250);
    return surface;
}

// Leftmost and rightmost columns where `a` and `b` differ (or where `a` is not the ground, when
// `b` is null) within rows top..bottom-1; right < left when there is none.
std::pair<int, int> ink_span(const Surface& a, const Surface* b, int top, int bottom, int max_x = 500) {
    int left = 1 << 20, right = -1;
    for (int y = top; y < bottom; ++y)
        for (int x = 0; x < max_x; ++x) {
            std::uint32_t pixel = a.bitmap.rgb_row(y)[x];
            bool inked = b ? pixel != b->bitmap.rgb_row(y)[x] : pixel != ground;
            if (!inked) continue;
            left = std::min(left, x);
            right = std::max(right, x);
        }
    return {left, right};
}

TEST(RankDrawingQt, ColumnsEndOnTheirLinesAndLongNamesRunLeftUncut) {
    rank_table table = make_rank_table(5, 1);
    Surface plain = drawn_table(table);
    table.name[5] = "\x83\x50\x83\x8B\x83\x7B\x83\x89\x83\x50\x83\x8B\x83\x7B\x83\x89\x83\x50\x83\x8B\x83\x7B";
    Surface long_name = drawn_table(table);

    // Nothing above the area.
    EXPECT_LT(ink_span(plain, nullptr, 0, 250).second, 0);
    // The place label of row 10 (" 10位") ends on the place line like the others.
    auto [place_left, place_right] = ink_span(plain, nullptr, 475, 490, 100);
    EXPECT_GE(place_right, 66);
    EXPECT_LT(place_right, 75);
    EXPECT_GT(place_left, 20);
    // Row 5's long name (eleven characters) ends on the name line and reaches far into the
    // place column.
    auto [name_left, name_right] = ink_span(long_name, &plain, 250, 500);
    EXPECT_GE(name_right, 190);
    EXPECT_LT(name_right, 200);
    EXPECT_LT(name_left, 75);  // past the place line
    EXPECT_GE(name_left, 0);
}

}  // namespace
}  // namespace kelvora
