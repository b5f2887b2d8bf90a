// Text drawn by Qt onto our own pixels: inside its rectangle, in its colour, aligned and broken
// into lines as the game's texts expect.

#include <algorithm>
#include <string>

#include <gtest/gtest.h>
#include <QFontInfo>
#include <QFontMetrics>

#include "platform/qt/qt_text.hpp"
#include "core/app.hpp"

namespace kelvora {
namespace {

constexpr std::uint32_t ground = 0x00102030;

Surface ground_surface(int width, int height) {
    Surface surface;
    surface.bitmap = Bitmap::rgb(width, height);
    for (int y = 0; y < height; ++y) std::fill_n(surface.bitmap.rgb_row(y), width, ground);
    return surface;
}

// The smallest box holding every changed pixel; empty (right < left) when nothing changed.
struct Ink {
    int left = 1 << 20, top = 1 << 20, right = -1, bottom = -1;
    int pixels = 0;
    int bands = 0;  // runs of rows holding ink, that is lines of text
};

Ink ink_of(const Surface& surface) {
    Ink ink;
    bool previous_row_inked = false;
    for (int y = 0; y < surface.height(); ++y) {
        bool row_inked = false;
        const std::uint32_t* row = surface.bitmap.rgb_row(y);
        for (int x = 0; x < surface.width(); ++x) {
            if (row[x] == ground) continue;
            row_inked = true;
            ++ink.pixels;
            ink.left = std::min(ink.left, x);
            ink.right = std::max(ink.right, x);
            ink.top = std::min(ink.top, y);
            ink.bottom = std::max(ink.bottom, y);
        }
        if (row_inked && !previous_row_inked) ++ink.bands;
        previous_row_inked = row_inked;
    }
    return ink;
}

const std::string long_japanese =
    "・雨粒の落下スピードを表します。オフィシャルモードでは「１」ですが、徐々に速くなっていきます。";

TEST(QtText, GlyphsLandInsideTheRectangleOnlyInTheGivenColour) {
    Surface surface = ground_surface(200, 100);
    Rect rect{20, 20, 90, 60};
    draw_text_on(surface, Font{20, 128}, Colour{255, 255, 0}, rect, text_format::left, long_japanese);

    Ink ink = ink_of(surface);
    ASSERT_GT(ink.pixels, 30);
    EXPECT_GE(ink.left, rect.left);
    EXPECT_GE(ink.top, rect.top);
    EXPECT_LT(ink.right, rect.right);
    EXPECT_LT(ink.bottom, rect.bottom);
    int exact = 0;
    for (int y = 0; y < surface.height(); ++y)
        for (int x = 0; x < surface.width(); ++x) {
            std::uint32_t pixel = surface.bitmap.rgb_row(y)[x];
            EXPECT_EQ(pixel >> 24, 0u) << "at " << x << "," << y;
            if (pixel == 0x00FFFF00) ++exact;
        }
    // Glyph stems are solid: many pixels take the text colour exactly.
    EXPECT_GT(exact, 20);
}

TEST(QtText, SingleLineAlignsBottomRightCentreAndTopLeft) {
    Rect rect{10, 10, 190, 90};
    Surface right = ground_surface(200, 100);
    draw_text_on(right, Font{20, 0}, white, rect,
                 text_format::singleline | text_format::bottom | text_format::right, "12345");
    Ink ink = ink_of(right);
    EXPECT_GE(ink.right, 180);
    EXPECT_LT(ink.right, 190);
    EXPECT_GE(ink.bottom, 80);
    EXPECT_LT(ink.bottom, 90);

    Surface top_left = ground_surface(200, 100);
    draw_text_on(top_left, Font{20, 0}, white, rect, text_format::left | text_format::top, "12345");
    ink = ink_of(top_left);
    EXPECT_LE(ink.left, 14);
    EXPECT_LE(ink.top, 16);

    Surface centre = ground_surface(200, 100);
    draw_text_on(centre, Font{20, 0}, white, rect, text_format::center, "12345");
    ink = ink_of(centre);
    EXPECT_NEAR((ink.left + ink.right) / 2.0, 100.0, 4.0);
    EXPECT_LE(ink.top, 16);  // centred across only: a text of lines stays at the top
}

TEST(QtText, WordbreakWrapsJapaneseWithinTheWidth) {
    Rect rect{0, 0, 200, 300};
    Surface clipped = ground_surface(200, 300);
    draw_text_on(clipped, Font{14, 128}, white, rect, text_format::left, long_japanese);
    Surface wrapped = ground_surface(200, 300);
    draw_text_on(wrapped, Font{14, 128}, white, rect, text_format::wordbreak, long_japanese);

    EXPECT_EQ(ink_of(clipped).bands, 1);
    Ink ink = ink_of(wrapped);
    EXPECT_GE(ink.bands, 3);
    // Nothing is lost at the right edge: the wrapped text shows far more ink than the clipped line.
    EXPECT_GT(ink.pixels, ink_of(clipped).pixels * 2);
}

TEST(QtText, CarriageReturnAloneBreaksTheLine) {
    Rect rect{0, 0, 200, 100};
    Surface one = ground_surface(200, 100);
    draw_text_on(one, Font{14, 128}, white, rect, text_format::left, "あいう\rかきく");
    Surface two = ground_surface(200, 100);
    draw_text_on(two, Font{14, 128}, white, rect, text_format::left, "あいう\r\rかきく");

    EXPECT_EQ(ink_of(one).bands, 2);
    EXPECT_EQ(ink_of(two).bands, 2);
    // Two carriage returns leave an empty line between the two.
    EXPECT_GE(ink_of(two).bottom - ink_of(one).bottom, 12);
}

TEST(QtText, EachGameFontIsAsTallAsItsHeightAndNameLettersKeepTheirPitch) {
    const Fonts fonts;
    for (const Font& font : {fonts.score_font, fonts.text_font, fonts.heading_font, fonts.name_font}) {
        const QFont qfont = game_qfont(font);
        const QFontMetrics metrics(qfont);
        EXPECT_EQ(metrics.ascent() + metrics.descent(), font.height) << "font of height " << font.height;
        EXPECT_EQ(QFontInfo(qfont).family(), font.charset == 0 ? panel_font_family : game_font_family)
            << "the face is not installed";
    }
    // Typed name letters stand 40 pixels apart: the widest stay within their own pitch.
    for (const char* letter : {"W", "M", "Ｗ"}) {
        Surface surface = ground_surface(100, 60);
        draw_text_on(surface, fonts.name_font, white, Rect{0, 0, 90, 50}, text_format::vcenter, letter);
        EXPECT_LT(ink_of(surface).right, 40) << letter;
    }
}

TEST(QtText, PanelNumbersUpToTheirCapsFitTheirBoxesWhole) {
    const Fonts fonts;
    const unsigned format = text_format::singleline | text_format::bottom | text_format::right;
    struct Case {
        Rect box;
        const char* text;
    };
    // The score's cap, and the 16-bit caps of the level and the chain counts.
    for (Case c : {Case{{25, 65, 110, 90}, "999999999"}, Case{{360, 65, 440, 90}, "32767"},
                   Case{{380, 305, 460, 330}, "32767"}}) {
        Surface boxed = ground_surface(500, 400);
        draw_text_on(boxed, fonts.score_font, white, c.box, format, c.text);
        // The same text in a box with room to spare on every side, its bottom right corner 20
        // pixels further on, lands on the same pixels 20 pixels further on: nothing was cut.
        constexpr int shift = 20;
        Surface roomy = ground_surface(500, 400);
        draw_text_on(roomy, fonts.score_font, white,
                     Rect{c.box.left - 100, c.box.top - 40, c.box.right + shift, c.box.bottom + shift}, format, c.text);
        EXPECT_GT(ink_of(boxed).pixels, 20) << c.text;
        EXPECT_EQ(ink_of(boxed).pixels, ink_of(roomy).pixels) << c.text;
        int differing = 0;
        for (int y = 0; y + shift < 400; ++y)
            for (int x = 0; x + shift < 500; ++x)
                differing += boxed.bitmap.rgb_row(y)[x] != roomy.bitmap.rgb_row(y + shift)[x + shift];
        EXPECT_EQ(differing, 0) << c.text;
    }
}

TEST(QtText, SurfacesWithoutColourPixelsAreLeftAlone) {
    Surface indexed;
    indexed.bitmap = Bitmap::indexed(50, 20, Palette{});
    draw_text_on(indexed, Font{14, 128}, white, Rect{0, 0, 50, 20}, text_format::left, "abc");
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 50; ++x) ASSERT_EQ(indexed.bitmap.index_row(y)[x], 0);

