// Masked copies and the strict hit test.
#include "screens/primitives.hpp"

#include <algorithm>
#include <limits>

#include "core/game_state.hpp"

namespace kelvora {

// The mask first clears the sprite's area to black (AND NOT the old pixels, with white mask
// pixels turning the old pixels into their inverse), then XOR with the sprite puts the sprite in
// and restores the old pixels where the mask and sprite are white. If the first copy fails the
// second is skipped, so a half-drawn picture is never left inverted.
bool blit_masked(Surface& dest, int x, int y, int width, int height, const Surface& sprite, const Surface& mask,
                 int src_x, int src_y) {
    if (!bit_blt(dest, x, y, width, height, mask, src_x, src_y, Rop::srcerase)) return false;
    return bit_blt(dest, x, y, width, height, sprite, src_x, src_y, Rop::srcinvert);
}

bool stretch_blit_masked(Surface& dest, int x, int y, int width, int height, const Surface& sprite,
                         const Surface& mask, int src_x, int src_y, int src_width, int src_height) {
    if (!stretch_blt(dest, x, y, width, height, mask, src_x, src_y, src_width, src_height, Rop::srcerase))
        return false;
    return stretch_blt(dest, x, y, width, height, sprite, src_x, src_y, src_width, src_height, Rop::srcinvert);
}

bool point_in_rect(std::int16_t x, std::int16_t y, std::int16_t left, std::int16_t top, std::int16_t width,
                   std::int16_t height) {
    // Sums in int: left + width may leave the 16-bit range for regions at the picture's edge.
    return left < x && x < left + width && top < y && y < top + height;
}

std::int16_t pointer_pixel(double value) {
    std::int32_t rounded = round_half_even(value);
    return std::int16_t(std::clamp<std::int32_t>(rounded, std::numeric_limits<std::int16_t>::min(),
                                                 std::numeric_limits<std::int16_t>::max()));
}

}  // namespace kelvora
