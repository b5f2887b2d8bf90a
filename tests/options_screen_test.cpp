#include "screens/options_screen.hpp"

#include <gtest/gtest.h>

#include "screens/compositor.hpp"
#include "test_app.hpp"

namespace kelvora {
namespace {

// Middle of row i's click target (250 < x < 290, 50 i + 52 < y < 50 i + 92).
constexpr double row_x = 270;
constexpr double row_y(int i) { return 50 * i + 72; }

class OptionsScreen : public ::testing::Test {
protected:
    std::unique_ptr<testing::TestApp> test = testing::make_test_app();
    App& app = test->app;
    GameState& state = app.state;

    void SetUp() override {
        state.screen_state = screen::options;
        for (int i = 0; i < 8; ++i) state.option_help[std::size_t(i)] = i == 0 ? "" : "help " + std::to_string(i);
    }

    std::vector<RecordingText::Call>& texts() { return test->fakes.text.calls; }

    // Whether the 40 x 40 digit area of row i shows nothing but the background.
    bool digit_hidden(int i) {
        const Surface& bg = app.pictures.option_image;
        for (int y = 50 * i + 52; y < 50 * i + 92; ++y)
            for (int x = 240; x < 280; ++x)
                if (get_pixel(app.pictures.work_image, x, y) != get_pixel(bg, x, y)) return false;
        return true;
    }
    bool start_label_hidden() {
        const Surface& bg = app.pictures.option_image;
        for (int y = 420; y < 470; ++y)
            for (int x = 200; x < 300; ++x)
                if (get_pixel(app.pictures.work_image, x, y) != get_pixel(bg, x, y)) return false;
        return true;
    }
};

TEST_F(OptionsScreen, ValuesWrapAroundWithinEachRowsRange) {
    struct Case {
        int row;
        std::int16_t before;
        MouseButton button;
        std::int16_t after;
    };
    const Case cases[] = {
        {1, 9, MouseButton::left, 2}, {1, 2, MouseButton::right, 9}, {1, 5, MouseButton::left, 6},
        {5, 9, MouseButton::left, 2}, {5, 2, MouseButton::right, 9}, {3, 5, MouseButton::left, 1},
        {3, 1, MouseButton::right, 5}, {2, 5, MouseButton::left, 1}, {6, 1, MouseButton::right, 5},
        {4, 3, MouseButton::right, 2},
    };
    for (const Case& c : cases) {
        state.settings[c.row] = c.before;
        options_click(app, c.button, row_x, row_y(c.row));
        EXPECT_EQ(state.settings[c.row], c.after) << "row " << c.row << " from " << c.before;
    }
}

TEST_F(OptionsScreen, OnlyTheTargetBesideTheDigitReacts) {
    const auto before = state.settings;
    options_click(app, MouseButton::left, 245, row_y(2));  // on the drawn digit, left of the target
    options_click(app, MouseButton::left, 250, row_y(2));  // on the target's edge
    options_click(app, MouseButton::left, 270, 147);       // between rows 1 and 2
    EXPECT_EQ(state.settings, before);
    EXPECT_TRUE(test->sound.waves().empty());

    options_click(app, MouseButton::left, 285, row_y(2));  // beside the digit, inside the target
    EXPECT_EQ(state.settings[2], before[2] + 1);
    options_click(app, MouseButton::right, 250.25, row_y(2));  // fractions count: not rounded to 250
    EXPECT_EQ(state.settings[2], before[2]);
    EXPECT_EQ(test->sound.waves(), (std::vector<std::string>{"po.wav", "po.wav"}));
}

TEST_F(OptionsScreen, MiddleButtonSoundsButChangesNothing) {
    const auto before = state.settings;
    options_click(app, MouseButton::middle, row_x, row_y(4));
    EXPECT_EQ(state.settings, before);
    EXPECT_EQ(test->sound.waves(), std::vector<std::string>{"po.wav"});
}

TEST_F(OptionsScreen, PointingFindsRowsAndTheStartLabelExactly) {
    struct Point {
        double x, y;
        std::int16_t hover;
    };
    const Point points[] = {
        {270, row_y(1), 1}, {270, row_y(6), 6},  {250.01, 102.01, 1}, {289.99, 141.99, 1},
        {250, row_y(1), 0}, {290, row_y(1), 0},  {270, 102, 0},       {270, 142, 0},
        {270, 147, 0},      {245, row_y(3), 0},  {250, 445, 7},       {200, 445, 0},
        {299.5, 469.5, 7},  {250, 470, 0},       {0, 0, 0},
    };
    for (const Point& p : points) {
        state.option_hover = 5;
        options_pointer_move(app, p.x, p.y);
        EXPECT_EQ(state.option_hover, p.hover) << "at " << p.x << ", " << p.y;
    }
}

TEST_F(OptionsScreen, TheDigitUnderThePointerBlinks) {
    state.option_hover = 2;
    state.blink_phase = false;
    draw_screen(app);
    for (int i = 1; i <= 6; ++i) EXPECT_FALSE(digit_hidden(i)) << "row " << i;

    state.blink_phase = true;
    draw_screen(app);
    for (int i = 1; i <= 6; ++i) EXPECT_EQ(digit_hidden(i), i == 2) << "row " << i;
    EXPECT_FALSE(start_label_hidden());

    state.option_hover = 7;
    draw_screen(app);
    EXPECT_TRUE(start_label_hidden());
    for (int i = 1; i <= 6; ++i) EXPECT_FALSE(digit_hidden(i)) << "row " << i;
}

TEST_F(OptionsScreen, WithoutHoverNothingBlinksAndTheHelpIsEmpty) {
    state.option_hover = 0;
    state.blink_phase = true;
    state.tick_interval = 40;
    draw_screen(app);
    for (int i = 1; i <= 6; ++i) EXPECT_FALSE(digit_hidden(i)) << "row " << i;
    EXPECT_FALSE(start_label_hidden());
    ASSERT_EQ(texts().size(), 1u);
    EXPECT_EQ(texts()[0].text, "");
    EXPECT_EQ(state.tick_interval, 200);
}

TEST_F(OptionsScreen, HelpTextFollowsThePointer) {
    state.option_hover = 7;
    draw_screen(app);
    ASSERT_EQ(texts().size(), 1u);
    EXPECT_EQ(texts()[0].text, "help 7");
    EXPECT_EQ(texts()[0].format, text_format::wordbreak);
    EXPECT_EQ(texts()[0].surface, &app.pictures.buffer);
}

}  // namespace
}  // namespace kelvora
