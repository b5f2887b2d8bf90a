#include "screens/options_screen.hpp"

#include "core/app.hpp"
#include "core/sound.hpp"
#include "screens/compositor.hpp"
#include "screens/primitives.hpp"

namespace kelvora {

namespace {

constexpr int setting_rows = 6;
constexpr int start_target = 7;

// Row i's digit is drawn at (240, row_top(i)), 40 x 40; its target lies 10 pixels further right.
constexpr int digit_left = 240;
constexpr int digit_size = 40;
constexpr int row_target_left = 250;
constexpr int row_target_width = 40;
constexpr int row_top(int i) { return 50 * i + 52; }

// The start label, drawn and hit at the same place; in moji_image at (100, 50).
constexpr int start_left = 200, start_top = 420, start_width = 100, start_height = 50;
constexpr int start_source_x = 100, start_source_y = 50;

// Digit d of moji_image is the 50 x 50 block at (50 d, 0).
constexpr int digit_source_size = 50;

constexpr Rect help_rect{300, 100, 500, 400};

// Open rectangles, compared in the window's own fractional coordinates.
bool inside(double x, double y, double left, double top, double width, double height) {
    return left < x && x < left + width && top < y && y < top + height;
}

bool inside_row(int i, double x, double y) {
    return inside(x, y, row_target_left, row_top(i), row_target_width, digit_size);
}

bool inside_start(double x, double y) { return inside(x, y, start_left, start_top, start_width, start_height); }

// Rows 1 and 5 (colours, drops to erase) run from 2 to 9; the others from 1 to 5.
void wrap_setting(std::int16_t& value, int row) {
    const bool wide = row == 1 || row == 5;
    const std::int16_t low = wide ? 2 : 1, high = wide ? 9 : 5;
    if (value > high) value = low;
    if (value < low) value = high;
}

}  // namespace

void compose_options(App& app) {
    GameState& state = app.state;
    PictureStore& pictures = app.pictures;
    Surface& buffer = pictures.buffer;

    state.tick_interval = standard_tick_interval;

    const Surface& background = pictures.option_image;
    copy_whole(buffer, background);

    for (int i = 1; i <= setting_rows; ++i) {
        if (state.option_hover == i && state.blink_phase) continue;
        stretch_blit_masked(buffer, digit_left, row_top(i), digit_size, digit_size, pictures.moji_image,
                            pictures.moji_image2, digit_source_size * state.settings[i], 0, digit_source_size,
                            digit_source_size);
    }
    if (!(state.option_hover == start_target && state.blink_phase)) {
        blit_masked(buffer, start_left, start_top, start_width, start_height, pictures.moji_image,
                    pictures.moji_image2, start_source_x, start_source_y);
    }

    const int help = state.option_hover;
    if (help >= 0 && help < int(state.option_help.size())) {
        app.platform.text.draw_text(buffer, app.fonts.text_font, white, help_rect, text_format::wordbreak,
                                    state.option_help[help]);
    }

    present_buffer(app);
}

void options_pointer_move(App& app, double x, double y) {
    GameState& state = app.state;
    state.option_hover = 0;
    for (int i = 1; i <= setting_rows; ++i) {
        if (inside_row(i, x, y)) state.option_hover = std::int16_t(i);
    }
    if (inside_start(x, y)) state.option_hover = start_target;
}

bool options_click(App& app, MouseButton button, double x, double y) {
    GameState& state = app.state;
    const int change = button == MouseButton::left ? 1 : button == MouseButton::right ? -1 : 0;

    for (int i = 1; i <= setting_rows; ++i) {
        if (inside_row(i, x, y)) {
            state.settings[i] = std::int16_t(state.settings[i] + change);
            play_wave(app, "po.wav");
        }
        wrap_setting(state.settings[i], i);
    }

    if (inside_start(x, y)) {
        state.option_hover = 0;
        return true;
    }

    draw_screen(app);
    return false;
}

}  // namespace kelvora
