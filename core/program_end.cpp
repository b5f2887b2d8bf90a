#include "core/program_end.hpp"

#include <cstdlib>

#include "core/app.hpp"

namespace kelvora {

void form_unload(App& app) {
    app.fonts.release();
    app.platform.sound.close_tune();
    app.platform.window.end_program(0);
    std::abort();  // end_program never returns; this only tells the compiler so
}

void fatal_error(App& app, const std::string& message) {
    app.platform.window.show_error(message);
    app.platform.window.end_program(1);
    std::abort();
}

}  // namespace kelvora
