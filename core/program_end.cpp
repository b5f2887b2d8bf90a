#include "core/program_end.hpp"

#include "core/app.hpp"

namespace kelvora {

void form_unload(App& app) {
    app.platform.sound.close_tune();
    app.platform.window.end_program(0);
}

void fatal_error(App& app, const std::string& message) {
    app.platform.window.show_error(message);
    app.platform.window.end_program(1);
}

}  // namespace kelvora
