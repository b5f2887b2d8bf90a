#pragma once
// The play timer's tick: the rules' tick, the game over with its ranking checks, and the
// composition of every screen.

#include <cstdint>

#include "rules/rain.hpp"

namespace kelvora {

struct App;
struct GameState;

// One event of the play timer `thread`, on every screen.
void game_tick(App& app);

// The rain step of the game being played (the rules' rain_step on app.random), with the game
// over when it finds its column full.
void rain_step(App& app);

// The end of a game: music off, the ranking checks, an official game's replay saved, and the
// name entry's growing black box or the game-over sound.
void game_over(App& app);

}  // namespace kelvora
