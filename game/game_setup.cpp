#include "game/game_setup.hpp"

#include "core/app.hpp"
#include "core/sound.hpp"
#include "core/wait.hpp"
#include "game/rain_tick.hpp"
#include "game/replay_files.hpp"
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

void game_init(App& app) {
    GameState& state = app.state;
    // A pending name entry still needs the finished game's score and chain.
    prepare_game(state, state.screen_state != screen::option_play, state.name_entry);
    state.chain_label_frames = 0;
    const std::uint64_t seed = app.next_seed();
    app.random.seed(seed);
    if (state.screen_state == screen::official_play)
        start_recording(app, seed);
    else
        app.recording.reset();
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
