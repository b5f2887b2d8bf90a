// Stretched block transfers in the default stretch mode (BLACKONWHITE): enlarging repeats
// pixels, shrinking ANDs together every source pixel that falls on one destination pixel, so thin
// black lines survive a reduction. Each axis is enlarged or shrunk on its own.
#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

#include "platform/raster.hpp"
#include "platform/raster_convert.hpp"

namespace kelvora {

using namespace raster_detail;

namespace {

struct SourceSpan {
    int first = 0;  // source pixels [first, last), relative to the clipped source block
    int last = 0;
};

// For every destination pixel d in [0, length) of one axis, the source pixels it takes, clipped
// to the source bitmap. Returns the range of d that lies in the destination and has a source.
struct AxisMap {
    std::vector<SourceSpan> spans;  // indexed by d - begin
    int begin = 0, end = 0;         // destination offsets with something to draw
    int source_begin = 0, source_end = 0;  // absolute source pixels needed
};

AxisMap map_axis(int d, int length, int dst_limit, int s, int source_length, int src_limit) {
    AxisMap m;
    m.source_begin = src_limit;
    m.source_end = 0;
    // Only destination pixels inside the destination are looked at, so a huge width costs nothing.
    const int i0 = int(std::clamp(-(long long)d, 0LL, (long long)length));
    const int i1 = int(std::clamp((long long)dst_limit - d, 0LL, (long long)length));
    int begin = -1, end = -1;
    for (int i = i0; i < i1; ++i) {
        long long a, b;
        if (length >= source_length) {
            a = (long long)i * source_length / length;
            b = a + 1;
        } else {
            a = ((long long)i * source_length + length - 1) / length;
            b = ((long long)(i + 1) * source_length + length - 1) / length;
        }
        a = std::max(a + s, 0LL);
        b = std::min(b + s, (long long)src_limit);
        if (a >= b) {
            if (begin >= 0) break;  // the spans only move forwards: nothing further has a source
            continue;
        }
        if (begin < 0) begin = i;
        end = i + 1;
        m.spans.push_back({int(a), int(b)});
        m.source_begin = std::min(m.source_begin, int(a));
        m.source_end = std::max(m.source_end, int(b));
    }
    if (begin < 0) return m;
    m.begin = begin;
    m.end = end;
    for (auto& span : m.spans) {
        span.first -= m.source_begin;
        span.last -= m.source_begin;
    }
    return m;
}

// Reused working memory: the play screen stretches hundreds of small tiles per frame.
template <typename T>
std::vector<T>& scratch(int slot, std::size_t size) {
    static thread_local std::array<std::vector<T>, 3> buffers;
    std::vector<T>& buffer = buffers[std::size_t(slot)];
    if (buffer.size() < size) buffer.resize(size);
    return buffer;
}

// ANDs the source block's rows [first, last) together, column by column.
template <typename T>
void and_rows(const std::vector<T>& block, int stride, SourceSpan rows, std::vector<T>& out) {
    std::copy_n(block.begin() + std::ptrdiff_t(rows.first) * stride, stride, out.begin());
    for (int r = rows.first + 1; r < rows.last; ++r) {
        const T* row = block.data() + std::ptrdiff_t(r) * stride;
        for (int c = 0; c < stride; ++c) out[c] &= row[c];
    }
}

template <typename T>
T and_columns(const std::vector<T>& row, SourceSpan cols) {
    T v = row[cols.first];
    for (int c = cols.first + 1; c < cols.last; ++c) v &= row[c];
    return v;
}

}  // namespace

bool stretch_blt(Surface& dst, int x, int y, int w, int h, const Surface& src, int sx, int sy, int sw, int sh,
                 Rop rop) {
    Bitmap& d = dst.bitmap;
    const Bitmap& s = src.bitmap;
    if (d.empty()) return false;
    if (rop != Rop::blackness && s.empty()) return false;
    if (rop == Rop::blackness) return bit_blt(dst, x, y, w, h, nullptr, 0, 0, rop);
    if (w <= 0 || h <= 0 || sw <= 0 || sh <= 0) return true;

    const AxisMap cols = map_axis(x, w, d.width(), sx, sw, s.width());
    const AxisMap rows = map_axis(y, h, d.height(), sy, sh, s.height());
    if (cols.begin == cols.end || rows.begin == rows.end) return true;
    const int block_w = cols.source_end - cols.source_begin;
    const int block_h = rows.source_end - rows.source_begin;
    const int out_w = cols.end - cols.begin;
    const Converter convert(dst, src, (long long)block_w * block_h);
    const TrackedDrawing tracked(d, x + cols.begin, y + rows.begin, out_w, rows.end - rows.begin);

    if (d.depth() == 32) {
        auto& block = scratch<std::uint32_t>(0, std::size_t(block_w) * block_h);
        auto& vertical = scratch<std::uint32_t>(1, std::size_t(block_w));
        auto& out = scratch<std::uint32_t>(2, std::size_t(out_w));
        for (int r = 0; r < block_h; ++r)
            convert.row32(rows.source_begin + r, cols.source_begin, block_w, block.data() + std::size_t(r) * block_w);
        for (int i = rows.begin; i < rows.end; ++i) {
            and_rows(block, block_w, rows.spans[std::size_t(i - rows.begin)], vertical);
            for (int j = 0; j < out_w; ++j) out[std::size_t(j)] = and_columns(vertical, cols.spans[std::size_t(j)]);
            apply_rop(d.rgb_row(y + i) + x + cols.begin, out.data(), out_w, rop, 0x00FFFFFFu);
        }
        return true;
    }

    auto& block = scratch<std::uint8_t>(0, std::size_t(block_w) * block_h);
    auto& vertical = scratch<std::uint8_t>(1, std::size_t(block_w));
    auto& out = scratch<std::uint8_t>(2, std::size_t(out_w));
    for (int r = 0; r < block_h; ++r)
        convert.row8(rows.source_begin + r, cols.source_begin, block_w, block.data() + std::size_t(r) * block_w);

    if (d.depth() == 1) {
        for (int i = rows.begin; i < rows.end; ++i) {
            and_rows(block, block_w, rows.spans[std::size_t(i - rows.begin)], vertical);
            for (int j = 0; j < out_w; ++j) out[std::size_t(j)] = and_columns(vertical, cols.spans[std::size_t(j)]);
            apply_rop(d.index_row(y + i) + x + cols.begin, out.data(), out_w, rop, std::uint8_t(1));
        }
        return true;
    }

    // 8-bit destination: indexes cannot be ANDed, so combined pixels are ANDed as colours and
    // matched again; a pixel taken from a single source pixel keeps its converted index.
    Surface as_colour{Bitmap::rgb(1, 1), dst.background, dst.text_colour};
    const Converter to_colour(as_colour, src, (long long)block_w * block_h);
    auto& colours = scratch<std::uint32_t>(0, std::size_t(block_w) * block_h);
    auto& vertical_colours = scratch<std::uint32_t>(1, std::size_t(block_w));
    for (int r = 0; r < block_h; ++r)
        to_colour.row32(rows.source_begin + r, cols.source_begin, block_w, colours.data() + std::size_t(r) * block_w);
    const NearestColourMap nearest(d.palette(), 256);
    for (int i = rows.begin; i < rows.end; ++i) {
        const SourceSpan row_span = rows.spans[std::size_t(i - rows.begin)];
        and_rows(block, block_w, row_span, vertical);
        and_rows(colours, block_w, row_span, vertical_colours);
        for (int j = 0; j < out_w; ++j) {
            const SourceSpan col_span = cols.spans[std::size_t(j)];
            if (row_span.last - row_span.first == 1 && col_span.last - col_span.first == 1)
                out[std::size_t(j)] = vertical[std::size_t(col_span.first)];
            else
                out[std::size_t(j)] = nearest.lookup(and_columns(vertical_colours, col_span));
        }
        apply_rop(d.index_row(y + i) + x + cols.begin, out.data(), out_w, rop, std::uint8_t(0xFF));
    }
    return true;
}

}  // namespace kelvora
