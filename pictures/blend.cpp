// The story's blend: colour copies of both rectangles mixed byte by byte, then put back through
// a monochrome mask so that the source's background leaves the destination untouched.
#include "pictures/blend.hpp"

#include <algorithm>
#include <cstdint>

namespace kelvora {

namespace {

constexpr Colour flood_colour{255, 0, 0};
constexpr int strip_pixels = 16384;  // 64 KB per colour copy

// s + ((d - s) * alpha) / 256 for every byte of the pixels (the unused top byte stays 0), the
// division truncating towards zero: a difference of -1 at alpha 128 leaves s. Truncation is
// the magnitude's floor with the sign put back, which keeps the products within 16 bits
// (255 * 256) for the vector unit.
void mix_pixels(Bitmap& destination, const Bitmap& source, int rows, int alpha) {
    const std::size_t count = std::size_t(destination.width()) * rows * 4;
    auto* d = reinterpret_cast<std::uint8_t*>(destination.rgb_row(0));
    const auto* s = reinterpret_cast<const std::uint8_t*>(source.rgb_row(0));
    const auto weight = std::uint16_t(alpha);
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint16_t dv = d[i], sv = s[i];
        const auto up = std::uint16_t(std::uint16_t((dv - sv) * weight) >> 8);
        const auto down = std::uint16_t(std::uint16_t((sv - dv) * weight) >> 8);
        d[i] = std::uint8_t(dv >= sv ? sv + up : sv - down);
    }
}

void fill_mask(Bitmap& mask, std::uint8_t value) {
    for (int y = 0; y < mask.height(); ++y) std::fill_n(mask.index_row(y), mask.width(), value);
}

}  // namespace

void blend_rect(Surface& dest, int x, int y, int width, int height, Surface& source, int source_x,
                int source_y, int alpha, const BlendKey& key) {
    if (width <= 0 || height <= 0 || dest.bitmap.empty() || source.bitmap.empty()) return;
    // Out of range, a byte would spill into its neighbour; the nearest weight is meant.
    alpha = std::clamp(alpha, 0, 256);

    // The mask: 1 keeps the destination. A border mask needs the whole rectangle at once; a plain
    // one is made strip by strip. Pixels the source does not cover stay background.
    Surface whole_mask;
    if (!key.plain) {
        whole_mask.bitmap = Bitmap::mono(width, height);
        fill_mask(whole_mask.bitmap, 1);
        border_mask(whole_mask, source, source_x, source_y, width, height);
    }

    // Every step works pixel by pixel, so the rectangle is done in strips of rows whose scratch
    // copies stay small and warm in the cache instead of being made afresh at full size.
    const int strip = std::clamp(strip_pixels / width, 1, height);
    Surface colour{Bitmap::rgb(width, strip)};
    Surface source_copy{Bitmap::rgb(width, strip)};
    Surface mask{key.plain ? Bitmap::mono(width, strip) : Bitmap{}};
    // ANDed with the mask, the blend keeps its colour where the mask is 0 (white) and turns black
    // where it is 1 (black). On the destination the mask's 1 is white and keeps what is there,
    // its 0 black, clearing the pixel for the blend that is ORed in after.
    colour.background = black;
    colour.text_colour = white;
    const Colour old_background = dest.background, old_text = dest.text_colour;
    dest.background = white;
    dest.text_colour = black;
    for (int top = 0; top < height; top += strip) {
        const int rows = std::min(strip, height - top);
        // Colour copies of both rectangles. The source copy starts as the destination's, so a
        // part that the source does not cover blends to the destination unchanged.
        bit_blt(colour, 0, 0, width, rows, dest, x, y + top, Rop::srccopy);
        const bool covered = source_x >= 0 && source_y + top >= 0 && source_x + width <= source.width() &&
                             source_y + top + rows <= source.height();
        if (!covered) bit_blt(source_copy, 0, 0, width, rows, colour, 0, 0, Rop::srccopy);
        bit_blt(source_copy, 0, 0, width, rows, source, source_x, source_y + top, Rop::srccopy);

        if (key.plain) {
            if (!covered) fill_mask(mask.bitmap, 1);
            const Colour source_background = source.background;
            source.background = key.colour;  // colour -> 1 bit: exactly the key's pixels become 1
            bit_blt(mask, 0, 0, width, rows, source, source_x, source_y + top, Rop::srccopy);
            source.background = source_background;
        }
        const Surface& strip_mask = key.plain ? mask : whole_mask;
        const int mask_top = key.plain ? 0 : top;

        mix_pixels(colour.bitmap, source_copy.bitmap, rows, alpha);
        bit_blt(colour, 0, 0, width, rows, strip_mask, 0, mask_top, Rop::srcand);
        bit_blt(dest, x, y + top, width, rows, strip_mask, 0, mask_top, Rop::srcand);
        bit_blt(dest, x, y + top, width, rows, colour, 0, 0, Rop::srcpaint);
    }
    dest.background = old_background;
    dest.text_colour = old_text;
}

Colour border_mask(Surface& mask, Surface& source, int source_x, int source_y, int width, int height) {
    const Colour key = get_pixel(source, source_x, source_y);
    if (width <= 0 || height <= 0) return key;

    // Key-coloured pixels become 1.
    const Colour old_background = source.background;
    source.background = key;
    bit_blt(mask, 0, 0, width, height, source, source_x, source_y, Rop::srccopy);
    source.background = old_background;

    // On a colour scratch copy the key's pixels are black, all others white.
    Surface scratch{Bitmap::rgb(width, height)};
    scratch.background = black;
    scratch.text_colour = white;
    bit_blt(scratch, 0, 0, width, height, mask, 0, 0, Rop::srccopy);

    // Every black region the edge touches is filled red, once: after its fill none of its edge
    // pixels is black any more.
    auto fill_from = [&](int px, int py) {
        if (get_pixel(scratch, px, py) == black) flood_fill_surface(scratch, px, py, black, flood_colour);
    };
    for (int px = 0; px < width; ++px) {
        fill_from(px, 0);
        fill_from(px, height - 1);
    }
    for (int py = 0; py < height; ++py) {
        fill_from(0, py);
        fill_from(width - 1, py);
    }

    // Only the red regions are background; enclosed key-coloured holes stay in the picture.
    scratch.background = flood_colour;
    bit_blt(mask, 0, 0, width, height, scratch, 0, 0, Rop::srccopy);
    return key;
}

}  // namespace kelvora
