// The version window on the real window backend, opened during play over the shown game window:
// it is application-modal and transient for the game window, the rain stands still behind it,
// and goes on once the window is closed by another route than a click (its look and the click
// are checked under Xvfb).

#include <gtest/gtest.h>
#include <QApplication>
#include <QKeyEvent>
#include <QTimer>
#include <QWindow>

#include "core/app.hpp"
#include "game/game_setup.hpp"
#include "platform/headless/headless.hpp"
#include "platform/qt/main_window.hpp"
#include "platform/qt/qt_platform.hpp"
#include "platform/qt/version_window.hpp"
#include "shell/handlers.hpp"
#include "test_app.hpp"

namespace kelvora {
namespace {

TEST(QtVersionWindow, FreezesTheRainDuringPlayAndResumesItWhenClosed) {
    QtPlatform platform;
    HeadlessServices fakes;
    App app{Services{platform, platform, platform, platform, fakes.sound, fakes.http, fakes.browser}};
    GameInput input{app};
    ASSERT_EQ(load_pictures(app.pictures, KELVORA_ASSET_DIR), "");
    app.app_dir = testing::make_temp_dir();
    platform.set_input_handler(&input);
    platform.show();
    auto wait = [&](double seconds) { platform.run_events_until(platform.clock_seconds() + seconds); };

    app.state.screen_state = screen::official_play;
    app.state.escape_ready = true;
    game_init(app);
    app.state.rain_running = true;
    platform.set_interval(standard_tick_interval);
    wait(1.1);  // the first drops are falling

    Grid at_open{};
    bool checked = false;
    QTimer::singleShot(0, [&] {
        auto* window = dynamic_cast<VersionWindow*>(QApplication::activeModalWidget());
        ASSERT_NE(window, nullptr);
        EXPECT_EQ(window->windowModality(), Qt::ApplicationModal);
        ASSERT_NE(window->windowHandle(), nullptr);
        EXPECT_EQ(window->windowHandle()->transientParent(), platform.main_window().windowHandle());
        at_open = app.state.drop_grid;
        EXPECT_FALSE(platform.enabled());
        wait(1.0);
        EXPECT_EQ(app.state.drop_grid, at_open);
        QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(window, &esc);
        checked = !window->isVisible();
        if (!checked) window->reject();  // a failed check must not hang the test
    });
    input.menu_command(MenuCommand::varsion);
    EXPECT_TRUE(checked);

    EXPECT_EQ(app.state.drop_grid, at_open);
    EXPECT_TRUE(platform.enabled());
    wait(0.5);
    EXPECT_NE(app.state.drop_grid, at_open);
    EXPECT_EQ(app.state.screen_state, screen::official_play);
}

}  // namespace
}  // namespace kelvora
