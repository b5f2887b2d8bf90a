// The sound backend as a module the program loads after its window is shown: SDL2_mixer,
// fluidsynth and their dozens of libraries would otherwise be loaded before the window appears.
#include "platform/module_entry.hpp"
#include "platform/sdl/sdl_sound.hpp"

extern "C" kelvora::SoundDevice* kelvora_make_sound_device() {
    auto* sound = new kelvora::SdlSound();
    sound->start_in_background();
    return sound;
}
