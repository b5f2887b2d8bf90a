#pragma once
// Text drawn by Qt straight onto our own 32-bit pixels.

#include <string_view>

#include "platform/platform.hpp"

namespace kelvora {

// The font family every game text uses, set explicitly so that nothing depends on the locale: the
// proportional IPA Gothic, like the proportional Japanese face the game was laid out with (a
// monospaced face pushes "★ ランク イン！ ★" out of its 200-pixel box).
inline constexpr const char* game_font_family = "IPAPGothic";

// Paints the glyphs of `utf8` onto a 32-bit surface, clipped to `rect`, with the DrawText-style
// `format`. Other depths draw nothing. Pixels stay 0x00RRGGBB.
void draw_text_on(Surface& surface, const Font& font, Colour colour, const Rect& rect, unsigned format,
                  std::string_view utf8);

}  // namespace kelvora
