#include "pictures/blend.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kelvora {
namespace {

constexpr Colour dest_colour{99, 0, 255};
constexpr Colour figure{100, 255, 0};
constexpr Colour key_colour{40, 50, 60};
constexpr Colour outside{7, 7, 7};

// An 8-bit source picture drawn from a character grid: 'K' key colour, 'F' figure colour,
// '.' a colour that lies outside the blended rectangle.
Surface picture_of(const std::vector<std::string>& rows) {
    Palette palette{};
    palette[1] = key_colour;
    palette[2] = figure;
    palette[3] = outside;
    Surface s{Bitmap::indexed(int(rows[0].size()), int(rows.size()), palette)};
    for (int y = 0; y < int(rows.size()); ++y)
        for (int x = 0; x < int(rows[0].size()); ++x)
            s.bitmap.index_row(y)[x] = rows[y][x] == 'K' ? 1 : rows[y][x] == 'F' ? 2 : 3;
    return s;
}

Surface filled(int width, int height, Colour colour) {
    Surface s{Bitmap::rgb(width, height)};
    fill_rect(s, 0, 0, width, height, colour);
    return s;
}

TEST(BlendRect, MixesEveryByteTruncatingAndLeavesEveryKeyPixelAlone) {
    // A 7-pixel-wide rectangle at (2, 1) of the source, with key pixels on the edge and inside
    // the figure: in plain mode all of them are see-through.
    const Surface source = picture_of({
        "..........",
        "..KFFFFKF.",
        "..FKFFFFF.",
        "..FFFFFKK.",
    });
    // Figure over destination per byte: (100, 255, 0) over (99, 0, 255). At 128 the red byte's
    // difference of -1 truncates to 0 (flooring would give 99), the others are -127.5 and 127.5.
    const struct {
        int alpha;
        Colour blended;
    } cases[] = {{0, figure}, {64, {100, 192, 63}}, {128, {100, 128, 127}}, {192, {100, 64, 191}}, {256, dest_colour}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.alpha);
        Surface dest = filled(10, 5, dest_colour);
        dest.background = Colour{1, 2, 3};
        Surface src = source;
        src.background = Colour{4, 5, 6};
        blend_rect(dest, 1, 2, 7, 3, src, 2, 1, c.alpha, BlendKey{key_colour, true});
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 10; ++x) {
                const bool inside = x >= 1 && x < 8 && y >= 2 && y < 5;
                const bool key = inside && source.bitmap.colour_at(x + 1, y - 1) == key_colour;
                EXPECT_EQ(dest.bitmap.colour_at(x, y), inside && !key ? c.blended : dest_colour) << x << "," << y;
            }
        // The colours the conversions borrowed are given back.
        EXPECT_EQ(dest.background, (Colour{1, 2, 3}));
        EXPECT_EQ(dest.text_colour, black);
        EXPECT_EQ(src.background, (Colour{4, 5, 6}));
    }
}

TEST(BorderMask, OnlyKeyRegionsTouchingTheEdgeAreBackground) {
    // The rectangle is 7 x 6 at (1, 1); its top-left pixel gives the key. Two key regions touch
    // the edge (top-left, and one reaching only the bottom); two holes are enclosed by figure.
    const Surface source = picture_of({
        ".........",
        ".KKKFFFF.",
        ".KFFFKKF.",
        ".KFFFFFF.",
        ".FFFFFKF.",
        ".FFKFFKF.",
        ".FFFFFKF.",
        ".........",
    });
    const char* expected[] = {
        "1110000",
        "1000000",
        "1000000",
        "0000010",
        "0000010",
        "0000010",
    };
    Surface src = source;
    Surface mask{Bitmap::mono(7, 6)};
    EXPECT_EQ(border_mask(mask, src, 1, 1, 7, 6), key_colour);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 7; ++x) EXPECT_EQ(mask.bitmap.index_row(y)[x], expected[y][x] - '0') << x << "," << y;

    // Blended at alpha 0 in border mode, the holes are put down in the key colour like the figure,
    // and the destination shows through the edge regions only.
    Surface dest = filled(7, 6, dest_colour);
    blend_rect(dest, 0, 0, 7, 6, src, 1, 1, 0, border_key);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 7; ++x)
            EXPECT_EQ(dest.bitmap.colour_at(x, y), expected[y][x] == '1' ? dest_colour : source.bitmap.colour_at(x + 1, y + 1))
                << x << "," << y;
}

}  // namespace
}  // namespace kelvora
