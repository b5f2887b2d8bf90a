#pragma once
// The options screen (screen_state 3): the six settings of option play and the start label.

#include "platform/platform.hpp"

namespace kelvora {

struct App;

// Composes the options screen: digits (the one under the pointer blinking), the start label and
// the help text of the target under the pointer; then presents it.
void compose_options(App& app);

// Pointer movement: option_hover becomes the target under the pointer (1 to 6 a row, 7 the start
// label, 0 none). The position is compared as the window reports it, without rounding.
void options_pointer_move(App& app, double x, double y);

// A press: left raises and right lowers the setting of the row under the pointer (with
// wrap-around) and composes; on the start label it answers true instead of composing: the
// caller starts an option game.
bool options_click(App& app, MouseButton button, double x, double y);

}  // namespace kelvora
