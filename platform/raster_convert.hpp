#pragma once
// Internal to the raster library: turning source pixels into the destination's format, and the
// raster operations on runs of pixels. Shared by the plain and the stretched transfers.

#include <array>
#include <cstdint>
#include <optional>

#include "platform/raster.hpp"

namespace kelvora::raster_detail {

// Converts runs of one source bitmap's pixels into the format of one destination: packed
// 0x00RRGGBB for a 32-bit destination, colour-table indexes or 0/1 bits otherwise.
class Converter {
public:
    // `pixels` is about how many pixels will be converted: large copies get a lookup table.
    Converter(const Surface& dst, const Surface& src, long long pixels);
    void row32(int sy, int sx, int n, std::uint32_t* out) const;  // 32-bit destinations
    void row8(int sy, int sx, int n, std::uint8_t* out) const;     // 8- and 1-bit destinations

private:
    const Bitmap& src_;
    int dst_depth_;
    std::array<std::uint32_t, 256> to_rgb_{};  // 1/8-bit source -> 32-bit destination
    bool rgb_table_ = false;                   // to_rgb_ holds an 8-bit source's whole table
    std::array<std::uint8_t, 256> to_index_{}; // 1/8-bit source -> 8/1-bit destination
    std::uint32_t src_background_ = 0;         // 32-bit source -> 1-bit destination
    std::optional<NearestColourMap> nearest_;  // 32-bit source -> 8-bit destination
};

// d = rop(s, d) over n pixels; `mask` keeps the bits that exist (0x00FFFFFF, 0xFF or 1).
void apply_rop(std::uint32_t* d, const std::uint32_t* s, int n, Rop rop, std::uint32_t mask);
void apply_rop(std::uint8_t* d, const std::uint8_t* s, int n, Rop rop, std::uint8_t mask);

// The value a colour is stored as in a bitmap of this surface's format.
std::uint32_t stored_value(const Surface& surface, Colour colour);

}  // namespace kelvora::raster_detail
