// Bitmap storage, pixel reads, fills and the surface flood fill. The transfers live in blit.cpp
// and stretch.cpp, the colour search in nearest_colour.cpp.
#include "platform/raster.hpp"

#include <algorithm>
#include <vector>

#include "platform/raster_convert.hpp"

namespace kelvora {

Bitmap Bitmap::sized(int width, int height, int depth) {
    Bitmap b;
    if (width <= 0 || height <= 0) return b;
    b.width_ = width;
    b.height_ = height;
    b.depth_ = depth;
    if (depth == 32)
        b.rgb_.assign(std::size_t(width) * height, 0);
    else
        b.bytes_.assign(std::size_t(width) * height, 0);
    return b;
}

Bitmap Bitmap::mono(int width, int height) {
    Bitmap b = sized(width, height, 1);
    if (!b.empty()) {
        b.palette_[0] = black;
        b.palette_[1] = white;
    }
    return b;
}

Bitmap Bitmap::indexed(int width, int height, const Palette& palette) {
    Bitmap b = sized(width, height, 8);
    if (!b.empty()) b.palette_ = palette;
    return b;
}

Bitmap Bitmap::rgb(int width, int height) { return sized(width, height, 32); }

Colour Bitmap::colour_at(int x, int y) const {
    switch (depth_) {
    case 1: return palette_[index_row(y)[x] ? 1 : 0];
    case 8: return palette_[index_row(y)[x]];
    case 32: return Colour::from_packed(rgb_row(y)[x] & 0x00FFFFFFu);
    default: return black;
    }
}

void fill_rect(Surface& dst, int x, int y, int w, int h, Colour colour) {
    Bitmap& b = dst.bitmap;
    if (b.empty() || w <= 0 || h <= 0) return;
    const int x0 = std::max(x, 0), y0 = std::max(y, 0);
    const int x1 = int(std::min<long long>((long long)x + w, b.width()));
    const int y1 = int(std::min<long long>((long long)y + h, b.height()));
    if (x0 >= x1 || y0 >= y1) return;
    const std::uint32_t value = raster_detail::stored_value(dst, colour);
    for (int row = y0; row < y1; ++row) {
        if (b.depth() == 32)
            std::fill(b.rgb_row(row) + x0, b.rgb_row(row) + x1, value);
        else
            std::fill(b.index_row(row) + x0, b.index_row(row) + x1, std::uint8_t(value));
    }
}

Colour get_pixel(const Surface& surface, int x, int y) {
    const Bitmap& b = surface.bitmap;
    if (b.empty() || x < 0 || y < 0 || x >= b.width() || y >= b.height()) return black;
    return b.colour_at(x, y);
}

// Scanline fill with an explicit stack: a large area must not exhaust the call stack.
bool flood_fill_surface(Surface& surface, int x, int y, Colour surface_colour, Colour fill) {
    Bitmap& b = surface.bitmap;
    if (b.empty() || x < 0 || y < 0 || x >= b.width() || y >= b.height()) return false;
    if (b.colour_at(x, y) != surface_colour) return false;
    const std::uint32_t value = raster_detail::stored_value(surface, fill);
    const int w = b.width(), h = b.height();
    // A fill that still shows the surface colour (the same colour, or the same index of a colour
    // table) marks the pixels it has filled, so that it ends. Any other fill ends by itself and
    // costs nothing beyond the area it fills.
    Colour filled_as = fill;
    if (b.depth() != 32) filled_as = b.palette()[value];
    std::vector<std::uint8_t> done;
    if (filled_as == surface_colour) done.assign(std::size_t(w) * h, 0);
    auto fillable = [&](int px, int py) {
        return (done.empty() || !done[std::size_t(py) * w + px]) && b.colour_at(px, py) == surface_colour;
    };
    auto set = [&](int px, int py) {
        if (!done.empty()) done[std::size_t(py) * w + px] = 1;
        if (b.depth() == 32)
            b.rgb_row(py)[px] = value;
        else
            b.index_row(py)[px] = std::uint8_t(value);
    };
    std::vector<std::pair<int, int>> stack{{x, y}};
    while (!stack.empty()) {
        auto [px, py] = stack.back();
        stack.pop_back();
        if (!fillable(px, py)) continue;
        int left = px, right = px;
        while (left > 0 && fillable(left - 1, py)) --left;
        while (right < w - 1 && fillable(right + 1, py)) ++right;
        for (int i = left; i <= right; ++i) set(i, py);
        for (int ny : {py - 1, py + 1}) {
            if (ny < 0 || ny >= h) continue;
            bool in_run = false;
            for (int i = left; i <= right; ++i) {
                const bool f = fillable(i, ny);
                if (f && !in_run) stack.push_back({i, ny});
                in_run = f;
            }
        }
    }
    return true;
}

}  // namespace kelvora
