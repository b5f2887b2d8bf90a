#pragma once
// The masked blend of the story screen: a source rectangle mixed over the destination, with the
// source's background (decided by a colour key) left see-through.

#include "platform/raster.hpp"

namespace kelvora {

// Which source pixels are background. Plain: every pixel of `colour`. Otherwise the border
// mask: key-coloured regions that touch the rectangle's edge, with the top-left source pixel as
// the key (`colour` is then unused).
struct BlendKey {
    Colour colour = black;
    bool plain = true;
};

inline constexpr BlendKey plain_black_key{black, true};
inline constexpr BlendKey border_key{black, false};

// Mixes the width x height rectangle at (source_x, source_y) of source over (x, y) of dest:
// every colour byte becomes s + ((d - s) * alpha) / 256, truncated towards zero, so alpha is the
// weight of the destination in 256ths (0 puts the source down, 256 leaves dest as it was).
// Background pixels leave dest exactly as it was. Callers pass alpha 0 to 256.
void blend_rect(Surface& dest, int x, int y, int width, int height, Surface& source, int source_x,
                int source_y, int alpha, const BlendKey& key);

// Fills mask (a 1-bit surface of at least width x height) with 1 where the source rectangle is
// background: key-coloured pixels 4-connected to the rectangle's edge, the key being the colour
// of the source pixel at (source_x, source_y). Key-coloured holes inside a figure stay 0.
// Returns the key.
Colour border_mask(Surface& mask, Surface& source, int source_x, int source_y, int width, int height);

}  // namespace kelvora
