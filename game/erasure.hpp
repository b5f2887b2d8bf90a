#pragma once
// Clicking on the play screen: the rules' erasure with its sounds, chain label and recording,
// and the restart button.

#include <cstdint>

#include "platform/platform.hpp"
#include "rules/erasure.hpp"

namespace kelvora {

struct App;

inline constexpr std::int16_t chain_label_time = 5;

// The erasure at the pointer cell; x and y are the press in whole pixels (the chain label goes
// there). Returns true when a group was erased.
bool erase_at_pointer(App& app, std::int32_t x, std::int32_t y);

// A press on the play screen (official or option play), any button: the name entry's buttons,
// the erasure, the restart button; then the composition.
void play_press(App& app, double x, double y);

}  // namespace kelvora
