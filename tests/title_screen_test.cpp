#include "screens/title_screen.hpp"

#include <gtest/gtest.h>

#include "core/sound.hpp"
#include "screens/compositor.hpp"
#include "test_app.hpp"

namespace kelvora {
namespace {

struct Strip {
    std::int16_t choice;
    int top, height, source_top;
};
constexpr Strip strips[] = {{1, 385, 26, 0}, {2, 411, 29, 26}, {3, 440, 25, 55}, {5, 465, 25, 80}};

// True when the 140-wide band at `top` of buffer shows `source` from `source_top` on.
bool band_shows(const Surface& buffer, int top, int height, const Surface& source, int source_x, int source_top) {
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < 140; ++x)
            if (get_pixel(buffer, 180 + x, top + y) != get_pixel(source, source_x + x, source_top + y)) return false;
    return true;
}

class TitleScreen : public ::testing::Test {
protected:
    std::unique_ptr<testing::TestApp> test = testing::make_test_app();
    App& app = test->app;
    GameState& state = app.state;

    void SetUp() override { state.screen_state = screen::title; }
};

TEST_F(TitleScreen, ComposingReappliesTheOfficialValuesEveryTime) {
    for (int round = 0; round < 2; ++round) {
        // What an option game with drop size 1 and fast rain leaves behind.
        state.field_width = 20;
        state.field_height = 40;
        state.cell_size = 10;
        state.tick_interval = 40;
        state.colour_count = 9;
        state.erase_count = 5;
        state.rain_period = 1;
        state.chain_time = 90;
        state.speed_level = 3;
        state.option_hover = 4;
        test->platform.set_interval(40);

        draw_screen(app);

        EXPECT_EQ(state.field_width, 8);
        EXPECT_EQ(state.field_height, 16);
        EXPECT_EQ(state.cell_size, 25);
        EXPECT_EQ(state.tick_interval, 200);
        EXPECT_EQ(state.colour_count, 4);
        EXPECT_EQ(state.erase_count, 2);
        EXPECT_EQ(state.rain_period, 3);
        EXPECT_EQ(state.chain_time, 30);
        EXPECT_EQ(state.speed_level, 1);
        EXPECT_EQ(state.option_hover, 0);
        EXPECT_EQ(test->platform.interval(), 200);
    }
}

TEST_F(TitleScreen, OnlyTheChosenEntryIsHighlighted) {
    const PictureStore& pictures = app.pictures;
    for (const Strip& chosen : strips) {
        state.title_choice = chosen.choice;
        draw_screen(app);
        for (const Strip& s : strips) {
            if (s.choice == chosen.choice) {
                EXPECT_TRUE(band_shows(pictures.work_image, s.top, s.height, pictures.open_image2, 0, s.source_top))
                    << "entry " << s.choice;
            } else {
                EXPECT_TRUE(band_shows(pictures.work_image, s.top, s.height, pictures.open_image, 180, s.top))
                    << "entry " << s.choice << " while " << chosen.choice << " is chosen";
            }
        }
    }
    state.title_choice = 0;
    draw_screen(app);
    for (const Strip& s : strips)
        EXPECT_TRUE(band_shows(pictures.work_image, s.top, s.height, pictures.open_image, 180, s.top));
}

TEST_F(TitleScreen, TheStoryRestartsOnlyWhileItsEntryIsHighlighted) {
    auto set_story = [&] {
        state.story_step = 3;
        state.story_frames = 4;
        state.story_line_to = 5;
        state.story_line_from = 6;
        state.story_phase = 1;
    };
    set_story();
    state.title_choice = 2;
    draw_screen(app);
    EXPECT_EQ(state.story_step, 3);
    EXPECT_EQ(state.story_phase, 1);

    state.title_choice = 1;
    draw_screen(app);
    EXPECT_EQ(state.story_step, 0);
    EXPECT_EQ(state.story_frames, 0);
    EXPECT_EQ(state.story_line_to, 0);
    EXPECT_EQ(state.story_line_from, 0);
    EXPECT_EQ(state.story_phase, 0);
}

TEST_F(TitleScreen, PointingSelectsByOpenRectangles) {
    struct Point {
        double x, y;
        std::int16_t choice;
    };
    const Point points[] = {
        {181, 386, 1},   {319, 410, 1},   {180, 400, 0}, {320, 400, 0},  // left and right edges
        {250, 385, 0},   {250, 411, 0},   {250, 412, 2},                 // story top; shared border
        {250, 439, 2},   {250, 440, 0},   {250, 441, 3}, {250, 465, 0},
        {250, 466, 5},   {250, 489, 5},   {250, 490, 0}, {250, 200, 0},
        {180.4, 400, 0}, {180.6, 400, 1},                                // rounded to whole pixels
        {180.5, 400, 0}, {181.5, 400, 1},                                // halves to even: 180, 182
        {-40000, -40000, 0}, {1e9, 400, 0},                              // far outside stays outside
    };
    for (const Point& p : points) {
        state.title_choice = 7;
        title_pointer_move(app, p.x, p.y);
        EXPECT_EQ(state.title_choice, p.choice) << "at " << p.x << ", " << p.y;
    }
}

TEST_F(TitleScreen, ClickWithoutChoiceOnlyComposes) {
    title_pointer_move(app, 250, 300);
    const int refreshes = test->platform.refresh_count();
    title_click(app);
    EXPECT_EQ(state.screen_state, screen::title);
    EXPECT_TRUE(test->sound.calls.empty());
    EXPECT_EQ(test->platform.refresh_count(), refreshes + 1);
}

TEST_F(TitleScreen, ClickOnOptionsLeavesTheMusicAndShowsTheOptionsAtOnce) {
    play_music(app, "kelvora1.mid");
    test->sound.calls.clear();
    title_pointer_move(app, 250, 450);
    title_click(app);
    EXPECT_EQ(state.screen_state, screen::options);
    EXPECT_EQ(test->sound.waves(), std::vector<std::string>{"po2.wav"});
    EXPECT_FALSE(test->sound.tune_open());
    const Surface& option_image = app.pictures.option_image;
    EXPECT_EQ(get_pixel(app.pictures.work_image, 5, 5), get_pixel(option_image, 5, 5));
}

TEST_F(TitleScreen, ClickOnTheStoryLeavesTheScreenBlack) {
    title_pointer_move(app, 250, 400);
    title_click(app);
    EXPECT_EQ(state.screen_state, screen::story);
    // Nothing is composed for the story: the faded-out picture stays.
    EXPECT_EQ(get_pixel(app.pictures.work_image, 250, 250), black);
}

}  // namespace
}  // namespace kelvora
