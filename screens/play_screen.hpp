#pragma once
// The play screen (screen_state 2 and 4): the well with its drops, bursts, the chain label and
// the score panel while the rain runs; after a game over the game-over view with the name entry.

namespace kelvora {

struct App;

// Composes the play screen and presents it. Every call in the running view is one animation
// frame: it advances burst_frames, burst_colour and chain_label_frames.
void compose_play(App& app);

}  // namespace kelvora
