#include "platform/raster.hpp"

#include <gtest/gtest.h>

#include <random>

namespace kelvora {
namespace {

Surface rgb_surface(int w, int h, std::uint32_t fill = 0) {
    Surface s{Bitmap::rgb(w, h)};
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) s.bitmap.rgb_row(y)[x] = fill;
    return s;
}

Palette grey_palette() {
    Palette p{};
    for (int i = 0; i < 256; ++i) p[i] = Colour{std::uint8_t(i), std::uint8_t(i), std::uint8_t(i)};
    return p;
}

Palette cube_palette() {
    Palette p{};
    int k = 0;
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 6; ++g)
            for (int b = 0; b < 6; ++b) p[k++] = Colour{std::uint8_t(r * 51), std::uint8_t(g * 51), std::uint8_t(b * 51)};
    return p;
}

TEST(Bitmap, ConstructorsAndColourAt) {
    Bitmap mono = Bitmap::mono(3, 2);
    EXPECT_EQ(mono.depth(), 1);
    EXPECT_EQ(mono.colour_at(2, 1), black);
    mono.index_row(1)[2] = 1;
    EXPECT_EQ(mono.colour_at(2, 1), white);

    Palette p = grey_palette();
    Bitmap indexed = Bitmap::indexed(2, 2, p);
    indexed.index_row(0)[1] = 77;
    EXPECT_EQ(indexed.colour_at(1, 0), (Colour{77, 77, 77}));
    EXPECT_EQ(indexed.colour_at(0, 0), black);

    Bitmap rgb = Bitmap::rgb(2, 2);
    EXPECT_EQ(rgb.colour_at(1, 1), black);
    rgb.rgb_row(1)[1] = 0xFF123456u;  // the top byte is don't-care
    EXPECT_EQ(rgb.colour_at(1, 1), (Colour{0x12, 0x34, 0x56}));

    EXPECT_TRUE(Bitmap{}.empty());
    EXPECT_TRUE(Bitmap::rgb(0, 5).empty());
}

TEST(BitBlt, RasterOperationsOnColourPixels) {
    const std::uint32_t d = 0x00F0F0F0u, s = 0x00CCAA55u;
    struct Case {
        Rop rop;
        std::uint32_t expected;
    } cases[] = {
        {Rop::srccopy, s},
        {Rop::srcand, s & d},
        {Rop::srcpaint, s | d},
        {Rop::srcinvert, s ^ d},
        {Rop::srcerase, s & ~d & 0xFFFFFFu},
        {Rop::blackness, 0},
    };
    for (const auto& c : cases) {
        Surface dst = rgb_surface(1, 1, d);
        Surface src = rgb_surface(1, 1, s | 0xFF000000u);  // a stray top byte must not leak
        ASSERT_TRUE(bit_blt(dst, 0, 0, 1, 1, src, 0, 0, c.rop));
        EXPECT_EQ(dst.bitmap.rgb_row(0)[0], c.expected) << std::hex << std::uint32_t(c.rop);
    }
}

