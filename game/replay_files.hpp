#pragma once
// Recording official games: each game that reaches its game over leaves its replay in replays/
// of the rank files' folder, named by date, time and score ("20261209-153012-1234.kvr"). The
// folder keeps the 100 newest and every replay whose score holds a place in the official top ten.

#include <cstdint>
#include <string>
#include <vector>

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

// A replay not yet sent to the net ranking, as its file claims it.
struct UnsentReplay {
    std::string file;  // the name in the replays' folder
    std::int32_t score = 0;
    std::int32_t max_chain = 0;
    std::string when;  // "2026/12/09 15:30"
};

// The replays not yet sent (that decode), best score first, of equal scores the newest first.
std::vector<UnsentReplay> unsent_replays(const App& app);

// Notes that the server has this replay (accepted, or entered before), so it is not offered again.
void mark_replay_sent(const App& app, const std::string& file);

}  // namespace kelvora
