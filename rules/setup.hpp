#pragma once
// Setting up a game: the official quantities and the empty well with its floor.

#include "rules/play_state.hpp"

namespace kelvora {

// The official field: 8 x 16 cells of 25 pixels at (150, 70), four colours, groups of two, rain
// every third tick, a 30-tick chain window.
void apply_official_field(PlayState& state);

// The fixed quantities of official play (field 8 x 16 of 25-pixel cells, 200 ms, four colours,
// ...), with the counters cleared and field_live set. The play timer's interval is left to the
// caller.
void apply_official_values(PlayState& state);

// Prepares a game: the official field and level length, or option play's quantities from the
// settings; clears the counters, empties the field and lays its floor. `keep_result` keeps the
// score and the longest chain for a name entry still pending.
void prepare_game(PlayState& state, bool official, bool keep_result = false);

}  // namespace kelvora
