// Bitmap storage. The transfers live in blit.cpp and stretch.cpp, the colour search in
// nearest_colour.cpp.
#include "platform/raster.hpp"

namespace kelvora {

Bitmap Bitmap::mono(int width, int height) {
    Bitmap b;
    if (width <= 0 || height <= 0) return b;
    b.width_ = width;
    b.height_ = height;
    b.depth_ = 1;
    b.bytes_.assign(std::size_t(width) * height, 0);
    b.palette_[0] = black;
    b.palette_[1] = white;
    return b;
}

Bitmap Bitmap::indexed(int width, int height, const Palette& palette) {
    Bitmap b;
    if (width <= 0 || height <= 0) return b;
    b.width_ = width;
    b.height_ = height;
    b.depth_ = 8;
    b.bytes_.assign(std::size_t(width) * height, 0);
    b.palette_ = palette;
    return b;
}

Bitmap Bitmap::rgb(int width, int height) {
    Bitmap b;
    if (width <= 0 || height <= 0) return b;
    b.width_ = width;
    b.height_ = height;
    b.depth_ = 32;
    b.rgb_.assign(std::size_t(width) * height, 0);
    return b;
}

Colour Bitmap::colour_at(int x, int y) const {
    switch (depth_) {
    case 1: return palette_[index_row(y)[x] ? 1 : 0];
    case 8: return palette_[index_row(y)[x]];
    case 32: return Colour::from_packed(rgb_row(y)[x] & 0x00FFFFFFu);
    default: return black;
    }
}

}  // namespace kelvora
