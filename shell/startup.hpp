#pragma once
// The program's start: rank files, the window, start values, help texts, the title.

#include <cstdint>
#include <string>

namespace kelvora {

struct App;

// The folder of the executable `exe_path` with exactly one trailing separator.
std::string app_dir_of(const std::string& exe_path);

// Every step of start-up up to the title screen with its music. Ends the program with a
// message when a rank file or a picture cannot be read or written.
void start_up(App& app, std::uint32_t random_seed);

}  // namespace kelvora
