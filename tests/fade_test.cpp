#include "pictures/fade.hpp"

#include <gtest/gtest.h>

#include <vector>

#include "shell/handlers.hpp"
#include "test_app.hpp"

namespace kelvora {
namespace {

// A test table opens with a 6 x 6 x 6 colour cube, whose nearest colours are easy to tell.
constexpr std::uint8_t cube_level[6] = {0, 51, 102, 153, 204, 255};

// A title picture colour table: the 216 fade colours, then entries that a fade must never use.
Palette title_palette() {
    Palette p{};
    for (int k = 0; k < 216; ++k) p[k] = {cube_level[k / 36], cube_level[k / 6 % 6], cube_level[k % 6]};
    for (int k = 216; k < 256; ++k) p[k] = {12, 198, 33};
    return p;
}

constexpr Colour red{255, 0, 0};
constexpr Colour off_cube{12, 198, 33};  // nearest cube colour: (0, 204, 51)
constexpr Colour off_cube_nearest{0, 204, 51};

// Records the keys that arrive; every other input does nothing.
struct KeyRecorder : InputHandler {
    void pointer_move(double, double) override {}
    void pointer_press(MouseButton, double, double) override {}
    void key_down(int key_code) override { keys.push_back(key_code); }
    void key_press(int) override {}
    void timer_tick() override {}
    void menu_command(MenuCommand) override {}
    void window_closed() override {}
    std::vector<int> keys;
};

// A headless game with only the pictures a fade uses: the title picture for its colours, a
// 500 x 500 buffer holding red on the left and an off-cube green on the right, work_image 501.
struct FadeApp {
    testing::TestApp test;
    KeyRecorder input;
    PictureStore& pictures = test.app.pictures;

    FadeApp() {
        pictures.open_image = Surface{Bitmap::indexed(500, 500, title_palette())};
        pictures.buffer = Surface{Bitmap::rgb(500, 500)};
        pictures.work_image = Surface{Bitmap::rgb(501, 501)};
        fill_rect(pictures.buffer, 0, 0, 250, 500, red);
        fill_rect(pictures.buffer, 250, 0, 250, 500, off_cube);
        test.platform.set_picture(&pictures.work_image.bitmap);
        test.platform.set_input_handler(&input);
        test.platform.set_interval(200);
    }

