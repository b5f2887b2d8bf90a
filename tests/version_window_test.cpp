#include "shell/version_window.hpp"

#include <gtest/gtest.h>

#include "game/game_setup.hpp"
#include "game/play_input.hpp"
#include "shell/handlers.hpp"
#include "test_app.hpp"

namespace kelvora {
namespace {

using testing::make_test_app;
using testing::TestApp;

struct Game {
    Game() {
        t->platform.set_input_handler(&input);
        t->state.screen_state = screen::official_play;
        t->state.escape_ready = true;
        game_init(t->app);
        t->state.rain_running = true;
        t->app.random.seed(11);
        t->platform.set_interval(standard_tick_interval);
    }
    std::unique_ptr<TestApp> t = make_test_app();
    GameInput input{t->app};
};

// A game that stood still for 3 s behind the version window goes on exactly as one that never
// saw it; game input meanwhile is held off by the modal window.
TEST(VersionWindow, FreezesTheRainAndResumesItExactly) {
    Game plain, paused;
    plain.t->platform.run_for(5.1);
    const int ticks = plain.t->platform.ticks_run();

    paused.t->platform.menu_at(2.05, MenuCommand::varsion);
    paused.t->platform.key_down_at(3.0, escape_key);
    paused.t->platform.close_version_at(5.05);
    paused.t->platform.run_for(5.1);
    EXPECT_EQ(paused.t->platform.version_shown(), 1);
    EXPECT_FALSE(paused.t->platform.version_open());
    EXPECT_TRUE(paused.t->platform.enabled());
    EXPECT_EQ(paused.t->state.screen_state, screen::official_play);  // the Esc never reached the game
    EXPECT_LT(paused.t->platform.ticks_run(), ticks - 10);

    while (paused.t->platform.ticks_run() < ticks) paused.t->platform.run_for(0.2);
    EXPECT_EQ(paused.t->state.drop_grid, plain.t->state.drop_grid);
    EXPECT_EQ(paused.t->state.speed_level, plain.t->state.speed_level);
}

// Off before, off after; the background is the top-left corner of the title picture, clipped to
// the window.
TEST(VersionWindow, KeepsATimerThatWasOffAndShowsTheTitleCorner) {
    auto t = make_test_app();
    t->platform.set_interval(standard_tick_interval);
    t->platform.set_enabled(false);
    open_version_window(t->app);  // nothing scripted: closed at once
    EXPECT_FALSE(t->platform.enabled());

    const Bitmap& shown = t->platform.version_background();
    ASSERT_EQ(shown.width(), version_client_width);
    ASSERT_EQ(shown.height(), version_client_height);
    const Bitmap& title = t->app.pictures.open_image.bitmap;
    for (int y = 0; y < version_client_height; y += 31)
        for (int x = 0; x < version_client_width; x += 37)
            ASSERT_EQ(shown.colour_at(x, y), title.colour_at(x, y)) << x << "," << y;
    EXPECT_EQ(shown.colour_at(307, 186), title.colour_at(307, 186));
}

}  // namespace
}  // namespace kelvora
