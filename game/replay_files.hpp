#pragma once
// Recording official games: each game that reaches its game over leaves its replay in replays/
// of the rank files' folder, named by date, time and score ("20261209-153012-1234.kvr"). The
// folder keeps the 100 newest and every replay whose score holds a place in the official top ten.

#include <cstdint>
#include <string>

#include "rules/play_state.hpp"

namespace kelvora {

struct App;

inline constexpr const char* replay_folder_name = "replays/";
inline constexpr std::size_t replays_kept = 100;

// Begins the replay of the official game just prepared with `seed`.
void start_recording(App& app, std::uint64_t seed);

// Notes a press that erased a group, at the rule tick it came after.
void record_press(App& app, Cell cell);

// At the game over: claims the game's score and longest chain, writes the replay and thins the
// folder. A replay that cannot be written is reported on stderr; the game goes on.
void finish_recording(App& app);

// The replays' folder, ending in a separator.
std::string replay_folder(const App& app);

}  // namespace kelvora
