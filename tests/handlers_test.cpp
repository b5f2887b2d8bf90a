#include "shell/handlers.hpp"

#include <gtest/gtest.h>

#include "game/game_setup.hpp"
#include "test_app.hpp"

namespace kelvora {
namespace {

using testing::make_test_app;
using testing::TestApp;

struct Dispatch : ::testing::Test {
    void SetUp() override {
        t = make_test_app();
        input = std::make_unique<GameInput>(t->app);
        t->platform.set_input_handler(input.get());
        t->state.escape_ready = true;
    }
    void start_official_game() {
        t->state.screen_state = screen::official_play;
        game_init(t->app);
        t->state.rain_running = true;
    }
    std::unique_ptr<TestApp> t;
    std::unique_ptr<GameInput> input;
};

TEST_F(Dispatch, EveryPointerEventNotesTheCell) {
    t->state.screen_state = screen::rankings;
    input->pointer_move(162.5, 82.5);  // halves to even: (162, 82)
    EXPECT_EQ(t->state.pointer_col, 1);
    EXPECT_EQ(t->state.pointer_row, 1);
    input->pointer_press(MouseButton::left, 10, 10);
    EXPECT_EQ(t->state.pointer_col, 0);
    EXPECT_EQ(t->state.pointer_row, 0);
}

TEST_F(Dispatch, RightButtonErasesLikeTheLeft) {
    start_official_game();
    t->state.drop_grid[1][16] = 3;
    t->state.drop_grid[1][15] = 3;
    input->pointer_press(MouseButton::right, 160, 460);
    EXPECT_EQ(t->state.drop_grid[1][16], 0);
    EXPECT_EQ(t->state.total_score, 2);
}

TEST_F(Dispatch, NameEntryTakesTheMoveAndTheKeys) {
    start_official_game();
    input->key_press('a');
    EXPECT_EQ(t->state.player_name, "");  // no name entry open
    t->state.name_entry = true;
    input->key_press('a');
    input->key_press(8);
    input->key_press('Q');
    EXPECT_EQ(t->state.player_name, "Q");
    input->pointer_move(335, 330);
    EXPECT_EQ(t->state.name_button_hover, 2);
    input->key_down(27);
    EXPECT_EQ(t->state.screen_state, screen::official_play);
}

TEST_F(Dispatch, BackCommandDoesNothingOnTheTitle) {
    t->state.screen_state = screen::title;
    input->menu_command(MenuCommand::form_back);
    EXPECT_FALSE(t->platform.ended());
    EXPECT_EQ(t->state.screen_state, screen::title);
    t->state.screen_state = screen::options;
    input->menu_command(MenuCommand::form_back);
    EXPECT_EQ(t->state.screen_state, screen::title);
}

TEST_F(Dispatch, BackCommandKeepsEscConditions) {
    start_official_game();
    t->state.name_entry = true;
    input->menu_command(MenuCommand::form_back);
    EXPECT_EQ(t->state.screen_state, screen::official_play);
    EXPECT_TRUE(t->sound.calls.empty());
}

TEST_F(Dispatch, BrowserPages) {
    input->menu_command(MenuCommand::open_help);
    input->menu_command(MenuCommand::homepage);
    ASSERT_EQ(t->fakes.browser.opened.size(), 2u);
    EXPECT_EQ(t->fakes.browser.opened[0], t->app.app_dir + "help.html");
    EXPECT_EQ(t->fakes.browser.opened[1].rfind("https://", 0), 0u);
}

TEST_F(Dispatch, QuitAndCloseStopTheMusicAndEnd) {
    t->sound.open_tune(t->app.app_dir + "kelvora1.mid");
    t->sound.play_tune();
    EXPECT_THROW(input->menu_command(MenuCommand::ending), ProgramEnded);
    EXPECT_TRUE(t->platform.ended());
    EXPECT_FALSE(t->sound.tune_open());

    SetUp();
    EXPECT_THROW(input->window_closed(), ProgramEnded);
    EXPECT_TRUE(t->platform.ended());
    EXPECT_EQ(t->platform.exit_status(), 0);
}

TEST_F(Dispatch, TicksRunTheRain) {
    start_official_game();
    t->platform.set_interval(200);
    t->platform.run_for(0.85);  // four ticks: the first drop
    int drops = 0;
    for (int c = 1; c <= 8; ++c) drops += t->state.drop_grid[c][1] != 0;
    EXPECT_EQ(drops, 1);
}

}  // namespace
}  // namespace kelvora
