#pragma once
// A small timing harness: every case is timed against a plain memcpy of a 500 x 500 x 4-byte
// picture and printed as a ratio to it, which is steadier across noisy machines than seconds.

#include <functional>
#include <string>
#include <vector>

namespace kelvora {
struct GameState;
}

namespace kelvora::bench {

using Body = std::function<void()>;

struct Case {
    std::string name;
    std::function<Body()> make;  // builds the fixture once and returns the body to time
};

std::vector<Case>& cases();

// Text through QPainter and the Qt window need an application object: one offscreen, kept to the
// end of the process (destroying it after main has returned crashes inside Qt).
void ensure_qt_application();

// Option play on 20 x 40 cells of 10 pixels, every cell taken but the top row, so the rain
// always finds room and the game never ends.
void prepare_full_field(GameState& state);

struct Register {
    Register(std::string name, std::function<Body()> make) { cases().push_back({std::move(name), std::move(make)}); }
};

}  // namespace kelvora::bench
