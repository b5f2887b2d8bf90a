#pragma once
// A ranking drawn as a table: a centred title, four column headings and ten rows of place, name,
// value and note, right-aligned on the column lines. Text only, over what the surface holds.

#include <cstdint>
#include <string_view>

#include "core/rank_table.hpp"
#include "platform/platform.hpp"

namespace kelvora {

// The texts that go with a table: its title and the headings of the value and note columns.
struct RankTableTexts {
    std::string_view title;          // UTF-8
    std::string_view score_heading;  // UTF-8
    std::string_view note_heading;   // UTF-8
};

// Draws places 1 to 10 of `table` into the area (left, top, width, height) of `surface`: the
// title and headings in `heading_font`, the rows in `text_font`, all white. The table's names and
// notes are code page 932 bytes and are decoded here; empty cells draw nothing.
void draw_rank_table(Surface& surface, TextRenderer& text, const Font& heading_font, const Font& text_font,
                     const RankTableTexts& texts, const rank_table& table, std::int16_t left, std::int16_t top,
                     std::int16_t width, std::int16_t height);

}  // namespace kelvora
