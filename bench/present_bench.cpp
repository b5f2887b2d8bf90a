// A whole tick as the player gets it: the rain tick on the largest field, its composition with
// the panel's texts drawn by Qt, and the presentation through the real window (offscreen), paint
// event included.

#include <QApplication>

#include <memory>
#include <stdexcept>

#include "bench.hpp"
#include "core/app.hpp"
#include "game/rain_tick.hpp"
#include "platform/headless/headless.hpp"
#include "platform/qt/qt_platform.hpp"

namespace kelvora::bench {
namespace {

struct ShownGame {
    HeadlessServices fakes;
    QtPlatform qt;
    App app{Services{fakes.platform, fakes.platform, qt, qt, fakes.sound, fakes.http, fakes.browser}};
};

// Option play on 20 x 40 cells of 10 pixels with every cell but the top row taken: each tick a
// drop falls in and a few cells change, as in a long game.
std::shared_ptr<ShownGame> shown_game() {
    ensure_qt_application();
    auto game = std::make_shared<ShownGame>();
    std::string error = load_pictures(game->app.pictures, KELVORA_ASSET_DIR);
    if (!error.empty()) throw std::runtime_error(error);
    GameState& state = game->app.state;
    prepare_full_field(state);
    state.field_left = 150;
    state.field_top = 70;
    game->qt.set_picture(&game->app.pictures.work_image.bitmap);
    game->qt.show();
    QApplication::processEvents();
    return game;
}

Register shown_tick("rain tick on a full 20x40 field, Qt text, shown in the window", [] {
    auto game = shown_game();
    Grid full = game->app.state.drop_grid;
    return [game, full] {
        GameState& state = game->app.state;
        state.drop_grid = full;
        state.rain_counter = state.rain_period;  // this tick adds a drop
        game_tick(game->app);
        QApplication::processEvents();  // the paint event and the flush
    };
});

}  // namespace
}  // namespace kelvora::bench
