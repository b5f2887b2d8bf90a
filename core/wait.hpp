#pragma once
// The wait that lets window events and timer ticks run while it waits.

namespace kelvora {

struct App;

// Returns once `seconds` have passed on the monotonic clock, letting window events and timer
// ticks run meanwhile. wait_seconds(app, 0) processes nothing.
void wait_seconds(App& app, float seconds);

}  // namespace kelvora
