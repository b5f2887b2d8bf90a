#include "core/sound.hpp"

#include <string>

#include "core/app.hpp"

namespace kelvora {

void play_wave(App& app, std::string_view name) {
    app.platform.sound.play_wave(app.app_dir + std::string(name));
}

void play_music(App& app, std::string_view name) {
    SoundDevice& sound = app.platform.sound;
    sound.close_tune();
    // An empty name is how the game silences the music: nothing is opened.
    if (name.empty()) return;
    if (sound.open_tune(app.app_dir + std::string(name))) sound.play_tune();
}

void music_loop_check(App& app) {
    SoundDevice& sound = app.platform.sound;
    // The tune is looped by polling: once it has ended it starts again from its first note.
    if (sound.tune_open() && !sound.tune_playing()) {
        sound.rewind_tune();
        sound.play_tune();
    }
}

}  // namespace kelvora
