#pragma once
// The program's start: rank files, the window, start values, help texts, the title.

#include <cstdint>
#include <string>

namespace kelvora {

struct App;
struct GameState;

// The folder of the executable `exe_path` with exactly one trailing separator ("./" for a bare
// file name, "/" for a program in the root folder).
std::string app_dir_of(const std::string& exe_path);

// Every step of start-up up to the title screen with its music, in order. The caller sets
// app.app_dir and app.data_dir (find_program_folders; tests set folders of their own); start-up
// makes sure each ends in exactly one separator and makes the data folder when it is missing.
// (Each game seeds its own rain: app.next_seed.) Ends the program with a message when a rank
// file or a picture cannot be read or written, and then returns at once.
void start_up(App& app);

// Gives every shared variable its start value, with screen_state busy and escape_ready clear,
// as start-up leaves them until the title is shown. The rankings are not touched.
void set_start_values(GameState& state);

}  // namespace kelvora
