#pragma once
// Text drawn by Qt straight onto our own 32-bit pixels.

#include <string_view>

#include <QFont>

#include "platform/platform.hpp"

namespace kelvora {

// The font family of every Shift-JIS font, set explicitly so that nothing depends on the locale:
// the proportional IPA Gothic, like the proportional Japanese face the game was laid out with (a
// monospaced face pushes "★ ランク イン！ ★" out of its 200-pixel box).
inline constexpr const char* game_font_family = "IPAPGothic";

// The face of those fonts when the game speaks a language written in Latin letters: a plain
// proportional sans like IPA P Gothic's own Latin letters, but made for them.
inline constexpr const char* latin_font_family = "Liberation Sans";

// The face the Shift-JIS fonts are drawn with from now on (game_font_family until set); set once
// at start-up, before anything is drawn.
void set_text_face(const char* family);
const char* text_face_family();

// The face of the one ANSI font, which shows only the play panel's numbers: narrow digits, so that
// a nine-digit score fits the panel's 85-pixel box at the font's full height.
inline constexpr const char* panel_font_family = "Liberation Sans Narrow";

// The Qt font a game font is drawn with. Its height is the whole cell, ascent plus descent, as
// the system's font call reads a positive height; Qt's pixel size is the smaller em size.
QFont game_qfont(const Font& font);

// Paints the glyphs of `utf8` onto a 32-bit surface, clipped to `rect`, with the DrawText-style
// `format`. Other depths draw nothing. Pixels stay 0x00RRGGBB.
void draw_text_on(Surface& surface, const Font& font, Colour colour, const Rect& rect, unsigned format,
                  std::string_view utf8);

}  // namespace kelvora