TEST(BitBlt, ConvertsSourceIntoDestinationFormat) {
    // colour -> 1 bit: the source's background colour becomes 1, anything else 0
    Surface colour = rgb_surface(3, 1, 0x00FF00FFu);
    colour.background = Colour{255, 0, 255};
    colour.bitmap.rgb_row(0)[1] = 0x00FF00FEu;
    colour.bitmap.rgb_row(0)[2] = 0xFFFF00FFu;
    Surface mono{Bitmap::mono(3, 1)};
    ASSERT_TRUE(bit_blt(mono, 0, 0, 3, 1, colour, 0, 0, Rop::srccopy));
    EXPECT_EQ(mono.bitmap.index_row(0)[0], 1);
    EXPECT_EQ(mono.bitmap.index_row(0)[1], 0);
    EXPECT_EQ(mono.bitmap.index_row(0)[2], 1);

    // 1 bit -> colour: 0 takes the destination's text colour, 1 its background
    Surface out = rgb_surface(3, 1);
    out.text_colour = Colour{1, 2, 3};
    out.background = Colour{4, 5, 6};
    ASSERT_TRUE(bit_blt(out, 0, 0, 3, 1, mono, 0, 0, Rop::srccopy));
    EXPECT_EQ(out.bitmap.rgb_row(0)[0], 0x040506u);
    EXPECT_EQ(out.bitmap.rgb_row(0)[1], 0x010203u);

    // 8 bit -> colour through the source's own table
    Surface indexed{Bitmap::indexed(1, 1, grey_palette())};
    indexed.bitmap.index_row(0)[0] = 200;
    ASSERT_TRUE(bit_blt(out, 2, 0, 1, 1, indexed, 0, 0, Rop::srccopy));
    EXPECT_EQ(out.bitmap.rgb_row(0)[2], 0xC8C8C8u);

    // colour -> 8 bit: nearest entry of the destination's table
    Surface cube{Bitmap::indexed(2, 1, cube_palette())};
    Surface two = rgb_surface(2, 1, 0xFFF0100Au);  // nearest (255, 0, 0) = index 180; top byte ignored
    two.bitmap.rgb_row(0)[1] = 0x00336699u;        // exactly (51, 102, 153) = 1*36 + 2*6 + 3
    ASSERT_TRUE(bit_blt(cube, 0, 0, 2, 1, two, 0, 0, Rop::srccopy));
    EXPECT_EQ(cube.bitmap.index_row(0)[0], 180);
    EXPECT_EQ(cube.bitmap.index_row(0)[1], 51);
}

TEST(BitBlt, MonochromePictureOntoColourWithDefaultColours) {
    // With the default colours set bits show white and clear bits black, so a 1-bit mask can be
    // combined with colour pictures by logical operations.
    Surface mask{Bitmap::mono(2, 1)};
    mask.bitmap.index_row(0)[1] = 1;
    Surface dst = rgb_surface(2, 1, 0x00345678u);
    ASSERT_TRUE(bit_blt(dst, 0, 0, 2, 1, mask, 0, 0, Rop::srcand));
    EXPECT_EQ(dst.bitmap.rgb_row(0)[0], 0u);
    EXPECT_EQ(dst.bitmap.rgb_row(0)[1], 0x00345678u);
}

TEST(BitBlt, EightBitCopiesKeepIndexesOfTheSameTableAndMatchOthers) {
    Palette with_duplicates = grey_palette();
    with_duplicates[9] = with_duplicates[3];
    Surface src{Bitmap::indexed(1, 1, with_duplicates)};
    src.bitmap.index_row(0)[0] = 9;
    Surface same{Bitmap::indexed(1, 1, with_duplicates)};
    ASSERT_TRUE(bit_blt(same, 0, 0, 1, 1, src, 0, 0, Rop::srccopy));
    EXPECT_EQ(same.bitmap.index_row(0)[0], 9);

    Surface cube{Bitmap::indexed(1, 1, cube_palette())};
    src.bitmap.index_row(0)[0] = 250;  // grey 250 -> white of the cube, index 215
    ASSERT_TRUE(bit_blt(cube, 0, 0, 1, 1, src, 0, 0, Rop::srccopy));
    EXPECT_EQ(cube.bitmap.index_row(0)[0], 215);
}

TEST(BitBlt, MonochromeDestinationWorksOnBits) {
    Surface dst{Bitmap::mono(2, 2)};
    dst.bitmap.index_row(0)[1] = 1;
    dst.bitmap.index_row(1)[1] = 1;
    Surface src{Bitmap::mono(2, 2)};
    src.bitmap.index_row(0)[0] = 1;
    src.bitmap.index_row(0)[1] = 1;
    ASSERT_TRUE(bit_blt(dst, 0, 0, 2, 2, src, 0, 0, Rop::srcerase));  // S AND NOT D
    EXPECT_EQ(dst.bitmap.index_row(0)[0], 1);
    EXPECT_EQ(dst.bitmap.index_row(0)[1], 0);
    EXPECT_EQ(dst.bitmap.index_row(1)[0], 0);
    EXPECT_EQ(dst.bitmap.index_row(1)[1], 0);
}

