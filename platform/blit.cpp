// Block transfers: format conversion of the source, then the raster operation, clipped to both
// bitmaps.
#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/raster.hpp"
#include "platform/raster_convert.hpp"

namespace kelvora {
namespace raster_detail {

Converter::Converter(const Surface& dst, const Surface& src, long long pixels)
    : src_(src.bitmap), dst_depth_(dst.bitmap.depth()) {
    const Bitmap& s = src.bitmap;
    const int entries = s.depth() == 1 ? 2 : 256;
    if (dst_depth_ == 32) {
        if (s.depth() == 1) {
            to_rgb_[0] = dst.text_colour.packed();
            to_rgb_[1] = dst.background.packed();
        } else if (s.depth() == 8 && pixels >= 4096) {
            // Small tiles read the table directly: a lookup table would cost more than they do.
            for (int i = 0; i < 256; ++i) to_rgb_[i] = s.palette()[i].packed();
            rgb_table_ = true;
        }
    } else if (dst_depth_ == 8) {
        const Palette& table = dst.bitmap.palette();
        if (s.depth() == 1) {
            to_index_[0] = nearest_index(table, 256, dst.text_colour);
            to_index_[1] = nearest_index(table, 256, dst.background);
        } else if (s.depth() == 8) {
            // The same colour table copies the indexes; another one is matched colour by colour.
            if (s.palette() == table) {
                for (int i = 0; i < 256; ++i) to_index_[i] = std::uint8_t(i);
            } else {
                NearestColourMap map(table, 256);
                for (int i = 0; i < entries; ++i) to_index_[i] = map(s.palette()[i]);
            }
        } else {
            nearest_.emplace(table, 256);
        }
    } else if (dst_depth_ == 1) {
        if (s.depth() == 1) {
            to_index_[1] = 1;
        } else if (s.depth() == 8) {
            for (int i = 0; i < 256; ++i) to_index_[i] = s.palette()[i] == src.background ? 1 : 0;
        } else {
            src_background_ = src.background.packed();
        }
    }
}

void Converter::row32(int sy, int sx, int n, std::uint32_t* out) const {
    if (src_.depth() == 32) {
        const std::uint32_t* in = src_.rgb_row(sy) + sx;
        for (int i = 0; i < n; ++i) out[i] = in[i] & 0x00FFFFFFu;
    } else if (src_.depth() == 1) {
        // Masks are most of what is converted from 1 bit: a select, which vectorises.
        const std::uint8_t* in = src_.index_row(sy) + sx;
        const std::uint32_t zero = to_rgb_[0], one = to_rgb_[1];
        for (int i = 0; i < n; ++i) out[i] = in[i] ? one : zero;
    } else if (src_.depth() == 8 && !rgb_table_) {
        const std::uint8_t* in = src_.index_row(sy) + sx;
        const Palette& table = src_.palette();
        for (int i = 0; i < n; ++i) out[i] = table[in[i]].packed();
    } else {
        const std::uint8_t* in = src_.index_row(sy) + sx;
        for (int i = 0; i < n; ++i) out[i] = to_rgb_[in[i]];
    }
}

void Converter::row8(int sy, int sx, int n, std::uint8_t* out) const {
    if (src_.depth() != 32) {
        const std::uint8_t* in = src_.index_row(sy) + sx;
        for (int i = 0; i < n; ++i) out[i] = to_index_[in[i]];
    } else if (dst_depth_ == 8) {
        nearest_->map_row(src_.rgb_row(sy) + sx, out, n);
    } else {
        const std::uint32_t* in = src_.rgb_row(sy) + sx;
        for (int i = 0; i < n; ++i) out[i] = (in[i] & 0x00FFFFFFu) == src_background_ ? 1 : 0;
    }
}

template <typename T>
static void apply_rop_impl(T* d, const T* s, int n, Rop rop, T mask) {
    switch (rop) {
    case Rop::srccopy: for (int i = 0; i < n; ++i) d[i] = T(s[i] & mask); break;
    case Rop::srcand: for (int i = 0; i < n; ++i) d[i] = T(s[i] & d[i] & mask); break;
    case Rop::srcpaint: for (int i = 0; i < n; ++i) d[i] = T((s[i] | d[i]) & mask); break;
    case Rop::srcinvert: for (int i = 0; i < n; ++i) d[i] = T((s[i] ^ d[i]) & mask); break;
    case Rop::srcerase: for (int i = 0; i < n; ++i) d[i] = T(s[i] & ~d[i] & mask); break;
    case Rop::blackness: std::fill_n(d, n, T(0)); break;
    }
}

void apply_rop(std::uint32_t* d, const std::uint32_t* s, int n, Rop rop, std::uint32_t mask) {
    apply_rop_impl(d, s, n, rop, mask);
}
void apply_rop(std::uint8_t* d, const std::uint8_t* s, int n, Rop rop, std::uint8_t mask) {
    apply_rop_impl(d, s, n, rop, mask);
}

std::uint32_t stored_value(const Surface& surface, Colour colour) {
    switch (surface.bitmap.depth()) {
    case 1: return colour == surface.background ? 1 : 0;
    case 8: return nearest_index(surface.bitmap.palette(), 256, colour);
    default: return colour.packed();
    }
}

}  // namespace raster_detail

using namespace raster_detail;

namespace {

// The part of a span [start, start + length) of one axis that lies inside [0, limit) on both
// the destination and the source side; false when nothing is left.
bool clip_axis(int& d, int& s, int& length, int d_limit, int s_limit) {
    if (length <= 0) return false;
    long long d0 = d, s0 = s, len = length;
    const long long shift = std::max({0LL, -d0, -s0});
    d0 += shift;
    s0 += shift;
    len -= shift;
    len = std::min({len, (long long)d_limit - d0, (long long)s_limit - s0});
    if (len <= 0) return false;
    d = int(d0);
    s = int(s0);
    length = int(len);
    return true;
}

}  // namespace

bool bit_blt(Surface& dst, int x, int y, int w, int h, const Surface* src, int sx, int sy, Rop rop) {
    Bitmap& d = dst.bitmap;
    if (d.empty()) return false;
    if (rop == Rop::blackness) {
        int ox = x, oy = y;  // no source: clip to the destination only
        if (!clip_axis(x, ox, w, d.width(), d.width()) || !clip_axis(y, oy, h, d.height(), d.height())) return true;
        const TrackedDrawing tracked(d, x, y, w, h);
        for (int row = y; row < y + h; ++row) {
            if (d.depth() == 32)
                std::fill_n(d.rgb_row(row) + x, w, 0u);
            else
                std::fill_n(d.index_row(row) + x, w, std::uint8_t(0));
        }
        return true;
    }
    if (src == nullptr || src->bitmap.empty()) return false;
    // A copy within one bitmap reads from a snapshot, so overlapping blocks move as a whole.
    Surface snapshot;
    if (&src->bitmap == &d) {
        snapshot = *src;
        src = &snapshot;
    }
    const Bitmap& s = src->bitmap;
    if (!clip_axis(x, sx, w, d.width(), s.width()) || !clip_axis(y, sy, h, d.height(), s.height())) return true;
    const TrackedDrawing tracked(d, x, y, w, h);

    if (rop == Rop::srccopy && d.depth() == 32 && s.depth() != 1) {
        // Plain copies onto colour are most of every frame: straight into the destination.
        std::array<std::uint32_t, 256> lookup;
        if (s.depth() == 8)
            for (int i = 0; i < 256; ++i) lookup[i] = s.palette()[i].packed();
        for (int row = 0; row < h; ++row) {
            std::uint32_t* out = d.rgb_row(y + row) + x;
            if (s.depth() == 32) {
                const std::uint32_t* in = s.rgb_row(sy + row) + sx;
                for (int i = 0; i < w; ++i) out[i] = in[i] & 0x00FFFFFFu;
            } else {
                const std::uint8_t* in = s.index_row(sy + row) + sx;
                for (int i = 0; i < w; ++i) out[i] = lookup[in[i]];
            }
        }
        return true;
    }
    if (d.depth() == 32 && s.depth() == 32) {
        // Colour onto colour needs no conversion: the operation's mask drops the top byte.
        for (int row = 0; row < h; ++row) apply_rop(d.rgb_row(y + row) + x, s.rgb_row(sy + row) + sx, w, rop, 0x00FFFFFFu);
    } else if (d.depth() == 32) {
        // 1- and 8-bit pixels onto colour: the conversion (a select for masks, a look-up of the
        // colour table otherwise) runs in the operation's own loop. Small tiles read the table
        // as it is: packing it first would cost more than they do.
        const bool packed_table = s.depth() == 8 && (long long)w * h >= 4096;
        std::array<std::uint32_t, 256> colours{};
        if (packed_table)
            for (int i = 0; i < 256; ++i) colours[i] = s.palette()[i].packed();
        const Palette& table = s.palette();
        auto rows = [&](auto op) {
            const std::uint32_t zero = dst.text_colour.packed(), one = dst.background.packed();
            for (int row = 0; row < h; ++row) {
                std::uint32_t* out = d.rgb_row(y + row) + x;
                const std::uint8_t* in = s.index_row(sy + row) + sx;
                if (s.depth() == 1) {
                    for (int i = 0; i < w; ++i) out[i] = op(in[i] ? one : zero, out[i]) & 0x00FFFFFFu;
                } else if (packed_table) {
                    for (int i = 0; i < w; ++i) out[i] = op(colours[in[i]], out[i]) & 0x00FFFFFFu;
                } else {
                    for (int i = 0; i < w; ++i) out[i] = op(table[in[i]].packed(), out[i]) & 0x00FFFFFFu;
                }
            }
        };
        switch (rop) {
        case Rop::srccopy: rows([](std::uint32_t v, std::uint32_t) { return v; }); break;
        case Rop::srcand: rows([](std::uint32_t v, std::uint32_t o) { return v & o; }); break;
        case Rop::srcpaint: rows([](std::uint32_t v, std::uint32_t o) { return v | o; }); break;
        case Rop::srcinvert: rows([](std::uint32_t v, std::uint32_t o) { return v ^ o; }); break;
        case Rop::srcerase: rows([](std::uint32_t v, std::uint32_t o) { return v & ~o; }); break;
        case Rop::blackness: break;  // handled above, without a source
        }
    } else {
        const Converter convert(dst, *src, (long long)w * h);
        const std::uint8_t mask = d.depth() == 1 ? 1 : 0xFF;
        std::vector<std::uint8_t> run(static_cast<std::size_t>(w));
        for (int row = 0; row < h; ++row) {
            convert.row8(sy + row, sx, w, run.data());
            apply_rop(d.index_row(y + row) + x, run.data(), w, rop, mask);
        }
    }
    return true;
}

bool palette_blt(Surface& dst, int x, int y, int w, int h, const Bitmap& indexes, const Palette& colours) {
    Bitmap& d = dst.bitmap;
    if (d.empty() || indexes.depth() != 8) return false;
    int sx = 0, sy = 0;
    if (!clip_axis(x, sx, w, d.width(), indexes.width()) || !clip_axis(y, sy, h, d.height(), indexes.height()))
        return true;
    std::array<std::uint32_t, 256> lookup{};
    for (int i = 0; i < 256; ++i) lookup[i] = stored_value(dst, colours[i]);
    for (int row = 0; row < h; ++row) {
        const std::uint8_t* in = indexes.index_row(sy + row) + sx;
        if (d.depth() == 32) {
            std::uint32_t* out = d.rgb_row(y + row) + x;
            for (int i = 0; i < w; ++i) out[i] = lookup[in[i]];
        } else {
            std::uint8_t* out = d.index_row(y + row) + x;
            for (int i = 0; i < w; ++i) out[i] = std::uint8_t(lookup[in[i]]);
        }
    }
    return true;
}

}  // namespace kelvora
