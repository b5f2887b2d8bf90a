#include "shell/version_window.hpp"

#include "core/app.hpp"
#include "platform/raster.hpp"

namespace kelvora {

namespace {

// The corner of the title picture copied as the background: 2 pixels wider and 3 taller than the
// client area, so the excess is clipped.
constexpr int background_copy_width = 310;
constexpr int background_copy_height = 190;

}  // namespace

void open_version_window(App& app) {
    PlayTimer& timer = app.platform.timer;
    const bool saved_timer_enabled = timer.enabled();
    timer.set_enabled(false);

    // The window is made anew at every opening, so its background is drawn afresh each time.
    Surface background;
    background.bitmap = Bitmap::rgb(version_client_width, version_client_height);
    bit_blt(background, 0, 0, background_copy_width, background_copy_height, app.pictures.open_image, 0, 0,
            Rop::srccopy);
    app.platform.window.show_version(background.bitmap);

    // Changed: the timer gets its state back however the window was closed; its close box used
    // to leave the game frozen until the next game started.
    timer.set_enabled(saved_timer_enabled);
}

}  // namespace kelvora