TEST(BitBlt, ClipsToBothSurfaces) {
    Surface src = rgb_surface(4, 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) src.bitmap.rgb_row(y)[x] = std::uint32_t(0x100 * y + x + 1);
    Surface dst = rgb_surface(3, 3, 0x00ABCDEFu);
    // Destination starts left of and above the surface; source runs off its right edge.
    ASSERT_TRUE(bit_blt(dst, -1, -1, 10, 10, src, 1, 1, Rop::srccopy));
    EXPECT_EQ(dst.bitmap.rgb_row(0)[0], 0x203u);  // src (2, 2)
    EXPECT_EQ(dst.bitmap.rgb_row(1)[1], 0x304u);  // src (3, 3)
    EXPECT_EQ(dst.bitmap.rgb_row(0)[2], 0x00ABCDEFu);  // src (4, 2) does not exist
    EXPECT_EQ(dst.bitmap.rgb_row(2)[0], 0x00ABCDEFu);

    // Entirely outside, negative sizes and absurd sizes draw nothing and do not crash.
    EXPECT_TRUE(bit_blt(dst, 5, 5, 2, 2, src, 0, 0, Rop::srccopy));
    EXPECT_TRUE(bit_blt(dst, 0, 0, -3, 2, src, 0, 0, Rop::srccopy));
    EXPECT_TRUE(bit_blt(dst, -2000000000, 0, 2100000000, 1, src, 2000000000, 0, Rop::srccopy));
    EXPECT_EQ(dst.bitmap.rgb_row(2)[2], 0x00ABCDEFu);
}

TEST(BitBlt, OverlappingCopyWithinOneSurfaceMovesTheBlockWhole) {
    Surface s = rgb_surface(1, 4);
    for (int y = 0; y < 4; ++y) s.bitmap.rgb_row(y)[0] = std::uint32_t(y + 1);
    ASSERT_TRUE(bit_blt(s, 0, 1, 1, 3, s, 0, 0, Rop::srccopy));
    EXPECT_EQ(s.bitmap.rgb_row(1)[0], 1u);
    EXPECT_EQ(s.bitmap.rgb_row(2)[0], 2u);
    EXPECT_EQ(s.bitmap.rgb_row(3)[0], 3u);
}

TEST(BitBlt, EmptySurfacesFailAndDrawNothing) {
    Surface dst = rgb_surface(2, 2, 0x123456u);
    Surface empty;
    EXPECT_FALSE(bit_blt(dst, 0, 0, 2, 2, empty, 0, 0, Rop::srccopy));
    EXPECT_FALSE(bit_blt(dst, 0, 0, 2, 2, nullptr, 0, 0, Rop::srcinvert));
    EXPECT_EQ(dst.bitmap.rgb_row(0)[0], 0x123456u);
    EXPECT_FALSE(bit_blt(empty, 0, 0, 2, 2, dst, 0, 0, Rop::srccopy));
    EXPECT_TRUE(bit_blt(dst, 1, 1, 5, 5, nullptr, 0, 0, Rop::blackness));
    EXPECT_EQ(dst.bitmap.rgb_row(1)[1], 0u);
    EXPECT_EQ(dst.bitmap.rgb_row(0)[1], 0x123456u);
}

TEST(StretchBlt, EnlargingRepeatsPixels) {
    Surface src = rgb_surface(3, 1);
    src.bitmap.rgb_row(0)[0] = 1;
    src.bitmap.rgb_row(0)[1] = 2;
    src.bitmap.rgb_row(0)[2] = 3;
    Surface dst = rgb_surface(7, 2);
    ASSERT_TRUE(stretch_blt(dst, 0, 0, 7, 2, src, 0, 0, 3, 1, Rop::srccopy));
    // source column = floor(dx * 3 / 7)
    const std::uint32_t expected[7] = {1, 1, 1, 2, 2, 3, 3};
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 7; ++x) EXPECT_EQ(dst.bitmap.rgb_row(y)[x], expected[x]) << x << "," << y;
}

