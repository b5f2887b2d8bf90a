#include "screens/story_screen.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <functional>
#include <vector>

#include "shell/handlers.hpp"
#include "shell/startup.hpp"
#include "test_app.hpp"

namespace kelvora {
namespace {

// step, frames left, line_from, line_to, phase, tunes opened so far
using Moment = std::array<int, 6>;

class StoryScreen : public ::testing::Test {
protected:
    StoryScreen() {
        test->platform.set_input_handler(&input);
        set_start_values(state);
        state.screen_state = screen::title;
        state.escape_ready = true;
        test->platform.set_interval(200);
        // The story is chosen on the title as a player does: point at its entry, click.
        test->platform.move_at(0.0, 250, 398);
        test->platform.press_at(0.01, MouseButton::left, 250, 398);
        test->platform.after_tick = [this] {
            if (state.screen_state != screen::story) return;
            moments.push_back({state.story_step, state.story_frames, state.story_line_from, state.story_line_to,
                               state.story_phase, opened_tunes()});
            times.push_back(test->platform.clock_seconds());
            if (look) look();
        };
    }

    int opened_tunes() const {
        return int(std::count_if(test->sound.calls.begin(), test->sound.calls.end(),
                                 [](const std::string& c) { return c.rfind("open ", 0) == 0; }));
    }

    // Counts the pixels of buffer that differ from `picture` (the picture phase at a pixel)
    // with the text over it: in full above the band, blended in the band.
    int differences(const std::function<Colour(int, int)>& picture, int alpha) const {
        const PictureStore& p = test->app.pictures;
        auto mix = [&](Colour d, Colour s) {
            auto byte = [&](int db, int sb) { return std::uint8_t(sb + ((db - sb) * alpha) / 256); };
            return Colour{byte(d.r, s.r), byte(d.g, s.g), byte(d.b, s.b)};
        };
        int wrong = 0;
        for (int y = 0; y < 500; ++y)
            for (int x = 0; x < 500; ++x) {
                const Colour text = p.story_moji1.bitmap.colour_at(x, y);
                Colour expected = picture(x, y);
                if (y < state.story_line_from)
                    expected = p.story_moji2.bitmap.colour_at(x, y) == black ? text : expected;
                else if (y < state.story_line_to && text != black)
                    expected = mix(expected, text);
                wrong += p.buffer.bitmap.colour_at(x, y) != expected;
            }
        return wrong;
    }

    Colour story_pixel(int x, int y) const { return test->app.pictures.story_image.bitmap.colour_at(x, y - 70); }

