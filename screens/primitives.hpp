#pragma once
// The small operations every screen uses: masked copies and the hit test.

#include <cstdint>

#include "platform/raster.hpp"

namespace kelvora {

// Copies the w x h block at (src_x, src_y) of a sprite/mask pair to (x, y) of dest, leaving dest
// visible where the mask is white: (mask AND NOT old) XOR sprite. Returns the last copy's result.
bool blit_masked(Surface& dest, int x, int y, int width, int height, const Surface& sprite,
                 const Surface& mask, int src_x, int src_y);

// The same with the source block stretched or shrunk to width x height.
bool stretch_blit_masked(Surface& dest, int x, int y, int width, int height, const Surface& sprite,
                         const Surface& mask, int src_x, int src_y, int src_width, int src_height);

// Strict on all four sides: left < x < left + width and top < y < top + height.
bool point_in_rect(std::int16_t x, std::int16_t y, std::int16_t left, std::int16_t top,
                   std::int16_t width, std::int16_t height);

// A pointer coordinate as the 16-bit pixel the hit test takes: rounded (halves to even) and kept
// in range, so a pointer far outside the picture stays outside.
std::int16_t pointer_pixel(double value);

}  // namespace kelvora
