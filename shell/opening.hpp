#pragma once
// The opening of every run: the logo slides together on black, its four letters shine in turn, a
// fanfare plays, and the picture fades out into the title picture faded in.

namespace kelvora {

struct App;

// Plays the opening; returns when the title picture open_image has been faded in on work_image
// and stands in buffer. It changes no game state: start-up keeps every handler idle meanwhile.
void play_opening(App& app);

}  // namespace kelvora
