#include "shell/handlers.hpp"

#include <gtest/gtest.h>

#include "game/game_setup.hpp"
#include "game/play_input.hpp"
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

// The screens only say what was clicked; the dispatch starts the game, official from the title
// (recording it) and option play from the options' start label (not recorded).
TEST_F(Dispatch, ClicksOnTheTitleAndTheOptionsStartGames) {
    t->state.screen_state = screen::title;
    t->state.title_choice = screen::official_play;
    input->pointer_press(MouseButton::left, 250, 250);
    EXPECT_EQ(t->state.screen_state, screen::official_play);
    EXPECT_TRUE(t->state.rain_running);
    EXPECT_TRUE(t->app.recording.has_value());

    t->state.screen_state = screen::options;
    t->state.option_hover = 7;
    const int refreshes = t->platform.refresh_count();
    input->pointer_press(MouseButton::left, 250, 445);
    EXPECT_EQ(t->state.screen_state, screen::option_play);
    EXPECT_EQ(t->state.option_hover, 0);
    EXPECT_TRUE(t->state.rain_running);
    EXPECT_FALSE(t->app.recording.has_value());
    EXPECT_GT(t->platform.refresh_count(), refreshes);
}

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

// The back command leaves every screen exactly as Esc does, fades, music and all; chosen again
// during those fades it finds the Esc taken and is ignored. On the title it does nothing.
TEST_F(Dispatch, BackCommandIsEscExceptOnTheTitle) {
    struct Outcome {
        std::int16_t screen_state;
        std::vector<std::string> sounds;
        double seconds;
    };
    auto leave = [this](std::int16_t from, bool by_menu) {
        SetUp();
        t->state.screen_state = from;
        t->state.rain_running = from == screen::official_play || from == screen::option_play;
        if (by_menu) {
            t->platform.menu_at(0.3, MenuCommand::form_back);
            input->menu_command(MenuCommand::form_back);
        } else {
            input->key_down(escape_key);
        }
        return Outcome{t->state.screen_state, t->sound.calls, t->platform.clock_seconds()};
    };
    for (std::int16_t from : {screen::story, screen::official_play, screen::options, screen::option_play,
                              screen::rankings}) {
        Outcome esc = leave(from, false), back = leave(from, true);
        EXPECT_EQ(back.screen_state, esc.screen_state) << from;
        EXPECT_EQ(back.screen_state, from == screen::option_play ? screen::options : screen::title);
        EXPECT_EQ(back.sounds, esc.sounds) << from;
        EXPECT_GT(back.seconds, 2.0);  // faded out and in
        EXPECT_FALSE(t->state.rain_running);
    }

    SetUp();
    t->state.screen_state = screen::title;
    input->menu_command(MenuCommand::form_back);
    EXPECT_FALSE(t->platform.ended());
    EXPECT_EQ(t->state.screen_state, screen::title);
    EXPECT_TRUE(t->sound.calls.empty());
    EXPECT_EQ(t->platform.clock_seconds(), 0.0);
}

TEST_F(Dispatch, BackCommandKeepsEscConditions) {
    start_official_game();
    t->state.name_entry = true;
    input->menu_command(MenuCommand::form_back);
    EXPECT_EQ(t->state.screen_state, screen::official_play);
    EXPECT_TRUE(t->sound.calls.empty());
}

// The help page beside the program, and the ranking server's top page as the home page; a page
// that cannot be opened is named in a message, with the reason.
TEST_F(Dispatch, BrowserPages) {
    setenv("KELVORA_RANKING_SERVER", "http://ranking.test:8470", 1);
    input->menu_command(MenuCommand::open_help);
    input->menu_command(MenuCommand::homepage);
    EXPECT_EQ(t->fakes.browser.opened,
              (std::vector<std::string>{t->app.app_dir + "help.html", "http://ranking.test:8470/"}));
    EXPECT_TRUE(t->platform.messages().empty());

    t->fakes.browser.failure = "no browser";
    input->menu_command(MenuCommand::open_help);
    ASSERT_EQ(t->platform.messages().size(), 1u);
    EXPECT_NE(t->platform.messages()[0].find(t->app.app_dir + "help.html"), std::string::npos);
    EXPECT_NE(t->platform.messages()[0].find("no browser"), std::string::npos);

    // Only a web address is handed to the browser.
    setenv("KELVORA_RANKING_SERVER", "-x; file:///etc/passwd", 1);
    input->menu_command(MenuCommand::homepage);
    EXPECT_EQ(t->fakes.browser.opened.size(), 3u);
    ASSERT_EQ(t->platform.messages().size(), 2u);
    EXPECT_NE(t->platform.messages()[1].find("-x; file:///etc/passwd"), std::string::npos);
    unsetenv("KELVORA_RANKING_SERVER");
}

// The fonts go, then the music, then the program; nothing runs after it.
TEST_F(Dispatch, QuitAndCloseStopTheMusicAndEnd) {
    t->sound.open_tune(t->app.app_dir + "kelvora1.mid");
    t->sound.play_tune();
    t->sound.calls.clear();
    t->state.screen_state = screen::options;
    t->platform.menu_at(1.0, MenuCommand::ending);
    t->platform.key_down_at(1.1, escape_key);
    EXPECT_THROW(t->platform.run_for(5.0), ProgramEnded);
    EXPECT_TRUE(t->platform.ended());
    EXPECT_EQ(t->sound.calls, std::vector<std::string>{"close"});
    EXPECT_EQ(t->app.fonts.text_font.height, 0);
    EXPECT_EQ(t->app.fonts.name_font.height, 0);
    t->platform.run_for(5.0);
    EXPECT_EQ(t->state.screen_state, screen::options);  // the Esc never came

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
