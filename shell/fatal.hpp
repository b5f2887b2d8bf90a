#pragma once
#include <string>

namespace kelvora {

struct App;

// Shows the message (message box and stderr) and ends the program with a non-zero status.
void fatal_error(App& app, const std::string& message);

}  // namespace kelvora
