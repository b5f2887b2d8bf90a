#pragma once
// The entry points of the backend modules that the program loads at run time.

#include "platform/platform.hpp"

extern "C" {
// Both hand over a new object that the caller owns.
kelvora::SoundDevice* kelvora_make_sound_device();
kelvora::HttpClient* kelvora_make_http_client();
}

namespace kelvora {
inline constexpr const char* sound_module_file = "kelvora_sound.so";
inline constexpr const char* http_module_file = "kelvora_http.so";
}  // namespace kelvora
