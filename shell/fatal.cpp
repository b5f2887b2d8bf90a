#include "shell/fatal.hpp"

#include "shell/app.hpp"

namespace kelvora {

void fatal_error(App& app, const std::string& message) {
    app.platform.window.show_error(message);
    app.platform.window.end_program(1);
}

}  // namespace kelvora
