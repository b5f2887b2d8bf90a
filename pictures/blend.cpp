// The story's blend: colour copies of both rectangles mixed byte by byte, then put back through
// a monochrome mask so that the source's background leaves the destination untouched.
#include "pictures/blend.hpp"

#include <algorithm>
#include <cstdint>

namespace kelvora {

namespace {

constexpr Colour flood_colour{255, 0, 0};

// s + ((d - s) * alpha) / 256 for the three colour bytes of every pixel; C++ division truncates
// towards zero, so a difference of -1 at alpha 128 leaves s.
void mix_pixels(Bitmap& destination, const Bitmap& source, int alpha) {
    const std::size_t count = std::size_t(destination.width()) * destination.height();
    std::uint32_t* d = destination.rgb_row(0);
    const std::uint32_t* s = source.rgb_row(0);
    for (std::size_t i = 0; i < count; ++i) {
        std::uint32_t out = 0;
        for (int shift = 0; shift <= 16; shift += 8) {
            const int db = int((d[i] >> shift) & 0xFF), sb = int((s[i] >> shift) & 0xFF);
            out |= std::uint32_t(sb + ((db - sb) * alpha) / 256) << shift;
        }
        d[i] = out;
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

    // Colour copies of both rectangles. The source copy starts as the destination's, so a part of
    // the rectangle that the source does not cover blends to the destination unchanged.
    Surface colour{Bitmap::rgb(width, height)};
    bit_blt(colour, 0, 0, width, height, dest, x, y, Rop::srccopy);
    Surface source_copy{colour.bitmap};
    bit_blt(source_copy, 0, 0, width, height, source, source_x, source_y, Rop::srccopy);

    // The mask: 1 keeps the destination. It starts all background, for the same uncovered parts.
    Surface mask{Bitmap::mono(width, height)};
    fill_mask(mask.bitmap, 1);
    if (key.plain) {
        const Colour old_background = source.background;
        source.background = key.colour;  // colour -> 1 bit: exactly the key's pixels become 1
        bit_blt(mask, 0, 0, width, height, source, source_x, source_y, Rop::srccopy);
        source.background = old_background;
    } else {
        border_mask(mask, source, source_x, source_y, width, height);
    }

    mix_pixels(colour.bitmap, source_copy.bitmap, alpha);

    // Background pixels of the blend become black: mask 1 -> background black, 0 -> text white.
    colour.background = black;
    colour.text_colour = white;
    bit_blt(colour, 0, 0, width, height, mask, 0, 0, Rop::srcand);

    // Mask 1 -> white keeps the destination, 0 -> black clears it for the blend ORed in after.
    const Colour old_background = dest.background, old_text = dest.text_colour;
    dest.background = white;
    dest.text_colour = black;
    bit_blt(dest, x, y, width, height, mask, 0, 0, Rop::srcand);
    bit_blt(dest, x, y, width, height, colour, 0, 0, Rop::srcpaint);
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
