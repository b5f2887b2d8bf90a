#include "game/rain_tick.hpp"

#include "core/app.hpp"
#include "core/sound.hpp"
#include "core/wait.hpp"
#include "game/play_input.hpp"
#include "game/replay_files.hpp"
#include "ranking/rank_file.hpp"
#include "screens/compositor.hpp"
#include "screens/story_screen.hpp"

namespace kelvora {

namespace {

constexpr int grown_box_frames = 5;

// The name entry's box grows from the centre of the well over five short pauses.
void grow_name_entry_box(App& app) {
    PictureStore& pictures = app.pictures;
    for (int i = 1; i <= grown_box_frames; ++i) {
        wait_seconds(app, 0.1f);
        copy_whole(pictures.buffer, pictures.back_image);
        fill_rect(pictures.buffer, 250 - 25 * i, 250 - 20 * i, 50 * i, 40 * i, black);
        present_buffer(app);
    }
}

}  // namespace

void game_tick(App& app) {
    GameState& state = app.state;
    // The story screen runs its own step and no music check.
    if (state.screen_state == screen::story) {
        // The story has been told: back to the title as if Esc had been pressed, with the
        // timer held until the title is shown.
        if (story_tick(app) == StoryTick::told) {
            press_escape(app);
            app.platform.timer.set_enabled(true);
        }
        return;
    }
    if (state.field_live) {
        if (state.rain_running &&
            rain_tick(state, app.random, state.screen_state == screen::official_play).game_ended)
            game_over(app);
        state.blink_phase = !state.blink_phase;
        draw_screen(app);
    } else {
        // The tick after a game over empties the well and composes nothing.
        wipe_grids(state);
        state.field_live = true;
    }
    app.platform.timer.set_interval(state.tick_interval);
    music_loop_check(app);
}

void rain_step(App& app) {
    if (!kelvora::rain_step(app.state, app.random)) game_over(app);
}

void game_over(App& app) {
    GameState& state = app.state;
    play_music(app, "");
    state.field_live = false;
    std::int16_t played = state.screen_state;
    state.screen_state = screen::busy;
    state.rain_running = false;
    state.official_rank_pos = 0;
    state.point_rank_pos = 0;
    state.chain_rank_pos = 0;
    // Option play never enters the official ranking, however good the score.
    if (played == screen::official_play) {
        state.official_rank_pos = find_rank_place(state.official_ranking, state.total_score);
        finish_recording(app);
    }
    state.point_rank_pos = find_rank_place(state.point_ranking, state.total_score);
    state.chain_rank_pos = find_rank_place(state.chain_ranking, state.max_chain);
    if (state.official_rank_pos > 0 || state.point_rank_pos > 0 || state.chain_rank_pos > 0)
        state.name_entry = true;
    if (state.name_entry) {
        play_wave(app, "fan.wav");
        grow_name_entry_box(app);
        state.name_button_hover = 0;
    } else {
        play_wave(app, "over.wav");
    }
    state.screen_state = played;
}

}  // namespace kelvora