    // The left and right colours of work_image halfway through each pause of a fade that
    // starts now, plus the corner pixel outside buffer.
    struct Frame {
        Colour left, right, corner;
    };
    std::vector<Frame> frames;
    void watch_frames(int count) {
        double start = test.platform.clock_seconds();
        for (int i = 0; i < count; ++i)
            test.platform.at(start + 0.05 * i + 0.025, [this](InputHandler&) {
                const Surface& w = pictures.work_image;
                frames.push_back({get_pixel(w, 100, 100), get_pixel(w, 400, 400), get_pixel(w, 500, 500)});
            });
    }
};

struct FadeTest : ::testing::Test, FadeApp {};

TEST(FadePalettes, ScaledWithHalvesToEven) {
    Palette colours{};
    colours[0] = {255, 1, 51};
    colours[215] = {3, 5, 7};
    colours[216] = {255, 255, 255};
    Bitmap picture = Bitmap::indexed(4, 4, colours);
    Surface source{Bitmap::rgb(4, 4)};
    FadePalettes fade = build_fade_palettes(source, 4, 4, 20, picture);
    ASSERT_EQ(fade.palettes.size(), 21u);
    EXPECT_EQ(fade.palettes[10][0], (Colour{128, 0, 26}));  // 127.5, 0.5 and 25.5 to even
    EXPECT_EQ(fade.palettes[10][215], (Colour{2, 2, 4}));    // 1.5, 2.5, 3.5
    EXPECT_EQ(fade.palettes[1][0], (Colour{13, 0, 3}));      // 12.75, 0.05, 2.55
    EXPECT_EQ(fade.palettes[20][0], colours[0]);
    EXPECT_EQ(fade.palettes[20][215], colours[215]);
    for (const Palette& p : fade.palettes) {
        EXPECT_EQ(p[216], black);  // only the first 216 entries take part
        EXPECT_EQ(p[255], black);
    }
    for (const Colour& c : fade.palettes[0]) EXPECT_EQ(c, black);
}

TEST(FadePalettes, PictureWithoutColourTableFadesBlack) {
    Surface source{Bitmap::rgb(3, 3)};
    fill_rect(source, 0, 0, 3, 3, white);
    FadePalettes fade = build_fade_palettes(source, 3, 3, 20, Bitmap::rgb(2, 2));
    for (const Palette& p : fade.palettes)
        for (const Colour& c : p) EXPECT_EQ(c, black);
}

TEST(FadePalettes, CopyHoldsNearestIndexesAndDrawsPerStep) {
    Surface source{Bitmap::rgb(500, 500)};
    fill_rect(source, 0, 0, 250, 500, red);
    fill_rect(source, 250, 0, 250, 500, off_cube);
    FadePalettes fade = build_fade_palettes(source, 501, 501, 20, Bitmap::indexed(1, 1, title_palette()));
    ASSERT_EQ(fade.indexes.width(), 501);
    ASSERT_EQ(fade.indexes.height(), 501);
    const Palette full = fade.palettes[20];
    EXPECT_EQ(full[fade.indexes.index_row(0)[0]], red);
    EXPECT_EQ(full[fade.indexes.index_row(499)[499]], off_cube_nearest);
    EXPECT_EQ(fade.indexes.index_row(500)[500], 0);  // not covered by the source

    Surface target{Bitmap::rgb(501, 501)};
    fill_rect(target, 0, 0, 501, 501, white);
    draw_fade_step(target, 501, 501, fade, 21);  // past the last palette: nothing drawn
    draw_fade_step(target, 501, 501, fade, -1);
    EXPECT_EQ(get_pixel(target, 10, 10), white);
    draw_fade_step(target, 501, 501, fade, 10);
    EXPECT_EQ(get_pixel(target, 10, 10), (Colour{128, 0, 0}));
    EXPECT_EQ(get_pixel(target, 400, 10), (Colour{0, 102, 26}));
}

TEST_F(FadeTest, FadeInFramesAndPauses) {
    double start = test.platform.clock_seconds();
    watch_frames(22);
    fade_screen(test.app, 1);

    EXPECT_EQ(test.platform.refresh_count(), 22);
    EXPECT_NEAR(test.platform.clock_seconds() - start, 22 * 0.05, 1e-4);
    ASSERT_EQ(frames.size(), 22u);
    EXPECT_EQ(frames[0].left, black);
    EXPECT_EQ(frames[0].right, black);
    EXPECT_EQ(frames[10].left, (Colour{128, 0, 0}));
    EXPECT_EQ(frames[20].left, red);
    EXPECT_EQ(frames[20].right, off_cube_nearest);
    EXPECT_EQ(frames[21].right, off_cube_nearest);  // the last frame held one more pause
    EXPECT_EQ(frames[20].corner, black);  // under the window's edge: index 0, black in the cube
    for (int i = 1; i < 21; ++i) EXPECT_GE(frames[i].left.r, frames[i - 1].left.r);
    // The picture to fade in is left as it was.
    EXPECT_EQ(get_pixel(pictures.buffer, 400, 400), off_cube);
}

TEST_F(FadeTest, FadeOutStartsFromTheShownPictureAndEndsBlack) {
    bit_blt(pictures.work_image, 0, 0, 500, 500, pictures.buffer, 0, 0, Rop::srccopy);
    fill_rect(pictures.buffer, 0, 0, 500, 500, white);  // stale: the shown picture is faded
    double start = test.platform.clock_seconds();
    watch_frames(21);
    fade_screen(test.app, 2);

    EXPECT_EQ(test.platform.refresh_count(), 21);
    EXPECT_NEAR(test.platform.clock_seconds() - start, 21 * 0.05, 1e-4);
    ASSERT_EQ(frames.size(), 21u);
    EXPECT_EQ(frames[0].left, red);
    EXPECT_EQ(frames[0].right, off_cube_nearest);  // reduced to the cube's colours
    EXPECT_EQ(frames[20].left, black);
    EXPECT_EQ(frames[20].right, black);
    EXPECT_EQ(get_pixel(pictures.work_image, 250, 250), black);
    // The shown picture was copied into buffer first.
    EXPECT_EQ(get_pixel(pictures.buffer, 400, 400), off_cube);
}

TEST_F(FadeTest, TimerStateSurvivesAndNoTickRunsDuringTheFade) {
    for (bool enabled : {true, false}) {
        test.platform.set_enabled(enabled);
        int ticks = test.platform.ticks_run();
        bool enabled_during = true;
        test.platform.at(test.platform.clock_seconds() + 0.5,
                         [&](InputHandler&) { enabled_during = test.platform.enabled(); });
        fade_screen(test.app, 1);
        EXPECT_FALSE(enabled_during);
        EXPECT_EQ(test.platform.ticks_run(), ticks);
        EXPECT_EQ(test.platform.enabled(), enabled);
        EXPECT_EQ(test.platform.interval(), 200);
    }
}

TEST_F(FadeTest, InputRunsInsideThePauses) {
    double start = test.platform.clock_seconds();
    int refreshes_at_key = -1;
    test.platform.key_down_at(start + 0.51, 27);
    test.platform.at(start + 0.52, [&](InputHandler&) { refreshes_at_key = test.platform.refresh_count(); });
    fade_screen(test.app, 2);
    EXPECT_EQ(input.keys, std::vector<int>{27});
    EXPECT_EQ(refreshes_at_key, 11);  // after the eleventh frame, in its pause
}

// Esc on the ranking screen fades out and the title in; Esc pressed again during those fades
// finds the first one still being handled and changes nothing.
TEST(FadeEscape, SecondEscDuringTheFadesIsIgnored) {
    auto escape_from_rankings = [](std::vector<double> extra_escapes) {
        FadeApp f;
        GameInput game_input(f.test.app);
        f.test.platform.set_input_handler(&game_input);
        f.test.state.screen_state = screen::rankings;
        f.test.state.escape_ready = true;
        f.test.platform.set_enabled(false);  // only the fades draw
        f.test.platform.key_down_at(0.01, 27);
        for (double t : extra_escapes) f.test.platform.key_down_at(t, 27);
        f.test.platform.run_for(4.0);
        EXPECT_EQ(f.test.state.screen_state, screen::title);
        EXPECT_TRUE(f.test.state.escape_ready);
        EXPECT_FALSE(f.test.platform.ended());
        return std::pair(f.test.platform.refresh_count(), f.test.sound.calls);
    };
    auto once = escape_from_rankings({});
    auto pressed_again = escape_from_rankings({0.3, 0.6, 1.5, 2.0});
    EXPECT_EQ(once.first, 21 + 22);
    EXPECT_EQ(pressed_again, once);
}

}  // namespace
}  // namespace kelvora
