#pragma once
// The title screen (screen_state 0): the title picture with its four-entry menu.

namespace kelvora {

struct App;

// Re-applies the official values, then composes the title with the highlight of title_choice
// and presents it.
void compose_title(App& app);

// Pointer movement on the title: title_choice becomes the entry under the pointer, 0 for none.
void title_pointer_move(App& app, double x, double y);

// A press on the title acts on title_choice as the last movement left it, then composes; or,
// for the official game, does nothing and answers true: the caller starts the game.
bool title_click(App& app);

}  // namespace kelvora
