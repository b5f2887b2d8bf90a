#include "screens/play_screen.hpp"

#include <array>
#include <cmath>
#include <cstdint>
#include <string>

#include "core/app.hpp"
#include "platform/language.hpp"
#include "screens/compositor.hpp"
#include "screens/primitives.hpp"

namespace kelvora {

namespace {

// The value of pi the animations were tuned with.
constexpr double pi = 3.14159265358979;

constexpr int tile_size = 25;  // block_image tiles

// Pictures on the moji_image sheet (with its mask moji_image2).
constexpr int digit_size = 50;  // digit d at (50 d, 0)
constexpr int chain_word_x = 0, chain_word_y = 50, chain_word_width = 100, chain_word_height = 50;
constexpr int game_over_x = 0, game_over_y = 200, game_over_width = 450, game_over_height = 100;
constexpr int game_over_left = 25, game_over_top = 180;

// Bursts: pieces stand 13 pixels above and below the centre whatever the cell size.
constexpr int burst_offset = 13;

// Score panel rectangles.
constexpr Rect score_rect{25, 65, 110, 90};
constexpr Rect level_rect{360, 65, 440, 90};
constexpr Rect chain_rect{380, 305, 460, 330};
constexpr Rect max_chain_rect{380, 415, 460, 440};

// The name-entry box.
constexpr int box_left = 125, box_top = 150, box_width = 250, box_height = 200;
constexpr Rect heading_rect{150, 170, 350, 220};
constexpr Rect delete_rect{310, 280, 360, 310};
constexpr Rect ok_rect{310, 315, 360, 345};
constexpr Rect prompt_rect{150, 220, 350, 250};
constexpr int name_char_step = 40;
constexpr Rect first_name_char_rect{160, 280, 250, 330};
constexpr int name_capacity = 3;

constexpr Colour grey{180, 180, 180};
constexpr Colour yellow{255, 255, 0};
constexpr Colour blue{0, 128, 255};

int round_even(double value) { return int(std::nearbyint(value)); }

bool valid_colour(int colour) { return colour >= 1 && colour <= 9; }

// The drop tiles stretched to one size, each made on first use within one composition: a full
// field copies the same nine tiles hundreds of times, and stretching each copy anew would cost
// most of the frame. The pixels are those of stretching straight into buffer.
class ScaledTiles {
public:
    ScaledTiles(const PictureStore& pictures, int size) : pictures_(pictures), size_(size) {}

