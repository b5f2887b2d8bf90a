#include "shell/opening.hpp"

#include <gtest/gtest.h>

#include <vector>

#include "shell/handlers.hpp"
#include "shell/startup.hpp"
#include "test_app.hpp"

namespace kelvora {
namespace {

// A piece of moji_image placed on a frame: its source rectangle and where it goes.
struct Placed {
    int source_x, source_y, width, height, x, y;
};

// A black 500 x 500 frame with the pieces put on it pixel by pixel.
Bitmap frame_of(const Bitmap& sheet, std::vector<Placed> pieces) {
    Bitmap frame = Bitmap::rgb(500, 500);
    for (const Placed& p : pieces)
        for (int y = 0; y < p.height; ++y)
            for (int x = 0; x < p.width; ++x)
                if (p.x + x < 500) frame.rgb_row(p.y + y)[p.x + x] = sheet.colour_at(p.source_x + x, p.source_y + y).packed();
    return frame;
}

bool shows(const Bitmap& work_image, const Bitmap& frame) {
    for (int y = 0; y < 500; ++y)
        for (int x = 0; x < 500; ++x)
            if ((work_image.rgb_row(y)[x] & 0xFFFFFFu) != frame.rgb_row(y)[x]) return false;
    return true;
}

TEST(Opening, SlidesTheLogoTogetherShinesEachLetterAndFadesIntoTheTitle) {
    auto test = testing::make_test_app();
    App& app = test->app;
    GameInput input(app);
    test->platform.set_input_handler(&input);
    set_start_values(test->state);
    test->platform.set_interval(200);
    // Esc and clicks on the title's menu entries, all through the opening: none may act.
    for (double t : {0.35, 0.75, 1.15, 1.45, 1.8, 2.6, 3.4}) {
        test->platform.key_down_at(t, 27);
        test->platform.press_at(t + 0.01, MouseButton::left, 250, 398);
        test->platform.press_at(t + 0.02, MouseButton::left, 250, 425);
    }

    const Bitmap& sheet = app.pictures.moji_image.bitmap;
    const Bitmap logo = frame_of(sheet, {{0, 100, 200, 100, 150, 200}});
    std::vector<Bitmap> frames;
    std::vector<double> times;
    for (int i = 0; i < 6; ++i) {
        // The upper part enters from the right edge, the lower part from the left.
        frames.push_back(frame_of(sheet, {{0, 100, 200, 38, 500 - 70 * i, 200}, {0, 138, 200, 62, 30 * i, 238}}));
        times.push_back(0.4 + 0.1 * i);
    }
    for (int i = 0; i < 4; ++i) {
        frames.push_back(frame_of(sheet, {{0, 100, 200, 100, 150, 200}, {203 + 48 * i, 138, 48, 50, 153 + 48 * i, 238}}));
        frames.push_back(logo);  // 0.1 s later the plain logo again
        times.push_back(1.1 + 0.1 * i);
        times.push_back(1.2 + 0.1 * i);
    }
    ASSERT_TRUE(shows(frames[5], logo)) << "the slid-in parts make the whole logo";

    int shown = 0;
    std::size_t waves_before_fade = 0, waves_at_last_logo = 1;
    test->platform.on_refresh = [&] {
        const std::size_t i = std::size_t(shown++);
        if (i < frames.size()) {
            EXPECT_TRUE(shows(app.pictures.work_image.bitmap, frames[i])) << "frame " << i;
            EXPECT_NEAR(test->platform.clock_seconds(), times[i], 1e-4) << "frame " << i;
        }
        if (i == frames.size() - 1) waves_at_last_logo = test->sound.waves().size();
        if (i == frames.size()) {
            waves_before_fade = test->sound.waves().size();
            EXPECT_NEAR(test->platform.clock_seconds(), 2.0, 1e-4) << "the fade starts 0.5 s after the sound";
        }
    };
    play_opening(app);

    // The frames above, then 21 frames out to black and 22 of the title's fade in.
    EXPECT_EQ(shown, 14 + 21 + 22);
    EXPECT_EQ(waves_at_last_logo, 0u);
    EXPECT_EQ(waves_before_fade, 1u);
    EXPECT_EQ(test->sound.waves(), std::vector<std::string>{"fan.wav"});
    const Surface& title = app.pictures.open_image;
    EXPECT_EQ(get_pixel(app.pictures.buffer, 123, 321), get_pixel(title, 123, 321));
    EXPECT_FALSE(test->platform.ended());
    EXPECT_EQ(test->state.screen_state, screen::busy);
    EXPECT_TRUE(test->platform.enabled());
}

}  // namespace
}  // namespace kelvora
