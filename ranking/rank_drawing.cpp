#include "ranking/rank_drawing.hpp"

#include <cmath>
#include <string>

#include "platform/language.hpp"
#include "platform/sjis.hpp"

namespace kelvora {

namespace {

// The column lines as fractions of the width: place, name, value, note.
constexpr double place_line = 0.15;
constexpr double name_line = 0.4;
constexpr double score_line = 0.6;
constexpr double note_line = 0.9;
constexpr double heading_row = 0.2;

// Positions are worked out in double precision and rounded to whole pixels, halves to even.
// Each place has a text of its own: languages write ordinals in their own ways.
constexpr const char* place_labels[10] = {N_("1位"), N_("2位"), N_("3位"), N_("4位"), N_("5位"),
                                          N_("6位"), N_("7位"), N_("8位"), N_("9位"), N_("10位")};

int nearest(double value) { return int(std::nearbyint(value)); }

// A text right-aligned on `right`, starting at `top`; its rectangle reaches from the area's left
// edge to its bottom, so a long text runs leftwards over the columns before it.
void draw_right_aligned(Surface& surface, TextRenderer& text, const Font& font, int left, int top, int right,
                        int bottom, std::string_view utf8) {
    if (utf8.empty()) return;
    text.draw_text(surface, font, white, Rect{left, top, right, bottom}, text_format::right, utf8);
}

}  // namespace

void draw_rank_table(Surface& surface, TextRenderer& text, const Font& heading_font, const Font& text_font,
                     const RankTableTexts& texts, const rank_table& table, std::int16_t left, std::int16_t top,
                     std::int16_t width, std::int16_t height) {
    const int bottom = top + height;
    auto column = [&](double f) { return nearest(left + f * width); };
    const int place_right = column(place_line), name_right = column(name_line);
    const int score_right = column(score_line), note_right = column(note_line);

    if (!texts.title.empty()) {
        text.draw_text(surface, heading_font, white, Rect{left, top, left + width, bottom}, text_format::center,
                       texts.title);
    }

    const int heading_top = nearest(top + heading_row * height);
    draw_right_aligned(surface, text, heading_font, left, heading_top, place_right, bottom, tr("順位"));
    draw_right_aligned(surface, text, heading_font, left, heading_top, name_right, bottom, tr("名前"));
    draw_right_aligned(surface, text, heading_font, left, heading_top, score_right, bottom, texts.score_heading);
    draw_right_aligned(surface, text, heading_font, left, heading_top, note_right, bottom, texts.note_heading);

    // Element 0 belongs to no place and is never shown.
    for (int p = 1; p <= 10; ++p) {
        const int row_top = nearest(top + (0.3 + 0.06 * p) * height);
        const std::string place = " " + std::string(tr(place_labels[std::size_t(p - 1)]));
        draw_right_aligned(surface, text, text_font, left, row_top, place_right, bottom, place);
        draw_right_aligned(surface, text, text_font, left, row_top, name_right, bottom,
                           cp932_to_utf8(table.name[std::size_t(p)]));
        draw_right_aligned(surface, text, text_font, left, row_top, score_right, bottom,
                           std::to_string(table.score[std::size_t(p)]));
        draw_right_aligned(surface, text, text_font, left, row_top, note_right, bottom,
                           cp932_to_utf8(table.note[std::size_t(p)]));
    }
}

}  // namespace kelvora
