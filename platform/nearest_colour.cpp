// Exact nearest-colour search: smallest squared RGB distance, the lowest index on a tie, as the
// system's colour matching does when a picture is copied into an 8-bit bitmap.
#include <algorithm>
#include <array>

#include "platform/raster.hpp"

namespace kelvora {
namespace {

int distance2(Colour a, int r, int g, int b) {
    const int dr = a.r - r, dg = a.g - g, db = a.b - b;
    return dr * dr + dg * dg + db * db;
}

// Squared distance from c to the nearest and the farthest point of [lo, hi] on one axis.
int axis_min2(int c, int lo, int hi) {
    const int d = c < lo ? lo - c : c > hi ? c - hi : 0;
    return d * d;
}
int axis_max2(int c, int lo, int hi) {
    const int d = std::max(c - lo, hi - c);
    return d * d;
}

}  // namespace

std::uint8_t nearest_index(const Palette& palette, int count, Colour colour) {
    count = std::clamp(count, 0, 256);
    int best = 0;
    int best_distance = 0x7FFFFFFF;
    for (int i = 0; i < count; ++i) {
        const int d = distance2(palette[i], colour.r, colour.g, colour.b);
        if (d < best_distance) {
            best_distance = d;
            best = i;
        }
    }
    return std::uint8_t(best);
}

NearestColourMap::NearestColourMap(const Palette& palette, int count)
    : palette_(palette),
      count_(std::clamp(count, 0, 256)),
      cells_(std::size_t(cells_per_axis) * cells_per_axis * cells_per_axis),
      coarse_(std::size_t(coarse_per_axis) * coarse_per_axis * coarse_per_axis) {}

// Keeps the candidates that can be nearest somewhere in the cube: an entry whose closest point
// is farther than some other entry's farthest point never wins (nor ties) inside it.
void NearestColourMap::build_list(int r0, int g0, int b0, int span, const std::uint8_t* candidates, int count,
                                  std::vector<std::uint8_t>& out) const {
    const int r1 = r0 + span - 1, g1 = g0 + span - 1, b1 = b0 + span - 1;
    std::array<int, 256> min2{};
    int bound = 0x7FFFFFFF;
    for (int k = 0; k < count; ++k) {
        const Colour c = palette_[candidates[k]];
        min2[k] = axis_min2(c.r, r0, r1) + axis_min2(c.g, g0, g1) + axis_min2(c.b, b0, b1);
        bound = std::min(bound, axis_max2(c.r, r0, r1) + axis_max2(c.g, g0, g1) + axis_max2(c.b, b0, b1));
    }
    for (int k = 0; k < count; ++k)
        if (min2[k] <= bound) out.push_back(candidates[k]);
}

const NearestColourMap::CellList& NearestColourMap::cell(int r, int g, int b) const {
    const int cr = r >> cell_bits, cg = g >> cell_bits, cb = b >> cell_bits;
    CellList& fine = cells_[(std::size_t(cr) * cells_per_axis + cg) * cells_per_axis + cb];
    if (fine.built) return fine;

    const int qr = r >> coarse_bits, qg = g >> coarse_bits, qb = b >> coarse_bits;
    CellList& coarse = coarse_[(std::size_t(qr) * coarse_per_axis + qg) * coarse_per_axis + qb];
    std::array<std::uint8_t, 256> candidates{};
    if (!coarse.built) {
        for (int i = 0; i < count_; ++i) candidates[i] = std::uint8_t(i);
        coarse.start = std::uint32_t(pool_.size());
        build_list(qr << coarse_bits, qg << coarse_bits, qb << coarse_bits, 1 << coarse_bits, candidates.data(),
                   count_, pool_);
        coarse.size = std::uint16_t(pool_.size() - coarse.start);
        coarse.built = true;
    }
    // The pool may move while the fine list is appended, so work from a copy.
    std::copy_n(pool_.begin() + coarse.start, coarse.size, candidates.begin());
    fine.start = std::uint32_t(pool_.size());
    build_list(cr << cell_bits, cg << cell_bits, cb << cell_bits, 1 << cell_bits, candidates.data(), coarse.size,
               pool_);
    fine.size = std::uint16_t(pool_.size() - fine.start);
    fine.built = true;
    return fine;
}

std::uint8_t NearestColourMap::lookup(std::uint32_t packed) const {
    packed &= 0x00FFFFFFu;
    if (packed == last_colour_) return last_index_;
    if (count_ == 0) return 0;
    const int r = int(packed >> 16), g = int((packed >> 8) & 0xFF), b = int(packed & 0xFF);
    const CellList& list = cell(r, g, b);
    const std::uint8_t* candidates = pool_.data() + list.start;
    std::uint8_t best = candidates[0];
    int best_distance = distance2(palette_[best], r, g, b);
    for (int k = 1; k < list.size; ++k) {
        const int d = distance2(palette_[candidates[k]], r, g, b);
        if (d < best_distance) {  // candidates are in index order, so a tie keeps the lower index
            best_distance = d;
            best = candidates[k];
        }
    }
    last_colour_ = packed;
    last_index_ = best;
    return best;
}

void NearestColourMap::map_row(const std::uint32_t* pixels, std::uint8_t* indexes, int n) const {
    for (int i = 0; i < n; ++i) indexes[i] = lookup(pixels[i]);
}

}  // namespace kelvora
