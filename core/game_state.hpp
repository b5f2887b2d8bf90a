#pragma once
// All state of the game in one plain struct, each variable under its established name. The
// values given here are the start values that start-up establishes.

#include <array>
#include <cstdint>
#include <string>

#include "core/rank_table.hpp"

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

inline constexpr int grid_columns = 26;  // columns 0 to 25
inline constexpr int grid_rows = 51;     // rows 0 to 50
inline constexpr std::int16_t floor_cell = 10;

// The play timer's interval on the title, the options, a game's start and official level 1; the
// option game's speed divides it.
inline constexpr std::int16_t standard_tick_interval = 200;

// A grid addressed as (column, row); row 1 is the top of the well.
using Grid = std::array<std::array<std::int16_t, grid_rows>, grid_columns>;

struct GameState {
    std::int16_t screen_state = screen::busy;

    // Grids
    Grid drop_grid{};
    Grid fall_grid{};
    Grid burst_frames{};
    Grid burst_colour{};
    Grid search_front{};
    Grid search_found{};
    Grid chain_cells{};

    // Option settings, index 1 to 6 (element 0 unused)
    std::array<std::int16_t, 7> settings{0, 4, 3, 1, 3, 2, 2};

    // Game quantities (official values)
    std::int16_t field_width = 8;
    std::int16_t field_height = 16;
    std::int16_t cell_size = 25;
    std::int16_t field_left = 150;
    std::int16_t field_top = 70;
    std::int16_t tick_interval = standard_tick_interval;
    std::int16_t colour_count = 4;
    std::int16_t erase_count = 2;
    std::int16_t rain_period = 3;
    std::int16_t chain_time = 30;
    std::int16_t speed_level = 1;
    std::int16_t level_ticks = 1000;

    // Counters
    std::int32_t total_score = 0;
    std::int16_t chain_count = 0;
    std::int32_t max_chain = 0;
    std::int16_t chain_timer = 0;
    std::int16_t speed_ticks = 0;
    std::int16_t rain_counter = 0;
    std::int16_t chain_label_frames = 0;
    std::int32_t chain_label_x = 0;
    std::int32_t chain_label_y = 0;

    // Flags
    bool rain_running = false;
    bool field_live = true;
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

struct Cell {
    std::int32_t column = 0;
    std::int32_t row = 0;
    friend bool operator==(Cell, Cell) = default;
};

// The field cell under a pointer position (already rounded to whole pixels); (0, 0) outside.
Cell cell_at(const GameState& state, std::int32_t x, std::int32_t y);

// Rounds a pointer coordinate to the nearest whole pixel, halves to even.
std::int32_t round_half_even(double value);

}  // namespace kelvora
