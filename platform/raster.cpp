// Bitmap storage, pixel reads, fills and the surface flood fill. The transfers live in blit.cpp
// and stretch.cpp, the colour search in nearest_colour.cpp.
#include "platform/raster.hpp"

#include <algorithm>
#include <atomic>
#include <vector>

#include "platform/raster_convert.hpp"

namespace kelvora {

void Backdrop::reset(std::uint64_t backdrop_id, std::uint64_t backdrop_version, int area_width, int area_height) {
    id = backdrop_id;
    version = backdrop_version;
    width = area_width;
    height = area_height;
    marked.assign(std::size_t(columns()) * rows(), 0);
}

void Backdrop::mark(int x, int y, int w, int h) {
    const int x0 = std::max(x, 0), y0 = std::max(y, 0);
    const int x1 = int(std::min<long long>((long long)x + w, width));
    const int y1 = int(std::min<long long>((long long)y + h, height));
    if (x0 >= x1 || y0 >= y1) return;
    for (int ty = y0 / tile; ty <= (y1 - 1) / tile; ++ty)
        std::fill_n(marked.begin() + std::ptrdiff_t(ty) * columns() + x0 / tile, (x1 - 1) / tile - x0 / tile + 1,
                    std::uint8_t(1));
}

std::uint64_t Bitmap::new_id() {
    // Drawing happens on one thread, but tests and tools make bitmaps on others.
    static std::atomic<std::uint64_t> next{1};
    return next.fetch_add(1, std::memory_order_relaxed);
}

Bitmap::Bitmap(const Bitmap& other)
    : width_(other.width_), height_(other.height_), depth_(other.depth_), bytes_(other.bytes_), rgb_(other.rgb_),
      palette_(other.palette_) {
    if (!empty()) id_ = new_id();
}

Bitmap::Bitmap(Bitmap&& other) noexcept { *this = std::move(other); }

Bitmap& Bitmap::operator=(const Bitmap& other) {
    if (this != &other) *this = Bitmap(other);
    return *this;
}

Bitmap& Bitmap::operator=(Bitmap&& other) noexcept {
    if (this == &other) return *this;
    width_ = other.width_;
    height_ = other.height_;
    depth_ = other.depth_;
    bytes_ = std::move(other.bytes_);
    rgb_ = std::move(other.rgb_);
    palette_ = other.palette_;
    id_ = empty() ? 0 : new_id();
    version_ = accounted_ = 0;
    backdrop_.forget();
    other.width_ = other.height_ = other.depth_ = 0;
    other.bytes_.clear();
    other.rgb_.clear();
    other.id_ = 0;
    other.version_ = other.accounted_ = 0;
    other.backdrop_.forget();
    return *this;
}

TrackedDrawing::TrackedDrawing(Bitmap& bitmap, int x, int y, int w, int h) : bitmap_(bitmap) {
    Backdrop& backdrop = bitmap.backdrop_;
    if (bitmap.version_ != bitmap.accounted_)
        backdrop.forget();
    else if (backdrop.known())
        backdrop.mark(x, y, w, h);
}

Bitmap Bitmap::sized(int width, int height, int depth) {
    Bitmap b;
    if (width <= 0 || height <= 0) return b;
    b.width_ = width;
    b.height_ = height;
    b.depth_ = depth;
    b.id_ = new_id();
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
    const TrackedDrawing tracked(b, x0, y0, x1 - x0, y1 - y0);
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
