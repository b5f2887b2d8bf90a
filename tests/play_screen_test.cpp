#include "screens/play_screen.hpp"

#include <gtest/gtest.h>

#include <climits>

#include "screens/compositor.hpp"
#include "test_app.hpp"

namespace kelvora {
namespace {

constexpr Colour magenta{255, 0, 255};
constexpr Colour chain_word_colour{201, 3, 5};
constexpr Colour game_over_colour{202, 4, 6};
constexpr Colour digit_colour(int d) { return {std::uint8_t(100 + d), 7, 9}; }

Surface solid(int width, int height, Colour colour) {
    Surface s{Bitmap::rgb(width, height)};
    fill_rect(s, 0, 0, width, height, colour);
    return s;
}

struct Box {
    int left = INT_MAX, top = INT_MAX, right = INT_MIN, bottom = INT_MIN;  // inclusive
    int count = 0;
};

Box find_colour(const Surface& s, Colour colour) {
    Box box;
    for (int y = 0; y < 500; ++y)
        for (int x = 0; x < 500; ++x)
            if (get_pixel(s, x, y) == colour) {
                box.left = std::min(box.left, x);
                box.right = std::max(box.right, x);
                box.top = std::min(box.top, y);
                box.bottom = std::max(box.bottom, y);
                ++box.count;
            }
    return box;
}

class PlayScreen : public ::testing::Test {
protected:
    std::unique_ptr<testing::TestApp> test = testing::make_test_app();
    App& app = test->app;
    GameState& state = app.state;
    PictureStore& pictures = app.pictures;

    void SetUp() override {
        state.screen_state = screen::official_play;
        state.rain_running = true;
    }

    std::vector<RecordingText::Call>& texts() { return test->fakes.text.calls; }

    // A moji sheet whose pictures are plain colours under a black mask, so that every masked copy
    // shows exactly where it landed.
    void use_plain_moji_sheet() {
        pictures.moji_image = solid(500, 400, black);
        for (int d = 0; d < 10; ++d) fill_rect(pictures.moji_image, 50 * d, 0, 50, 50, digit_colour(d));
        fill_rect(pictures.moji_image, 0, 50, 100, 50, chain_word_colour);
        fill_rect(pictures.moji_image, 0, 200, 450, 100, game_over_colour);
        pictures.moji_image2 = solid(500, 400, black);
    }

    bool shows_background(int x, int y, int width, int height) {
        for (int j = y; j < y + height; ++j)
            for (int i = x; i < x + width; ++i)
                if (get_pixel(pictures.work_image, i, j) != get_pixel(pictures.back_image, i, j)) return false;
        return true;
    }

