#pragma once
// The group search and the erasure of a large enough group with its chain rule and score.

#include <cstdint>

#include "rules/play_state.hpp"

namespace kelvora {

inline constexpr std::int32_t score_ceiling = 999'999'999;
inline constexpr std::int16_t burst_length = 4;

// Marks in search_front the drops of the clicked cell's colour connected to it through shared
// edges, pass by pass. Returns the group's size n (1 for a lone drop or an empty cell).
int group_search(PlayState& state, Cell clicked);

struct Erasure {
    bool happened = false;  // the group was large enough, and was erased
    int group = 0;          // the group's count
    int erased = 0;         // cells erased (one "bom.wav" each)
    bool chained = false;   // the press continued a chain
    explicit operator bool() const { return happened; }
};

// A press on `clicked`: erases its group when it is large enough, with the chain rule and the
// score; the erased drops start their bursts.
Erasure erase_group(PlayState& state, Cell clicked);

}  // namespace kelvora
