#pragma once
// The two ways the program ends: Form_Unload, and a fatal error with its message.

#include <string>

namespace kelvora {

struct App;

// Form_Unload: releases the fonts, stops and closes the music and ends the program at once
// (status 0).
[[noreturn]] void form_unload(App& app);

// Shows the message (message box and stderr) and ends the program with a non-zero status.
[[noreturn]] void fatal_error(App& app, const std::string& message);

}  // namespace kelvora