    // Copies the tile of `colour` to (x, y) of dest; nothing when the tile cannot be drawn.
    void draw(Surface& dest, int x, int y, int colour) {
        const std::size_t k = std::size_t(colour - 1);
        if (size_ <= 0) return;
        if (!made_[k]) {
            made_[k] = true;
            scaled_[k] = Surface{Bitmap::rgb(size_, size_)};
            usable_[k] = stretch_blt(scaled_[k], 0, 0, size_, size_, pictures_.block_image[k], 0, 0, tile_size,
                                     tile_size, Rop::srccopy);
        }
        if (usable_[k]) bit_blt(dest, x, y, size_, size_, scaled_[k], 0, 0, Rop::srccopy);
    }

private:
    const PictureStore& pictures_;
    int size_;
    std::array<Surface, 9> scaled_{};
    std::array<bool, 9> made_{};
    std::array<bool, 9> usable_{};
};

void draw_background(App& app) {
    const Surface& back = app.pictures.back_image;
    copy_whole(app.pictures.buffer, back);
}

void draw_drops(App& app) {
    GameState& state = app.state;
    const int s = state.cell_size;
    ScaledTiles tiles(app.pictures, s);
    for (int c = 1; c <= state.field_width; ++c) {
        for (int r = 1; r <= state.field_height; ++r) {
            const int colour = state.drop_grid[c][r];
            if (colour == 0) continue;
            // Drops lying in the cells the last erasure emptied blink while a chain is possible.
            if (state.chain_cells[c][r] != 0 && state.blink_phase) continue;
            // Changed: a value that names no tile (the rules never leave one in the field) draws
            // nothing instead of reading past the tiles.
            if (!valid_colour(colour)) continue;
            tiles.draw(app.pictures.buffer, state.field_left + (c - 1) * s, state.field_top + (r - 1) * s, colour);
        }
    }
}

// One frame of the burst of cell (c, r): four shrunken copies of the erased drop's tile fly
// apart and hop; the frame counter runs down to 0, and at frame 1 the burst ends.
void draw_burst(App& app, ScaledTiles& pieces, int c, int r) {
    GameState& state = app.state;
    const int colour = state.burst_colour[c][r];
    const int f = state.burst_frames[c][r];
    const int s = state.cell_size;
    const int h = s / 2;
    const int xc = (c - 1) * s + state.field_left + h;
    const int yc = (r - 1) * s + state.field_top + h;
    const double d = s - (3.0 * s / 25.0) * f;
    const int u = int(std::floor(std::sin(f * pi / 4) * 10));

    if (valid_colour(colour)) {
        const int left = round_even(xc - d);
        const int right = round_even(xc + d - h);
        const int upper = yc - burst_offset - u;
        const int lower = yc + burst_offset - u - h;
        Surface& buffer = app.pictures.buffer;
        pieces.draw(buffer, left, upper, colour);
        pieces.draw(buffer, right, upper, colour);
        pieces.draw(buffer, left, lower, colour);
        pieces.draw(buffer, right, lower, colour);
    }

    if (f == 1) state.burst_colour[c][r] = 0;
    state.burst_frames[c][r] = std::int16_t(f - 1);
}

void draw_bursts(App& app) {
    GameState& state = app.state;
    ScaledTiles pieces(app.pictures, state.cell_size / 2);
    for (int c = 1; c <= state.field_width; ++c) {
        for (int r = 1; r <= state.field_height; ++r) {
            if (state.burst_colour[c][r] != 0) draw_burst(app, pieces, c, r);
        }
    }
}

// The number of digits shown for a chain.
// Kept: the small tolerance makes 98 and 99 count as three digits (a leading 0), which is how
// the label has always looked.
int chain_digits(int chain_count) {
    // Changed: a count of 0 or below has no logarithm; such a label shows the word alone.
    if (chain_count <= 0) return 0;
    return int(std::floor(std::log(chain_count * 10.0) / std::log(10.0) + 0.01));
}

void draw_chain_label(App& app) {
    GameState& state = app.state;
    const int t = state.chain_label_frames;
    if (t < 1) return;
    PictureStore& pictures = app.pictures;

    const int base_y = state.chain_label_y > 8 ? int(state.chain_label_y) - 100 : int(state.chain_label_y) + 50;
    const int y = base_y - round_even(std::sin(t * pi / 5) * 20);
    const int x = int(state.chain_label_x);

    const int n = chain_digits(state.chain_count);
    std::int64_t below = 1;  // 10^(k-1)
    for (int k = 1; k <= n; ++k) {
        const std::int64_t digit = (state.chain_count % (below * 10)) / below;
        blit_masked(pictures.buffer, x - digit_size * k, y, digit_size, digit_size, pictures.moji_image,
                    pictures.moji_image2, digit_size * int(digit), 0);
        below *= 10;
    }
    blit_masked(pictures.buffer, x, y, chain_word_width, chain_word_height, pictures.moji_image,
                pictures.moji_image2, chain_word_x, chain_word_y);

    state.chain_label_frames = std::int16_t(t - 1);
}

void draw_score_panel(App& app) {
    const GameState& state = app.state;
    TextRenderer& text = app.platform.text;
    Surface& buffer = app.pictures.buffer;
    const Font& font = app.fonts.score_font;
    const unsigned format = text_format::singleline | text_format::bottom | text_format::right;
    text.draw_text(buffer, font, white, score_rect, format, std::to_string(state.total_score));
    text.draw_text(buffer, font, white, level_rect, format, std::to_string(state.speed_level));
    text.draw_text(buffer, font, white, chain_rect, format, std::to_string(state.chain_count));
    text.draw_text(buffer, font, white, max_chain_rect, format, std::to_string(state.max_chain));
}

Rect name_char_rect(int index) {  // index from 0
    const int shift = name_char_step * index;
    return {first_name_char_rect.left + shift, first_name_char_rect.top, first_name_char_rect.right + shift,
            first_name_char_rect.bottom};
}

void draw_name_entry(App& app) {
    const GameState& state = app.state;
    TextRenderer& text = app.platform.text;
    Surface& buffer = app.pictures.buffer;
    const Fonts& fonts = app.fonts;

    fill_rect(buffer, box_left, box_top, box_width, box_height, black);

    text.draw_text(buffer, fonts.heading_font, white, heading_rect, text_format::center | text_format::vcenter,
                   tr("★ ランク イン！ ★"));
    const Colour delete_colour = state.name_button_hover == 1 ? white : grey;
    text.draw_text(buffer, fonts.heading_font, delete_colour, delete_rect, text_format::vcenter, tr("BAS"));
    const bool ok_lit = state.name_button_hover == 2 || state.name_length >= name_capacity;
    text.draw_text(buffer, fonts.heading_font, ok_lit ? white : grey, ok_rect, text_format::vcenter, tr("O.K"));

    text.draw_text(buffer, fonts.text_font, yellow, prompt_rect, text_format::center | text_format::vcenter,
                   tr("Please type your name."));

    for (int i = 0; i < state.name_length && i < int(state.player_name.size()); ++i) {
        text.draw_text(buffer, fonts.name_font, blue, name_char_rect(i), text_format::vcenter,
                       state.player_name.substr(std::size_t(i), 1));
    }
    if (state.name_length < name_capacity && state.blink_phase) {
        text.draw_text(buffer, fonts.name_font, blue, name_char_rect(state.name_length), text_format::vcenter, "_");
    }
}

void compose_running(App& app) {
    draw_background(app);
    draw_drops(app);
    draw_bursts(app);
    draw_chain_label(app);
    draw_score_panel(app);
}

void compose_game_over(App& app) {
    GameState& state = app.state;
    PictureStore& pictures = app.pictures;
    state.tick_interval = standard_tick_interval;
    draw_background(app);
    draw_score_panel(app);
    if (!state.name_entry && state.blink_phase) {
        blit_masked(pictures.buffer, game_over_left, game_over_top, game_over_width, game_over_height,
                    pictures.moji_image, pictures.moji_image2, game_over_x, game_over_y);
    }
    if (state.name_entry) draw_name_entry(app);
}

}  // namespace

void compose_play(App& app) {
    if (app.state.rain_running) {
        compose_running(app);
    } else {
        compose_game_over(app);
    }
    present_buffer(app);
}

}  // namespace kelvora
