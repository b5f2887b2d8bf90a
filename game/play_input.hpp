#pragma once
// The Esc key on every screen, and the name entry after a ranked game: typing, the "BAS" and
// "O.K" buttons with their highlight, and the registration into the rankings.

#include <cstdint>
#include <string>

namespace kelvora {

struct App;
struct GameState;
struct rank_table;

inline constexpr int escape_key = 27;
inline constexpr int backspace_code = 8;

// Esc: leaves the current screen with a fade (option play to the options, others to the title
// with its music) or, on the title, ends the program. Ignored while the name entry is open or
// while another Esc is being handled.
void press_escape(App& app);

// A typed character while the name entry is open: backspace, or codes 33 to 122 up to three.
void type_name_char(GameState& state, int char_code);

// Empty, or one to three spaces: such a name cannot be registered.
bool name_is_blank(const std::string& name);

// The highlight of "BAS" (1) or "O.K" (2) under the pointer, in whole pixels.
void name_entry_hover(GameState& state, std::int32_t x, std::int32_t y);

// A press in whole pixels while the name entry is open: "BAS" deletes, "O.K" registers.
void name_entry_press(App& app, std::int32_t x, std::int32_t y);

// The third column of point and chain entries: "official", or the six settings each after a
// blank (" 4 3 1 3 2 2").
std::string mode_text(const GameState& state);

// Inserts the finished game into every ranking it earned a place in and rewrites those files,
// in the order official, point, chain; then clears the score and closes the name entry.
void register_game(App& app);

}  // namespace kelvora
