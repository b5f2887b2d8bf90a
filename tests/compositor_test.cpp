#include "screens/compositor.hpp"

#include <gtest/gtest.h>

#include "test_app.hpp"

namespace kelvora {
namespace {

constexpr Colour marker{12, 34, 56};

bool same_pixels(const Surface& a, const Surface& b, int width, int height) {
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (get_pixel(a, x, y) != get_pixel(b, x, y)) return false;
    return true;
}

bool filled_with(const Surface& s, Colour colour) {
    for (int y = 0; y < s.height(); ++y)
        for (int x = 0; x < s.width(); ++x)
            if (get_pixel(s, x, y) != colour) return false;
    return true;
}

class Compositor : public ::testing::Test {
protected:
    std::unique_ptr<testing::TestApp> test = testing::make_test_app();
    App& app = test->app;
    PictureStore& pictures = app.pictures;

    void paint_marker() {
        fill_rect(pictures.buffer, 0, 0, pictures.buffer.width(), pictures.buffer.height(), marker);
        fill_rect(pictures.work_image, 0, 0, pictures.work_image.width(), pictures.work_image.height(), marker);
    }
};

TEST_F(Compositor, BusyStoryAndUnknownStatesTouchNothing) {
    for (std::int16_t state : {screen::busy, screen::story, std::int16_t(6), std::int16_t(-7)}) {
        paint_marker();
        app.state.screen_state = state;
        const int refreshes = test->platform.refresh_count();
        draw_screen(app);
        EXPECT_TRUE(filled_with(pictures.buffer, marker)) << "state " << state;
        EXPECT_TRUE(filled_with(pictures.work_image, marker)) << "state " << state;
        EXPECT_EQ(test->platform.refresh_count(), refreshes) << "state " << state;
        EXPECT_EQ(app.state.screen_state, state);
    }
}

TEST_F(Compositor, EachScreenStartsFromItsBackground) {
    struct Case {
        std::int16_t state;
        const Surface* background;
    };
    // The top-left corner carries no overlay on any of these screens.
    for (Case c : {Case{screen::title, &pictures.open_image}, Case{screen::options, &pictures.option_image},
                   Case{screen::official_play, &pictures.back_image},
                   Case{screen::option_play, &pictures.back_image}}) {
        paint_marker();
        app.state.screen_state = c.state;
        app.state.rain_running = true;
        draw_screen(app);
        EXPECT_TRUE(same_pixels(pictures.buffer, *c.background, 20, 20)) << "state " << c.state;
        EXPECT_TRUE(same_pixels(pictures.work_image, *c.background, 20, 20)) << "state " << c.state;
    }
}

TEST_F(Compositor, PresentCopiesTheBufferOnceAndRefreshes) {
    paint_marker();
    fill_rect(pictures.buffer, 0, 0, 500, 500, Colour{1, 2, 3});
    fill_rect(pictures.buffer, 499, 499, 1, 1, Colour{9, 8, 7});
    const int refreshes = test->platform.refresh_count();
    present_buffer(app);
    EXPECT_TRUE(same_pixels(pictures.work_image, pictures.buffer, 500, 500));
    EXPECT_EQ(get_pixel(pictures.work_image, 499, 499), (Colour{9, 8, 7}));
    // work_image's extra column and row lie under the window edge and keep what they had.
    EXPECT_EQ(get_pixel(pictures.work_image, 500, 10), marker);
    EXPECT_EQ(get_pixel(pictures.work_image, 10, 500), marker);
    EXPECT_EQ(test->platform.refresh_count(), refreshes + 1);
    const std::vector<Rect>& whole = test->platform.refreshed();
    ASSERT_EQ(whole.size(), 1u);
    EXPECT_EQ(whole[0].right, 500);
    EXPECT_EQ(whole[0].bottom, 500);

    // Only the changed tiles are refreshed, up to the picture's edge; an unchanged picture sends
    // nothing.
    fill_rect(pictures.buffer, 20, 30, 2, 2, Colour{4, 5, 6});
    fill_rect(pictures.buffer, 499, 499, 1, 1, Colour{7, 7, 7});
    present_buffer(app);
    EXPECT_TRUE(same_pixels(pictures.work_image, pictures.buffer, 500, 500));
    const std::vector<Rect>& parts = test->platform.refreshed();
    ASSERT_EQ(parts.size(), 2u);
    EXPECT_EQ(parts[0].left, 16);
    EXPECT_EQ(parts[0].top, 16);
    EXPECT_EQ(parts[0].right, 32);
    EXPECT_EQ(parts[0].bottom, 32);
    EXPECT_EQ(parts[1].left, 496);
    EXPECT_EQ(parts[1].bottom, 500);
    present_buffer(app);
    EXPECT_EQ(test->platform.refresh_count(), refreshes + 2);
}

}  // namespace
}  // namespace kelvora