TEST(StretchBlt, ShrinkingAndsTheCombinedPixels) {
    Surface src = rgb_surface(5, 2);
    const std::uint32_t row0[5] = {0xFF, 0x0F, 0xF0, 0x3C, 0x81};
    const std::uint32_t row1[5] = {0x7F, 0xFF, 0xFF, 0xFF, 0xFF};
    for (int x = 0; x < 5; ++x) {
        src.bitmap.rgb_row(0)[x] = row0[x];
        src.bitmap.rgb_row(1)[x] = row1[x];
    }
    Surface dst = rgb_surface(2, 1);
    ASSERT_TRUE(stretch_blt(dst, 0, 0, 2, 1, src, 0, 0, 5, 2, Rop::srccopy));
    // columns 0..2 -> 0 and 3..4 -> 1 (source x maps to floor(x * 2 / 5)), both rows ANDed
    EXPECT_EQ(dst.bitmap.rgb_row(0)[0], 0xFFu & 0x0F & 0xF0 & 0x7F);
    EXPECT_EQ(dst.bitmap.rgb_row(0)[1], 0x3Cu & 0x81);

    // On a monochrome picture a single 0 among the combined pixels wins.
    Surface mono{Bitmap::mono(4, 1)};
    mono.bitmap.index_row(0)[0] = 1;
    mono.bitmap.index_row(0)[1] = 0;
    mono.bitmap.index_row(0)[2] = 1;
    mono.bitmap.index_row(0)[3] = 1;
    Surface mono_dst{Bitmap::mono(2, 1)};
    ASSERT_TRUE(stretch_blt(mono_dst, 0, 0, 2, 1, mono, 0, 0, 4, 1, Rop::srccopy));
    EXPECT_EQ(mono_dst.bitmap.index_row(0)[0], 0);
    EXPECT_EQ(mono_dst.bitmap.index_row(0)[1], 1);
}

TEST(StretchBlt, AxesAreIndependentAndRopsApply) {
    // 2 x 4 -> 4 x 2: enlarged horizontally, shrunk vertically.
    Surface src = rgb_surface(2, 4);
    const std::uint32_t values[4][2] = {{0xF1, 0x1F}, {0xF3, 0x3F}, {0x0F, 0xF0}, {0xFF, 0xFF}};
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 2; ++x) src.bitmap.rgb_row(y)[x] = values[y][x];
    Surface dst = rgb_surface(4, 2, 0x100);
    ASSERT_TRUE(stretch_blt(dst, 0, 0, 4, 2, src, 0, 0, 2, 4, Rop::srcpaint));
    EXPECT_EQ(dst.bitmap.rgb_row(0)[0], 0x100u | (0xF1 & 0xF3));
    EXPECT_EQ(dst.bitmap.rgb_row(0)[1], 0x100u | (0xF1 & 0xF3));
    EXPECT_EQ(dst.bitmap.rgb_row(0)[3], 0x100u | (0x1F & 0x3F));
    EXPECT_EQ(dst.bitmap.rgb_row(1)[2], 0x100u | (0xF0 & 0xFF));
}

TEST(StretchBlt, EightBitSourceOntoEightBitTable) {
    Surface src{Bitmap::indexed(2, 1, grey_palette())};
    src.bitmap.index_row(0)[0] = 255;
    src.bitmap.index_row(0)[1] = 0x66;
    Surface dst{Bitmap::indexed(4, 1, grey_palette())};
    ASSERT_TRUE(stretch_blt(dst, 0, 0, 4, 1, src, 0, 0, 2, 1, Rop::srccopy));
    EXPECT_EQ(dst.bitmap.index_row(0)[1], 255);
    EXPECT_EQ(dst.bitmap.index_row(0)[2], 0x66);
    Surface small{Bitmap::indexed(1, 1, grey_palette())};
    ASSERT_TRUE(stretch_blt(small, 0, 0, 1, 1, src, 0, 0, 2, 1, Rop::srccopy));
    EXPECT_EQ(small.bitmap.index_row(0)[0], 0x66);  // 0xFF AND 0x66 as colours
}

