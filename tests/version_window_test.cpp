#include "shell/version_window.hpp"

#include <gtest/gtest.h>

#include "game/game_setup.hpp"
#include "game/play_input.hpp"
#include "shell/handlers.hpp"
#include "test_app.hpp"

namespace kelvora {
namespace {

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
    std::unique_ptr<testing::TestApp> t = testing::make_test_app();
    GameInput input{t->app};
};

// A game that stood still for 3 s behind the version window goes on exactly as one that never
// saw it; game input meanwhile is held off by the modal window. A timer that was off stays off.
TEST(VersionWindow, FreezesTheGameAndGivesTheTimerItsStateBack) {
    Game plain, paused;
    plain.t->platform.run_for(5.1);
    const int ticks = plain.t->platform.ticks_run();

    paused.t->platform.menu_at(2.05, MenuCommand::varsion);
    paused.t->platform.key_down_at(3.0, escape_key);
    paused.t->platform.close_version_at(5.05);
    paused.t->platform.run_for(5.1);
    EXPECT_EQ(paused.t->platform.version_shown(), 1);
    EXPECT_TRUE(paused.t->platform.enabled());
    EXPECT_EQ(paused.t->state.screen_state, screen::official_play);  // the Esc never reached the game
    EXPECT_LT(paused.t->platform.ticks_run(), ticks - 10);
    while (paused.t->platform.ticks_run() < ticks) paused.t->platform.run_for(0.2);
    EXPECT_EQ(paused.t->state.drop_grid, plain.t->state.drop_grid);

    paused.t->platform.set_enabled(false);
    open_version_window(paused.t->app);  // nothing scripted: closed at once
    EXPECT_FALSE(paused.t->platform.enabled());
    EXPECT_EQ(paused.t->platform.version_background().width(), version_client_width);
}

}  // namespace
}  // namespace kelvora
