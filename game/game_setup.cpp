#include "game/game_setup.hpp"

#include "core/app.hpp"
#include "core/sound.hpp"
#include "core/wait.hpp"
#include "game/rain_tick.hpp"
#include "pictures/fade.hpp"
#include "screens/compositor.hpp"
#include "screens/primitives.hpp"

namespace kelvora {

namespace {

// The start lettering: a 500 x 100 block of moji_image, grown around (250, 200) in six frames.
constexpr int lettering_top = 300;
constexpr int lettering_width = 500;
constexpr int lettering_height = 100;
constexpr int lettering_frames = 6;

// Where the pressed restart button is shown while a restart's lettering plays.
constexpr int restart_left = 190;
constexpr int restart_top = 5;

// Marks a start sequence as running for as long as it lives.
class StartingGuard {
public:
    explicit StartingGuard(GameState& state) : state_(state) { state_.game_starting = true; }
    ~StartingGuard() { state_.game_starting = false; }
    StartingGuard(const StartingGuard&) = delete;
    StartingGuard& operator=(const StartingGuard&) = delete;

private:
    GameState& state_;
};

// The steps every start shares, after its preamble. A restart keeps the old grids beyond the
// field (same mode, same field) and starts the rain later, just before game_init.
void run_start_sequence(App& app, bool restart) {
    GameState& state = app.state;
    PictureStore& pictures = app.pictures;
    if (!restart) {
        state.rain_running = true;
        state.field_live = false;  // clicks during the animation erase nothing
    }
    app.platform.timer.set_enabled(false);
    play_wave(app, "start.wav");
    wait_seconds(app, 0.2f);
    for (int j = 1; j <= lettering_frames; ++j) {
        wait_seconds(app, 0.01f);
        copy_whole(pictures.buffer, pictures.back_image);
        stretch_blit_masked(pictures.buffer, 250 - 40 * j, 200 - 8 * j, 80 * j, 16 * j, pictures.moji_image,
                            pictures.moji_image2, 0, lettering_top, lettering_width, lettering_height);
        present_buffer(app);
    }
    wait_seconds(app, 0.3f);
    if (!restart) {
        wipe_grids(state);
    } else {
        state.rain_running = true;
        state.field_live = false;
        app.platform.timer.set_enabled(true);
    }
    game_init(app);
    play_music(app, "kelvora2.mid");
    if (!restart) app.platform.timer.set_enabled(true);
}

// Leaving the title or the options screen for a game: music off, the click sound, fade out.
void start_from_screen(App& app, std::int16_t play_state) {
    StartingGuard guard(app.state);
    play_music(app, "");
    play_wave(app, "po2.wav");
    app.state.screen_state = screen::busy;
    fade_screen(app, 2);
    app.state.screen_state = play_state;
    run_start_sequence(app, false);
}

}  // namespace

void apply_official_field(GameState& state) {
    state.field_width = 8;
    state.field_height = 16;
    state.cell_size = 25;
    state.field_left = 150;
    state.field_top = 70;
    state.colour_count = 4;
    state.erase_count = 2;
    state.rain_period = 3;
    state.chain_time = 30;
}

void apply_official_values(GameState& state) {
    apply_official_field(state);
    state.tick_interval = standard_tick_interval;
    state.speed_level = 1;
    state.level_ticks = 1000;
    state.chain_count = 0;
    state.chain_timer = 0;
    state.total_score = 0;
    state.max_chain = 0;
    state.field_live = true;
}

void game_init(App& app) {
    GameState& state = app.state;
    state.rain_counter = 0;
    state.speed_ticks = 0;
    state.speed_level = 1;
    state.chain_count = 0;
    state.chain_timer = 0;
    state.tick_interval = standard_tick_interval;
    state.chain_label_frames = 0;
    if (state.screen_state == screen::option_play) {
        const auto& settings = state.settings;
        state.colour_count = settings[1];
        // Kept: drop size 3 gives the official 8 columns, not 200 \ 30.
        state.field_width = settings[2] == 3 ? 8 : std::int16_t(200 / (settings[2] * 10));
        state.field_height = std::int16_t(2 * state.field_width);
        state.cell_size = std::int16_t(200 / state.field_width);
        state.tick_interval = std::int16_t(standard_tick_interval / settings[3]);
        state.rain_period = std::int16_t(6 - settings[4]);
        state.erase_count = settings[5];
        state.chain_time = std::int16_t(settings[6] * 20 - 10);
    } else if (state.screen_state == screen::official_play) {
        // Changed: the title re-applied the official quantities only when it was next composed,
        // so a click on the official entry just after leaving an option game played (and
        // ranked) on the option game's field. Every official start applies them itself.
        apply_official_field(state);
    }
    state.field_live = true;
    // A pending name entry still needs the finished game's score and chain.
    if (!state.name_entry) {
        state.total_score = 0;
        state.max_chain = 0;
    }
    for (int c = 1; c <= state.field_width; ++c) {
        for (int r = 1; r <= state.field_height; ++r) {
            state.drop_grid[c][r] = 0;
            state.burst_colour[c][r] = 0;
            state.burst_frames[c][r] = 0;
            state.chain_cells[c][r] = 0;
        }
        state.drop_grid[c][state.field_height + 1] = floor_cell;
    }
    draw_screen(app);
}

void start_game_from_title(App& app) { start_from_screen(app, screen::official_play); }

void start_game_from_options(App& app) { start_from_screen(app, screen::option_play); }

void restart_game(App& app) {
    StartingGuard guard(app.state);
    PictureStore& pictures = app.pictures;
    play_music(app, "");
    copy_whole(pictures.buffer, pictures.back_image);
    // Changed: the pressed button's picture is 40 rows tall; the copy covers just those rows
    // instead of reading below the picture.
    bit_blt(pictures.buffer, restart_left, restart_top, pictures.restart_image.width(),
            pictures.restart_image.height(), pictures.restart_image, 0, 0, Rop::srccopy);
    present_buffer(app);
    run_start_sequence(app, true);
}

bool start_sequence_running(const App& app) { return app.state.game_starting; }

}  // namespace kelvora