    // A rectangle that lies partly or wholly outside the surface is clipped, never overrun.
    Surface small = ground_surface(30, 30);
    draw_text_on(small, Font{20, 0}, white, Rect{-10, -10, 400, 400}, text_format::left, "WWWWWWWW\rWWWW");
    draw_text_on(small, Font{20, 0}, white, Rect{100, 100, 200, 200}, text_format::left, "W");
    EXPECT_GT(ink_of(small).pixels, 0);
}

// Text drawn again with the same arguments onto the same pixels reuses its last drawing; onto other
// pixels (here the text itself, whose soft edges darken when drawn twice) it must be drawn anew.
// A surface one pixel wider gives the same text without the reuse, as the reference.
TEST(QtText, ARedrawnTextMatchesAFreshDrawingWhateverLiesBeneath) {
    const Rect rect{10, 10, 190, 60};
    const std::string text = "得点 1234567";
    auto draw_twice = [&](int width, Surface& once) {
        Surface surface = ground_surface(width, 80);
        draw_text_on(surface, Font{20, 0}, Colour{255, 255, 0}, rect, text_format::right, text);
        once = surface;
        draw_text_on(surface, Font{20, 0}, Colour{255, 255, 0}, rect, text_format::right, text);
        return surface;
    };
    Surface first_once, again_once, reference_once;
    Surface first = draw_twice(200, first_once);
    Surface again = draw_twice(200, again_once);  // every drawing now has one to reuse
    Surface reference = draw_twice(201, reference_once);
    int doubled = 0;
    for (int y = 0; y < 80; ++y) {
        for (int x = 0; x < 200; ++x) {
            const std::uint32_t expected_once = reference_once.bitmap.rgb_row(y)[x];
            const std::uint32_t expected = reference.bitmap.rgb_row(y)[x];
            ASSERT_EQ(first_once.bitmap.rgb_row(y)[x], expected_once) << x << ", " << y;
            ASSERT_EQ(again_once.bitmap.rgb_row(y)[x], expected_once) << x << ", " << y;
            ASSERT_EQ(first.bitmap.rgb_row(y)[x], expected) << x << ", " << y;
            ASSERT_EQ(again.bitmap.rgb_row(y)[x], expected) << x << ", " << y;
            doubled += expected != expected_once;
        }
    }
    EXPECT_GT(doubled, 0) << "the second drawing changes the soft edges";
}

}  // namespace
}  // namespace kelvora
