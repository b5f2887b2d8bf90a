#pragma once
// Preparing a game: the official values, game_init, and the start sequence that every start of
// a game runs (from the title, from the options screen, and the restart button).

#include "rules/setup.hpp"

namespace kelvora {

struct App;

// Prepares a game for screen_state 2 (the official field) or 4 (from the settings) with the
// rules' prepare_game, seeds its rain afresh, starts recording an official game, and composes
// the screen. Leaves rain_running and the timer alone.
void game_init(App& app);

// The whole start from the title's official-game entry: stops the music, plays "po2.wav",
// fades out, sets screen_state 2 and runs the start animation up to a running game with its
// music. The caller composes the screen afterwards, as every click does.
void start_game_from_title(App& app);

// The same from the options screen's start label, into option play (screen_state 4).
void start_game_from_options(App& app);

// The play screen's restart button: shows the button pressed, runs the start animation and
// starts a new game of the current mode. Composes the screen itself (through game_init).
void restart_game(App& app);

// True while a start sequence runs; input arriving meanwhile is ignored by the dispatch.
bool start_sequence_running(const App& app);

}  // namespace kelvora
