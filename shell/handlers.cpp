#include "shell/handlers.hpp"

#include "core/app.hpp"
#include "core/program_end.hpp"
#include "game/erasure.hpp"
#include "game/game_setup.hpp"
#include "game/play_input.hpp"
#include "game/rain_tick.hpp"
#include "screens/compositor.hpp"
#include "screens/options_screen.hpp"
#include "screens/ranking_screen.hpp"
#include "screens/title_screen.hpp"
#include "shell/menu_commands.hpp"
#include "shell/send_window.hpp"
#include "shell/version_window.hpp"

namespace kelvora {

namespace {

// Every pointer event first notes the field cell under the pointer, whatever the screen.
void note_pointer_cell(GameState& state, double x, double y) {
    Cell cell = cell_at(state, round_half_even(x), round_half_even(y));
    state.pointer_col = cell.column;
    state.pointer_row = cell.row;
}

}  // namespace

// Changed: input that arrives while a game is being started is dropped, so no Esc or restart
// acts on a half-started game.

void GameInput::pointer_move(double x, double y) {
    GameState& state = app_.state;
    if (start_sequence_running(app_)) return;
    note_pointer_cell(state, x, y);
    if (state.name_entry) {
        name_entry_hover(state, round_half_even(x), round_half_even(y));
        return;
    }
    switch (state.screen_state) {
    case screen::title:
        title_pointer_move(app_, x, y);
        break;
    case screen::options:
        options_pointer_move(app_, x, y);
        break;
    case screen::rankings:
        rankings_pointer_move(app_, x, y);
        break;
    default:
        break;
    }
}

void GameInput::pointer_press(MouseButton button, double x, double y) {
    GameState& state = app_.state;
    if (start_sequence_running(app_)) return;
    note_pointer_cell(state, x, y);
    // Each branch ends with the composition that every click ends with.
    switch (state.screen_state) {
    case screen::title:
        if (title_click(app_)) {
            start_game_from_title(app_);
            draw_screen(app_);
        }
        break;
    case screen::options:
        // The start stops the music, plays "po2.wav", fades out and starts option play.
        if (options_click(app_, button, x, y)) {
            start_game_from_options(app_);
            draw_screen(app_);
        }
        break;
    case screen::rankings:
        rankings_click(app_, x, y);
        break;
    case screen::official_play:
    case screen::option_play:
        play_press(app_, x, y);
        break;
    default:
        draw_screen(app_);
        break;
    }
}

void GameInput::key_down(int key_code) {
    if (start_sequence_running(app_)) return;
    if (key_code == escape_key) press_escape(app_);
}

void GameInput::key_press(int char_code) {
    if (start_sequence_running(app_)) return;
    if (app_.state.name_entry) type_name_char(app_.state, char_code);
}

void GameInput::timer_tick() { game_tick(app_); }

void GameInput::menu_command(MenuCommand command) {
    switch (command) {
    case MenuCommand::ending:
        form_unload(app_);
        break;
    case MenuCommand::form_back:
        // The same as the Esc key, with Esc's own conditions, except on the title, where Esc
        // would quit.
        if (app_.state.screen_state != screen::title) key_down(escape_key);
        break;
    case MenuCommand::varsion:
        open_version_window(app_);
        break;
    case MenuCommand::open_help:
        open_help(app_);
        break;
    case MenuCommand::homepage:
        open_home_page(app_);
        break;
    case MenuCommand::send_replays:
        open_send_window(app_);
        break;
    }
}

void GameInput::window_closed() { form_unload(app_); }

}  // namespace kelvora
