#include "screens/title_screen.hpp"

#include <array>
#include <cstdint>

#include "core/app.hpp"
#include "core/sound.hpp"
#include "rules/setup.hpp"
#include "pictures/fade.hpp"
#include "screens/compositor.hpp"
#include "screens/primitives.hpp"

namespace kelvora {

namespace {

// A menu entry: the screen it leads to, its hit and highlight rectangle, and where its
// highlighted strip starts in open_image2 (the strips are stacked in this order).
struct TitleEntry {
    std::int16_t choice;
    std::int16_t left, top, width, height;
    int strip_top;
};

constexpr std::array<TitleEntry, 4> title_entries{{
    {screen::story, 180, 385, 140, 26, 0},
    {screen::official_play, 180, 411, 140, 29, 26},
    {screen::options, 180, 440, 140, 25, 55},
    {screen::rankings, 180, 465, 140, 25, 80},
}};

void reset_story(GameState& state) {
    state.story_step = 0;
    state.story_frames = 0;
    state.story_line_to = 0;
    state.story_line_from = 0;
    state.story_phase = 0;
}

}  // namespace

void compose_title(App& app) {
    GameState& state = app.state;
    PictureStore& pictures = app.pictures;

    // The title keeps the official values in force (an official start applies them again).
    apply_official_values(state);
    state.option_hover = 0;
    app.platform.timer.set_interval(state.tick_interval);

    const Surface& background = pictures.open_image;
    copy_whole(pictures.buffer, background);

    // A story started while its entry is highlighted begins at its first page.
    if (state.title_choice == screen::story) reset_story(state);

    for (const TitleEntry& entry : title_entries) {
        if (entry.choice != state.title_choice) continue;
        bit_blt(pictures.buffer, entry.left, entry.top, entry.width, entry.height, pictures.open_image2, 0,
                entry.strip_top, Rop::srccopy);
    }

    present_buffer(app);
}

void title_pointer_move(App& app, double x, double y) {
    std::int16_t px = pointer_pixel(x), py = pointer_pixel(y);
    std::int16_t choice = 0;
    for (const TitleEntry& entry : title_entries) {
        if (point_in_rect(px, py, entry.left, entry.top, entry.width, entry.height)) {
            choice = entry.choice;
            break;
        }
    }
    app.state.title_choice = choice;
}

bool title_click(App& app) {
    GameState& state = app.state;
    // The start of a game runs its own leave-taking (music, sound, fade) before the animation.
    if (state.title_choice == screen::official_play) return true;
    if (state.title_choice != 0) {
        play_music(app, "");
        play_wave(app, "po2.wav");
        state.screen_state = screen::busy;
        fade_screen(app, 2);
        state.screen_state = state.title_choice;
    }
    draw_screen(app);
    return false;
}

}  // namespace kelvora
