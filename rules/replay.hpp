#pragma once
// Replays of official games: the seed, the tick and cell of every press that erased a group, and
// the tick of the game over. Encoded compactly (docs/replay-format.md), decoded with cheap
// refusals first, and played again headless to give the only score a replay can claim.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "rules/play_state.hpp"

namespace kelvora {

inline constexpr std::size_t replay_size_limit = 16 * 1024;
inline constexpr std::int32_t replay_tick_limit = 262'144;
inline constexpr std::uint8_t replay_format_version = 1;

struct ReplayEvent {
    std::int32_t tick = 0;  // rule ticks run before the press
    Cell cell;
    friend bool operator==(const ReplayEvent&, const ReplayEvent&) = default;
};

struct Replay {
    std::uint64_t seed = 0;
    std::int32_t score = 0;      // claimed
    std::int32_t max_chain = 0;  // claimed
    std::int32_t end_tick = 0;   // the tick whose rain found its column full
    std::vector<ReplayEvent> events;
    friend bool operator==(const Replay&, const Replay&) = default;
};

struct ReplayResult {
    std::int32_t score = 0;
    std::int32_t max_chain = 0;
    std::int32_t ticks = 0;
};

// The replay's bytes: header, events, checksum.
std::string encode_replay(const Replay& replay);

// The replay, or nullopt with `refusal` saying why (one short English line).
std::optional<Replay> decode_replay(std::string_view bytes, std::string& refusal);

// Plays the replay's official game again; nullopt with `refusal` when a press erases nothing or
// the game over does not fall exactly on the end tick.
std::optional<ReplayResult> simulate_replay(const Replay& replay, std::string& refusal);

// Decodes, plays again, and compares the result with the claim.
std::optional<ReplayResult> verify_replay(std::string_view bytes, std::string& refusal);

}  // namespace kelvora
