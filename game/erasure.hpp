#pragma once
// Clicking on the play screen: the group search, the erasure of a large enough group with its
// chain rule and score, and the restart button.

#include <cstdint>

#include "platform/platform.hpp"

namespace kelvora {

struct App;
struct GameState;
struct Cell;

inline constexpr std::int32_t score_ceiling = 999'999'999;
inline constexpr std::int16_t burst_length = 4;
inline constexpr std::int16_t chain_label_time = 5;

// Marks in search_front the drops of the clicked cell's colour connected to it through shared
// edges, pass by pass. Returns the group's size n (1 for a lone drop or an empty cell).
int group_search(GameState& state, Cell clicked);

// The erasure at the pointer cell; x and y are the press in whole pixels (the chain label goes
// there). Returns true when a group was erased.
bool erase_at_pointer(App& app, std::int32_t x, std::int32_t y);

// A press on the play screen (official or option play), any button: the name entry's buttons,
// the erasure, the restart button; then the composition.
void play_press(App& app, double x, double y);

}  // namespace kelvora