    const RecordingText::Call* text_call(const std::string& text) {
        for (const auto& call : texts())
            if (call.text == text) return &call;
        return nullptr;
    }
};

TEST_F(PlayScreen, DropsAreStretchedToTheCellSize) {
    pictures.block_image[2] = solid(25, 25, magenta);
    state.field_width = 4;  // drop size 5: 50-pixel cells
    state.field_height = 8;
    state.cell_size = 50;
    state.drop_grid[2][3] = 3;
    state.drop_grid[2][9] = floor_cell;  // the floor row is never drawn
    state.drop_grid[1][1] = 12;          // nor a value that names no tile
    state.drop_grid[1][2] = -1;
    draw_screen(app);
    Box box = find_colour(pictures.work_image, magenta);
    EXPECT_EQ(box.left, 200);
    EXPECT_EQ(box.top, 170);
    EXPECT_EQ(box.right, 249);
    EXPECT_EQ(box.bottom, 219);
    EXPECT_EQ(box.count, 50 * 50);
}

TEST_F(PlayScreen, ChainCellDropsHideOnlyWhileTheBlinkPhaseIsSet) {
    pictures.block_image[0] = solid(25, 25, magenta);
    state.drop_grid[1][16] = 1;
    state.drop_grid[2][16] = 1;
    state.chain_cells[1][16] = -1;

    state.blink_phase = false;
    draw_screen(app);
    EXPECT_EQ(find_colour(pictures.work_image, magenta).count, 2 * 25 * 25);

    state.blink_phase = true;
    draw_screen(app);
    Box box = find_colour(pictures.work_image, magenta);
    EXPECT_EQ(box.count, 25 * 25);
    EXPECT_EQ(box.left, 175);
    EXPECT_TRUE(shows_background(150, 445, 25, 25));
}

TEST_F(PlayScreen, BurstPiecesFlyApartAndHop) {
    pictures.block_image[1] = solid(25, 25, magenta);
    state.burst_colour[4][8] = 2;
    state.burst_frames[4][8] = 4;
    const int xc = 3 * 25 + 150 + 12, yc = 7 * 25 + 70 + 12;
    const int spread[] = {13, 16, 19, 22};
    const int rise[] = {0, 7, 10, 7};
    for (int frame = 0; frame < 4; ++frame) {
        draw_screen(app);
        Box box = find_colour(pictures.work_image, magenta);
        const int d = spread[frame], u = rise[frame];
        EXPECT_EQ(box.left, xc - d) << "frame " << frame;
        EXPECT_EQ(box.right, xc + d - 1) << "frame " << frame;
        EXPECT_EQ(box.top, yc - 13 - u) << "frame " << frame;
        EXPECT_EQ(box.bottom, yc + 13 - u - 1) << "frame " << frame;
        EXPECT_EQ(box.count, 4 * 12 * 12) << "frame " << frame;
        EXPECT_EQ(state.burst_frames[4][8], 3 - frame);
    }
    // Drawn on its last frame, the burst is then over.
    EXPECT_EQ(state.burst_colour[4][8], 0);
    draw_screen(app);
    EXPECT_EQ(find_colour(pictures.work_image, magenta).count, 0);
    EXPECT_EQ(state.burst_frames[4][8], 0);
}

TEST_F(PlayScreen, SmallBurstCoordinatesRoundToNearest) {
    pictures.block_image[0] = solid(25, 25, magenta);
    state.field_width = 20;
    state.field_height = 40;
    state.cell_size = 10;
    state.burst_colour[1][1] = 1;
    state.burst_frames[1][1] = 4;
    draw_screen(app);
    // Centre (155, 75), spread 10 - 1.2 * 4 = 5.2: pieces at 149.8 -> 150 and 155.2 -> 155.
    Box box = find_colour(pictures.work_image, magenta);
    EXPECT_EQ(box.left, 150);
    EXPECT_EQ(box.right, 159);
    EXPECT_EQ(box.top, 75 - 13);
    EXPECT_EQ(box.count, 4 * 5 * 5);
}

TEST_F(PlayScreen, ChainLabelDigitsStandLeftOfTheWord) {
    use_plain_moji_sheet();
    state.chain_count = 10;
    state.chain_label_frames = 5;
    state.chain_label_x = 300;
    state.chain_label_y = 300;
    draw_screen(app);
    // Base y 200, no rise on the first frame.
    Box one = find_colour(pictures.work_image, digit_colour(1));
    Box zero = find_colour(pictures.work_image, digit_colour(0));
    Box word = find_colour(pictures.work_image, chain_word_colour);
    EXPECT_EQ(one.left, 200);
    EXPECT_EQ(one.top, 200);
    EXPECT_EQ(zero.left, 250);
    EXPECT_EQ(word.left, 300);
    EXPECT_EQ(word.right, 399);
    for (int d = 2; d < 10; ++d) EXPECT_EQ(find_colour(pictures.work_image, digit_colour(d)).count, 0);
    EXPECT_EQ(state.chain_label_frames, 4);

    // It rises by 12, 19, 19 and 12 pixels over the next frames, then disappears.
    for (int rise : {12, 19, 19, 12}) {
        draw_screen(app);
        EXPECT_EQ(find_colour(pictures.work_image, chain_word_colour).top, 200 - rise);
    }
    EXPECT_EQ(state.chain_label_frames, 0);
    draw_screen(app);
    EXPECT_EQ(find_colour(pictures.work_image, chain_word_colour).count, 0);
    EXPECT_EQ(state.chain_label_frames, 0);
}

TEST_F(PlayScreen, ChainLabelNearTheTopHangsBelowThePointer) {
    use_plain_moji_sheet();
    state.chain_count = 3;
    state.chain_label_frames = 5;
    state.chain_label_x = 200;
    state.chain_label_y = 8;
    draw_screen(app);
    Box three = find_colour(pictures.work_image, digit_colour(3));
    EXPECT_EQ(three.left, 150);
    EXPECT_EQ(three.top, 58);
}

TEST_F(PlayScreen, NinetyEightAndNinetyNineShowALeadingZero) {
    use_plain_moji_sheet();
    state.chain_label_x = 300;
    state.chain_label_y = 300;
    state.chain_count = 97;
    state.chain_label_frames = 5;
    draw_screen(app);
    EXPECT_EQ(find_colour(pictures.work_image, digit_colour(0)).count, 0);
    state.chain_count = 98;
    state.chain_label_frames = 5;
    draw_screen(app);
    EXPECT_EQ(find_colour(pictures.work_image, digit_colour(0)).left, 150);
}

TEST_F(PlayScreen, NoChainLabelWithoutFramesLeft) {
    use_plain_moji_sheet();
    state.chain_count = 4;
    for (std::int16_t frames : {std::int16_t(0), std::int16_t(-3)}) {
        state.chain_label_frames = frames;
        draw_screen(app);
        EXPECT_EQ(find_colour(pictures.work_image, chain_word_colour).count, 0);
        EXPECT_EQ(state.chain_label_frames, frames);
    }
}

TEST_F(PlayScreen, AChainLabelWithoutAChainShowsTheWordAlone) {
    use_plain_moji_sheet();
    state.chain_count = 0;
    state.chain_label_frames = 2;
    state.chain_label_x = 300;
    state.chain_label_y = 300;
    draw_screen(app);
    EXPECT_GT(find_colour(pictures.work_image, chain_word_colour).count, 0);
    EXPECT_EQ(find_colour(pictures.work_image, digit_colour(0)).count, 0);
}

TEST_F(PlayScreen, ScorePanelShowsTheFourNumbers) {
    state.total_score = 999999999;
    state.speed_level = 12;
    state.chain_count = 3;
    state.max_chain = 7;
    draw_screen(app);
    // Score and level at the top, the chain and the longest chain down the right.
    ASSERT_EQ(texts().size(), 4u);
    const struct {
        const char* text;
        int left, top;
    } expected[] = {{"999999999", 25, 65}, {"12", 360, 65}, {"3", 380, 305}, {"7", 380, 415}};
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(texts()[i].text, expected[i].text);
        EXPECT_EQ(texts()[i].rect.left, expected[i].left);
        EXPECT_EQ(texts()[i].rect.top, expected[i].top);
        EXPECT_EQ(texts()[i].format, text_format::singleline | text_format::bottom | text_format::right);
    }
}

TEST_F(PlayScreen, GameOverPictureShowsOnEveryOtherTick) {
    use_plain_moji_sheet();
    pictures.block_image[0] = solid(25, 25, magenta);
    state.rain_running = false;
    state.drop_grid[1][16] = 1;
    state.chain_label_frames = 3;
    state.tick_interval = 40;
    for (bool blink : {true, false, true}) {
        state.blink_phase = blink;
        draw_screen(app);
        Box over = find_colour(pictures.work_image, game_over_colour);
        if (blink) {
            EXPECT_EQ(over.left, 25);
            EXPECT_EQ(over.top, 180);
            EXPECT_EQ(over.count, 450 * 100);
        } else {
            EXPECT_EQ(over.count, 0);
        }
    }
    // The well shows empty and nothing animates.
    EXPECT_EQ(find_colour(pictures.work_image, magenta).count, 0);
    EXPECT_EQ(state.chain_label_frames, 3);
    EXPECT_EQ(state.tick_interval, 200);
    EXPECT_EQ(texts().size(), 3u * 4u);
}

class NameEntry : public PlayScreen {
protected:
    void SetUp() override {
        PlayScreen::SetUp();
        use_plain_moji_sheet();
        state.rain_running = false;
        state.name_entry = true;
        state.blink_phase = true;
    }
};

TEST_F(NameEntry, BoxHeadingsAndTypedCharacters) {
    state.player_name = "AB";
    state.name_length = 2;
    draw_screen(app);
    EXPECT_EQ(get_pixel(pictures.work_image, 125, 150), black);
    EXPECT_EQ(get_pixel(pictures.work_image, 374, 349), black);
    EXPECT_EQ(find_colour(pictures.work_image, game_over_colour).count, 0);

    ASSERT_NE(text_call("★ ランク イン！ ★"), nullptr);
    ASSERT_NE(text_call("Please type your name."), nullptr);
    EXPECT_EQ(text_call("Please type your name.")->colour, (Colour{255, 255, 0}));

    const auto* a = text_call("A");
    const auto* b = text_call("B");
    const auto* cursor = text_call("_");
    ASSERT_TRUE(a && b && cursor);
    // Characters stand 40 pixels apart; the cursor takes the next place.
    EXPECT_EQ(a->rect.left, 160);
    EXPECT_EQ(b->rect.left, 200);
    EXPECT_EQ(cursor->rect.left, 240);
    EXPECT_EQ(cursor->rect.right, 330);
    EXPECT_EQ(a->colour, (Colour{0, 128, 255}));
    EXPECT_EQ(cursor->font.height, 45);
}

TEST_F(NameEntry, ButtonsLightUnderThePointer) {
    constexpr Colour grey{180, 180, 180};
    state.player_name = "x";
    state.name_length = 1;
    for (std::int16_t hover : {0, 1, 2}) {
        texts().clear();
        state.name_button_hover = hover;
        draw_screen(app);
        const auto* bas = text_call("BAS");
        const auto* ok = text_call("O.K");
        ASSERT_TRUE(bas && ok);
        EXPECT_EQ(bas->colour, hover == 1 ? white : grey);
        EXPECT_EQ(ok->colour, hover == 2 ? white : grey);
    }
}

TEST_F(NameEntry, AFullNameHasNoCursorAndALitOk) {
    state.player_name = "abc";
    state.name_length = 3;
    state.name_button_hover = 0;
    draw_screen(app);
    EXPECT_EQ(text_call("_"), nullptr);
    ASSERT_NE(text_call("O.K"), nullptr);
    EXPECT_EQ(text_call("O.K")->colour, white);
    ASSERT_NE(text_call("c"), nullptr);
    EXPECT_EQ(text_call("c")->rect.left, 240);
}

TEST_F(NameEntry, CursorBlinks) {
    state.player_name = "";
    state.name_length = 0;
    state.blink_phase = false;
    draw_screen(app);
    EXPECT_EQ(text_call("_"), nullptr);
    state.blink_phase = true;
    draw_screen(app);
    ASSERT_NE(text_call("_"), nullptr);
    EXPECT_EQ(text_call("_")->rect.left, 160);
}

}  // namespace
}  // namespace kelvora
