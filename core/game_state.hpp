#pragma once
// All state of the game in one plain struct, each variable under its established name. The
// values given here are the start values that start-up establishes.

#include <array>
#include <cstdint>
#include <string>

#include "core/rank_table.hpp"
#include "rules/play_state.hpp"

namespace kelvora {

// screen_state values
namespace screen {
inline constexpr std::int16_t busy = -1;
inline constexpr std::int16_t title = 0;
inline constexpr std::int16_t story = 1;
inline constexpr std::int16_t official_play = 2;
inline constexpr std::int16_t options = 3;
inline constexpr std::int16_t option_play = 4;
inline constexpr std::int16_t rankings = 5;
}  // namespace screen

// The rules' part (grids, settings, quantities, counters) comes from PlayState.
struct GameState : PlayState {
    std::int16_t screen_state = screen::busy;

    // Shown quantities
    std::int16_t chain_label_frames = 0;
    std::int32_t chain_label_x = 0;
    std::int32_t chain_label_y = 0;

    // Flags
    bool blink_phase = false;
    bool name_entry = false;
    bool escape_ready = false;
    // A start sequence is running; presses, keys and the back command wait for its end, so
    // nothing acts on a half-started game.
    bool game_starting = false;

    // Name entry
    std::string player_name;  // at most 3 characters of codes 33 to 122
    std::int16_t name_length = 0;
    std::int16_t name_button_hover = 0;  // 0 none, 1 "BAS", 2 "O.K"
    std::int16_t official_rank_pos = 0;
    std::int16_t point_rank_pos = 0;
    std::int16_t chain_rank_pos = 0;

    // Pointer cell
    std::int32_t pointer_col = 0;
    std::int32_t pointer_row = 0;

    // Rankings
    rank_table official_ranking{};
    rank_table point_ranking{};
    rank_table chain_ranking{};
    rank_table net_ranking{};

    // Title, options and ranking screens
    std::int16_t title_choice = 0;
    std::int16_t option_hover = 0;
    std::array<std::string, 8> option_help{};  // UTF-8, lines separated by a carriage return alone
    std::int16_t ranking_hover = -1;
    std::int16_t ranking_page = -1;
    std::int16_t net_fetch_state = -1;  // -1 not tried, 1 downloaded, 2 failed

    // Story
    std::int16_t story_step = 0;
    std::int16_t story_frames = 0;
    std::int16_t story_line_from = 0;
    std::int16_t story_line_to = 0;
    std::int16_t story_phase = 0;
};

// The field cell under a pointer position (already rounded to whole pixels); (0, 0) outside.
Cell cell_at(const GameState& state, std::int32_t x, std::int32_t y);

// Rounds a pointer coordinate to the nearest whole pixel, halves to even.
std::int32_t round_half_even(double value);

}  // namespace kelvora
