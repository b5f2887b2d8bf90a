#include "screens/compositor.hpp"

#include "core/app.hpp"
#include "screens/options_screen.hpp"
#include "screens/play_screen.hpp"
#include "screens/ranking_screen.hpp"
#include "screens/title_screen.hpp"

namespace kelvora {

void draw_screen(App& app) {
    // The state is read once: a screen that changes it while composing still finishes itself.
    switch (app.state.screen_state) {
    case screen::title:
        compose_title(app);
        break;
    case screen::official_play:
    case screen::option_play:
        compose_play(app);
        break;
    case screen::options:
        compose_options(app);
        break;
    case screen::rankings:
        compose_rankings(app);
        break;
    default:
        // Busy (-1) and the story (1), which draws on its own ticks: nothing is touched.
        break;
    }
}

void present_buffer(App& app) {
    // One copy, the only visible change of a composition; only the parts that differ from what
    // is shown are written and sent to the screen, and a picture that is already shown sends
    // nothing.
    const std::vector<Rect> changed = copy_changes(app.pictures.work_image, app.pictures.buffer);
    if (!changed.empty()) app.platform.window.refresh(changed);
}

}  // namespace kelvora
