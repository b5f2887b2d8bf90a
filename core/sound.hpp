#pragma once
// Wave sounds and the looping background tune, all read from app_dir.

#include <string_view>

namespace kelvora {

struct App;

// Plays app_dir + name asynchronously; a missing file plays nothing.
void play_wave(App& app, std::string_view name);

// Stops and closes the open tune, then opens and plays app_dir + name. An empty name only stops.
void play_music(App& app, std::string_view name);

// Restarts the open tune from its beginning when it has ended; nothing when no tune is open.
void music_loop_check(App& app);

}  // namespace kelvora