TEST(StretchBlt, ClipsAndRejectsEmptySurfaces) {
    Surface src = rgb_surface(2, 2, 0x55);
    Surface dst = rgb_surface(3, 3, 0x11);
    EXPECT_TRUE(stretch_blt(dst, 2, 2, 4, 4, src, 0, 0, 2, 2, Rop::srccopy));
    EXPECT_EQ(dst.bitmap.rgb_row(2)[2], 0x55u);
    EXPECT_EQ(dst.bitmap.rgb_row(1)[1], 0x11u);
    EXPECT_TRUE(stretch_blt(dst, 0, 0, 2000000000, 3, src, 0, 0, 2, 2, Rop::srccopy));
    // A source block reaching past the source's edge draws only what has a source pixel.
    Surface fresh = rgb_surface(3, 3, 0x11);
    EXPECT_TRUE(stretch_blt(fresh, 0, 0, 2, 2, src, 1, 1, 2, 2, Rop::srccopy));
    EXPECT_EQ(fresh.bitmap.rgb_row(0)[0], 0x55u);
    EXPECT_EQ(fresh.bitmap.rgb_row(0)[1], 0x11u);
    EXPECT_EQ(fresh.bitmap.rgb_row(1)[0], 0x11u);
    Surface empty;
    EXPECT_FALSE(stretch_blt(dst, 0, 0, 3, 3, empty, 0, 0, 1, 1, Rop::srccopy));
    EXPECT_FALSE(stretch_blt(empty, 0, 0, 3, 3, src, 0, 0, 1, 1, Rop::srccopy));
}

TEST(PaletteBlt, LooksIndexesUpInTheGivenTable) {
    Bitmap indexes = Bitmap::indexed(3, 1, grey_palette());
    indexes.index_row(0)[0] = 0;
    indexes.index_row(0)[1] = 1;
    indexes.index_row(0)[2] = 2;
    Palette colours{};
    colours[1] = Colour{10, 20, 30};
    colours[2] = Colour{40, 50, 60};
    Surface dst = rgb_surface(2, 2, 0x777777);
    ASSERT_TRUE(palette_blt(dst, 0, 1, 3, 1, indexes, colours));
    EXPECT_EQ(dst.bitmap.rgb_row(1)[0], 0u);
    EXPECT_EQ(dst.bitmap.rgb_row(1)[1], 0x0A141Eu);
    EXPECT_EQ(dst.bitmap.rgb_row(0)[0], 0x777777u);
    EXPECT_FALSE(palette_blt(dst, 0, 0, 1, 1, Bitmap::rgb(1, 1), colours));
}

TEST(FillRect, StoresTheColourInEachFormat) {
    Surface rgb = rgb_surface(3, 3);
    fill_rect(rgb, 1, -5, 10, 6, Colour{1, 2, 3});
    EXPECT_EQ(rgb.bitmap.rgb_row(0)[1], 0x010203u);
    EXPECT_EQ(rgb.bitmap.rgb_row(0)[0], 0u);
    EXPECT_EQ(rgb.bitmap.rgb_row(1)[2], 0u);

    Surface cube{Bitmap::indexed(1, 1, cube_palette())};
    fill_rect(cube, 0, 0, 1, 1, Colour{250, 5, 60});  // nearest (255, 0, 51)
    EXPECT_EQ(cube.bitmap.index_row(0)[0], 181);

    Surface mono{Bitmap::mono(1, 1)};
    fill_rect(mono, 0, 0, 1, 1, mono.background);
    EXPECT_EQ(mono.bitmap.index_row(0)[0], 1);
}

TEST(GetPixel, OutsideIsBlack) {
    Surface s = rgb_surface(2, 2, 0xFF00FFu);
    EXPECT_EQ(get_pixel(s, 1, 1), (Colour{255, 0, 255}));
    EXPECT_EQ(get_pixel(s, 2, 0), black);
    EXPECT_EQ(get_pixel(s, -1, 0), black);
    EXPECT_EQ(get_pixel(Surface{}, 0, 0), black);
}