    std::unique_ptr<testing::TestApp> test = testing::make_test_app();
    GameState& state = test->state;
    GameInput input{test->app};
    std::vector<Moment> moments;
    std::vector<double> times;
    std::function<void()> look;
};

TEST_F(StoryScreen, RunsItsStepsBandByBandAndReturnsToTheTitle) {
    // step, line_to, phase; steps 7, 13 and 21 do not exist.
    const int steps[][3] = {{1, 73, 0},   {2, 93, 0},   {3, 113, 0},  {4, 133, 0},  {5, 153, 0},
                            {6, 173, 0},  {8, 213, 0},  {9, 241, 0},  {10, 241, 1}, {11, 261, 2},
                            {12, 281, 2}, {14, 321, 2}, {15, 341, 2}, {16, 341, 3}, {17, 361, 4},
                            {18, 381, 4}, {19, 409, 4}, {20, 429, 4}, {22, 469, 4}, {23, 469, 4}};
    std::vector<Moment> expected;
    int from = 0;
    for (const auto& [step, to, phase] : steps) {
        if (step == 23) expected.push_back({23, 5, from, to, phase, 2});  // the whole story, shown at once
        for (int frames = 4; frames >= 0; --frames) {
            // The title tune starts on the second tick of step 10, the play tune with step 16.
            const int tunes = (step > 10 || (step == 10 && frames <= 3)) + (step >= 16);
            expected.push_back({step, frames, from, to, phase, tunes});
        }
        from = to;
    }

    int checked = 0;
    look = [&] {
        const Moment& now = moments.back();
        const int step = now[0], frames = now[1];
        SCOPED_TRACE(::testing::Message() << "step " << step << ", frames " << frames);
        if (step == 2 && frames == 2) {
            // The second band half faded in over black.
            EXPECT_EQ(differences([](int, int) { return black; }, 128), 0);
            ++checked;
        } else if (step == 10 && frames == 3) {
            // The middle of the picture at a quarter of the way in; the text is over it.
            auto middle = [&](int x, int y) {
                if (x < 145 || x >= 350 || y < 70 || y >= 447) return black;
                const Colour s = story_pixel(x, y);
                auto byte = [](int v) { return std::uint8_t(v + (-v * 192) / 256); };
                return Colour{byte(s.r), byte(s.g), byte(s.b)};
            };
            EXPECT_EQ(differences(middle, 192), 0);
            ++checked;
        } else if (step == 16 && frames == 0) {
            // The middle copied (black below the picture's end), the side parts fully in. Only
            // pixels of a side part's key colour may have stayed black, as its border background.
            struct Part {
                int x, y, w, h;
            } parts[] = {{10, 100, 115, 100}, {10, 200, 115, 80}, {10, 280, 115, 160}, {370, 115, 120, 130}};
            auto phase3 = [&](int x, int y) {
                if (x >= 145 && x < 350 && y >= 70 && y < 450) return story_pixel(x, y);
                for (const Part& p : parts) {
                    if (x < p.x || x >= p.x + p.w || y < p.y || y >= p.y + p.h) continue;
                    const Colour s = story_pixel(x, y), key = story_pixel(p.x, p.y);
                    const bool see_through = s == key && get_pixel(test->app.pictures.buffer, x, y) == black;
                    return see_through ? black : s;
                }
                return black;
            };
            EXPECT_EQ(differences(phase3, 0), 0);
            ++checked;
        } else if (step == 23 && frames == 5) {
            auto whole = [&](int x, int y) { return y >= 70 && y < 450 ? story_pixel(x, y) : black; };
            EXPECT_EQ(differences(whole, 0), 0);
            ++checked;
        }
    };
    // Midway, a click changes nothing, and a tune that ends is not restarted on story ticks.
    test->platform.press_at(20.3, MouseButton::left, 250, 250);
    test->platform.at(35.0, [&](InputHandler&) { test->sound.end_tune(); });
    test->platform.run_for(60);

    EXPECT_EQ(moments, expected);
    EXPECT_EQ(checked, 4);
    for (std::size_t i = 1; i < times.size(); ++i) ASSERT_NEAR(times[i] - times[i - 1], 0.5, 1e-6) << i;
    std::vector<std::string> tunes;
    for (const std::string& call : test->sound.calls)
        if (call.rfind("open ", 0) == 0 || call == "rewind") tunes.push_back(call);
    EXPECT_EQ(tunes, (std::vector<std::string>{"open kelvora1.mid", "open kelvora2.mid", "open kelvora1.mid"}));
    // After step 23's five ticks the story leaves by itself, as Esc would.
    EXPECT_EQ(state.screen_state, screen::title);
    EXPECT_TRUE(state.escape_ready);
    EXPECT_TRUE(test->platform.enabled());
    EXPECT_TRUE(test->sound.tune_playing());
}

TEST_F(StoryScreen, EscLeavesAtOnce) {
    test->platform.run_for(23);  // into step 10, with the title tune playing
    ASSERT_EQ(state.story_step, 10);
    const std::size_t shown = moments.size();
    test->platform.key_down_at(test->platform.clock_seconds(), 27);
    // Out 1.05 s and in 1.1 s, then the title with its tune; no story tick follows.
    test->platform.run_for(2.2);
    EXPECT_EQ(state.screen_state, screen::title);
    EXPECT_EQ(test->sound.calls.back(), "play");
    EXPECT_EQ(test->sound.calls[test->sound.calls.size() - 2], "open kelvora1.mid");
    test->platform.run_for(5);
    EXPECT_EQ(moments.size(), shown);
    EXPECT_EQ(state.screen_state, screen::title);
}

}  // namespace
}  // namespace kelvora
