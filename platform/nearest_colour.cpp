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
      coarse_(std::size_t(coarse_per_axis) * coarse_per_axis * coarse_per_axis),
      cache_(std::size_t(1) << cache_bits, 0) {
    static_assert(((1u * 0x9E3779B1u) >> (32 - cache_bits)) != 0, "colour 1 must not belong in slot 0");
    cache_[0] = 1u << 8;
}

// Keeps the candidates that can be nearest somewhere in the cube: an entry whose closest point
// is farther than some other entry's farthest point never wins (nor ties) inside it.
void NearestColourMap::build_list(int r0, int g0, int b0, int span, const std::uint8_t* candidates, int count,
                                  bool pairwise, std::uint8_t* out, int& out_count) const {
    const int r1 = r0 + span - 1, g1 = g0 + span - 1, b1 = b0 + span - 1;
    std::array<int, 256> min2{};
    int bound = 0x7FFFFFFF;
    for (int k = 0; k < count; ++k) {
        const Colour c = palette_[candidates[k]];
        min2[k] = axis_min2(c.r, r0, r1) + axis_min2(c.g, g0, g1) + axis_min2(c.b, b0, b1);
        bound = std::min(bound, axis_max2(c.r, r0, r1) + axis_max2(c.g, g0, g1) + axis_max2(c.b, b0, b1));
    }
    std::array<std::uint8_t, 256> kept{};
    int kept_count = 0;
    for (int k = 0; k < count; ++k)
        if (min2[k] <= bound) kept[kept_count++] = candidates[k];
    if (!pairwise) {
        std::copy_n(kept.begin(), kept_count, out);
        out_count = kept_count;
        return;
    }

    // Then (for the small cubes) drop every entry that another entry beats (or ties with a lower index) everywhere in
    // the cube: the difference of squared distances is linear, so its largest value is at a
    // corner.
    out_count = 0;
    for (int k = 0; k < kept_count; ++k) {
        const Colour e = palette_[kept[k]];
        bool beaten = false;
        for (int j = 0; j < kept_count && !beaten; ++j) {
            if (j == k) continue;
            const Colour f = palette_[kept[j]];
            const int er = e.r - f.r, eg = e.g - f.g, eb = e.b - f.b;
            const int worst = 2 * ((er > 0 ? r1 : r0) * er + (eg > 0 ? g1 : g0) * eg + (eb > 0 ? b1 : b0) * eb) +
                              (f.r * f.r + f.g * f.g + f.b * f.b) - (e.r * e.r + e.g * e.g + e.b * e.b);
            beaten = worst < 0 || (worst == 0 && kept[j] < kept[k]);
        }
        if (!beaten) out[out_count++] = kept[k];
    }
}

const NearestColourMap::CellList& NearestColourMap::coarse_cell(int r, int g, int b) const {
    const int qr = r >> coarse_bits, qg = g >> coarse_bits, qb = b >> coarse_bits;
    CellList& coarse = coarse_[(std::size_t(qr) * coarse_per_axis + qg) * coarse_per_axis + qb];
    if (coarse.built) return coarse;
    std::array<std::uint8_t, 256> all{}, list{};
    int size = 0;
    for (int i = 0; i < count_; ++i) all[i] = std::uint8_t(i);
    build_list(qr << coarse_bits, qg << coarse_bits, qb << coarse_bits, 1 << coarse_bits, all.data(), count_, false,
               list.data(), size);
    coarse.start = std::uint32_t(coarse_pool_.size());
    coarse.size = std::uint16_t(size);
    coarse.built = true;
    coarse_pool_.insert(coarse_pool_.end(), list.begin(), list.begin() + size);
    return coarse;
}

const NearestColourMap::CellList& NearestColourMap::cell(int r, int g, int b) const {
    const int cr = r >> cell_bits, cg = g >> cell_bits, cb = b >> cell_bits;
    CellList& fine = cells_[(std::size_t(cr) * cells_per_axis + cg) * cells_per_axis + cb];
    if (fine.built) return fine;

    const CellList& coarse = coarse_cell(r, g, b);
    std::array<std::uint8_t, 256> list{};
    int size = 0;
    build_list(cr << cell_bits, cg << cell_bits, cb << cell_bits, 1 << cell_bits,
               coarse_pool_.data() + coarse.start, coarse.size, true, list.data(), size);
    fine.start = std::uint32_t(pool_.size());
    fine.size = std::uint16_t(size);
    fine.built = true;
    for (int k = 0; k < size; ++k) {
        const Colour c = palette_[list[k]];
        pool_.push_back({c.r, c.g, c.b, list[k]});
    }
    return fine;
}

std::uint8_t NearestColourMap::search(std::uint32_t packed, std::uint32_t slot) const {
    if (count_ == 0) {
        cache_[slot] = packed << 8;
        return 0;
    }
    const int r = int(packed >> 16), g = int((packed >> 8) & 0xFF), b = int(packed & 0xFF);
    // Distance and index in one key: the smallest key is the nearest entry, the lowest on a tie.
    int best = 0x7FFFFFFF;
    CellList& fine = cells_[(std::size_t(r >> cell_bits) * cells_per_axis + (g >> cell_bits)) * cells_per_axis +
                            (b >> cell_bits)];
    if (!fine.built && ++fine.searches < searches_before_fine_list) {
        // The coarse list holds every entry that can be nearest anywhere in its larger cube.
        const CellList& coarse = coarse_cell(r, g, b);
        for (int k = 0; k < coarse.size; ++k) {
            const std::uint8_t index = coarse_pool_[coarse.start + k];
            best = std::min(best, distance2(palette_[index], r, g, b) << 8 | index);
        }
    } else {
        const CellList& list = cell(r, g, b);
        const Candidate* candidates = pool_.data() + list.start;
        for (int k = 0; k < list.size; ++k) {
            const int dr = candidates[k].r - r, dg = candidates[k].g - g, db = candidates[k].b - b;
            best = std::min(best, ((dr * dr + dg * dg + db * db) << 8) | candidates[k].index);
        }
    }
    cache_[slot] = (packed << 8) | std::uint32_t(best & 0xFF);
    return std::uint8_t(best);
}

void NearestColourMap::map_row(const std::uint32_t* pixels, std::uint8_t* indexes, int n) const {
    // The cache never moves, so its address is read once rather than after every byte stored.
    const std::uint32_t* cache = cache_.data();
    for (int i = 0; i < n; ++i) {
        const std::uint32_t packed = pixels[i] & 0x00FFFFFFu;
        const std::uint32_t slot = (packed * 0x9E3779B1u) >> (32 - cache_bits);
        const std::uint32_t entry = cache[slot];
        indexes[i] = (entry >> 8) == packed ? std::uint8_t(entry) : search(packed, slot);
    }
}

}  // namespace kelvora