TEST(FloodFill, FillsOnlyTheFourConnectedArea) {
    // A diagonal wall of white splits the picture; the fill must not leak through the corner.
    Surface s = rgb_surface(4, 4);
    for (int i = 0; i < 4; ++i) s.bitmap.rgb_row(i)[3 - i] = 0xFFFFFF;
    ASSERT_TRUE(flood_fill_surface(s, 0, 0, black, Colour{0, 0, 200}));
    EXPECT_EQ(s.bitmap.rgb_row(0)[2], 200u);
    EXPECT_EQ(s.bitmap.rgb_row(2)[0], 200u);
    EXPECT_EQ(s.bitmap.rgb_row(3)[3], 0u);  // beyond the wall
    EXPECT_EQ(s.bitmap.rgb_row(1)[3], 0u);
    EXPECT_EQ(s.bitmap.rgb_row(0)[3], 0xFFFFFFu);

    EXPECT_FALSE(flood_fill_surface(s, 0, 3, Colour{9, 9, 9}, white));  // not that colour
    EXPECT_FALSE(flood_fill_surface(s, 4, 0, black, white));            // outside
    // Filling with the colour already there ends too.
    EXPECT_TRUE(flood_fill_surface(s, 3, 3, black, black));
}

TEST(FloodFill, LargeAreaDoesNotRecurse) {
    Surface s = rgb_surface(1200, 1200);
    // A comb makes a long winding area.
    for (int x = 1; x < 1200; x += 2)
        for (int y = (x % 4 == 1 ? 0 : 1); y < (x % 4 == 1 ? 1199 : 1200); ++y) s.bitmap.rgb_row(y)[x] = 0xFFFFFF;
    ASSERT_TRUE(flood_fill_surface(s, 0, 0, black, Colour{1, 1, 1}));
    EXPECT_EQ(s.bitmap.rgb_row(1199)[1198], 0x010101u);
}

TEST(NearestColour, TiesGoToTheLowestIndexAndCountLimitsTheSearch) {
    Palette p{};
    p[0] = Colour{0, 0, 0};
    p[1] = Colour{10, 0, 0};
    p[2] = Colour{20, 0, 0};
    p[3] = Colour{10, 0, 0};
    EXPECT_EQ(nearest_index(p, 4, Colour{5, 0, 0}), 0);  // tie between 0 and 1
    EXPECT_EQ(nearest_index(p, 4, Colour{11, 0, 0}), 1); // 1 and 3 are equal
    EXPECT_EQ(nearest_index(p, 2, Colour{200, 0, 0}), 1);
    NearestColourMap map(p, 4);
    EXPECT_EQ(map(Colour{5, 0, 0}), 0);
    EXPECT_EQ(map(Colour{11, 0, 0}), 1);
    EXPECT_EQ(NearestColourMap(p, 0)(white), 0);
}

TEST(NearestColour, MapAgreesWithTheFullSearch) {
    std::mt19937 random(7);
    auto byte = [&] { return std::uint8_t(random() & 0xFF); };
    for (int round = 0; round < 6; ++round) {
        Palette p{};
        const int count = round == 0 ? 216 : round == 1 ? 1 : int(random() % 256) + 1;
        if (round == 0) {
            p = cube_palette();
        } else {
            for (int i = 0; i < count; ++i) p[i] = Colour{byte(), byte(), byte()};
            p[count / 2] = p[0];  // duplicates must keep the lower index
        }
        NearestColourMap map(p, count);
        for (int i = 0; i < 20000; ++i) {
            const Colour c{byte(), byte(), byte()};
            ASSERT_EQ(map(c), nearest_index(p, count, c)) << int(c.r) << "," << int(c.g) << "," << int(c.b);
        }
        // Colours exactly between entries: the cube's midpoints are ties.
        for (int v = 0; v < 256; v += 5) {
            const Colour c{std::uint8_t(v), std::uint8_t(255 - v), std::uint8_t(v / 2)};
            ASSERT_EQ(map(c), nearest_index(p, count, c));
        }
    }
}

}  // namespace
}  // namespace kelvora
