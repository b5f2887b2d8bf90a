#include "screens/ranking_screen.hpp"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "platform/sjis.hpp"
#include "ranking/net_ranking.hpp"
#include "ranking/rank_file.hpp"
#include "ranking/server_address.hpp"
#include "screens/compositor.hpp"
#include "test_app.hpp"

namespace kelvora {
namespace {

struct Tab {
    int left, top, width, height;
};
constexpr Tab tabs[] = {{30, 75, 215, 45}, {320, 75, 110, 45}, {75, 130, 140, 40}, {290, 125, 85, 45}};

// True when the tab's rectangle of the shown picture equals `source` at (source_x, source_y).
bool tab_shows(const Surface& shown, const Tab& tab, const Surface& source, int source_x, int source_y) {
    for (int y = 0; y < tab.height; ++y)
        for (int x = 0; x < tab.width; ++x)
            if (get_pixel(shown, tab.left + x, tab.top + y) != get_pixel(source, source_x + x, source_y + y))
                return false;
    return true;
}

std::string file_bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The server's list with `rows` rows; row p holds "名前p", "2001/05/0p" and 1000 p.
std::string ranking_page(int rows) {
    std::string page = "<HTML><BODY><TABLE><TR><TD>順位</TD><TD>名前</TD><TD>日付</TD><TD>得点</TD></TR>\n";
    for (int p = 1; p <= rows; ++p) {
        page += "<TR><TD>" + std::to_string(p) + "位</TD><TD>名前" + std::to_string(p) + "</TD><TD>2001/05/0" +
                std::to_string(p % 10) + "</TD><TD>" + std::to_string(1000 * p) + "</TD></TR>\n";
    }
    return utf8_to_cp932(page + "</TABLE></BODY></HTML>");
}

class RankingScreen : public ::testing::Test {
protected:
    std::unique_ptr<testing::TestApp> test = testing::make_test_app();
    App& app = test->app;
    GameState& state = app.state;

    void SetUp() override {
        state.screen_state = screen::rankings;
    }

    std::vector<RecordingText::Call>& texts() { return test->fakes.text.calls; }
    FakeHttp& http() { return test->fakes.http; }
    std::string net_file() const { return app.data_dir + net_rank_file; }

    // What start-up read from an earlier run's net_rank.dat.
    rank_table earlier_net_ranking() {
        rank_table earlier = make_rank_table(0, 0);
        earlier.name[1] = "OLD";
        earlier.note[1] = "2000/01/01";
        earlier.score[1] = 5;
        std::string error;
        EXPECT_TRUE(save_rank_file(net_file(), earlier, error)) << error;
        state.net_ranking = earlier;
        return earlier;
    }
};

TEST_F(RankingScreen, PointingFindsTabsByOpenRectangles) {
    struct Point {
        double x, y;
        std::int16_t tab;
    };
    const Point points[] = {
        {31, 76, 0},    {244, 119, 0},  {30, 100, -1},  {100, 75, -1}, {245, 100, -1}, {100, 120, -1},
        {321, 76, 1},   {429, 119, 1},  {320, 100, -1}, {430, 100, -1},
        {76, 131, 2},   {214, 169, 2},  {75, 150, -1},  {100, 130, -1}, {100, 170, -1},
        {291, 126, 3},  {374, 169, 3},  {290, 150, -1}, {375, 150, -1}, {300, 125, -1},
        {30.4, 100, -1}, {30.6, 100, 0}, {250, 300, -1}, {-1e9, 1e9, -1},
    };
    for (const Point& p : points) {
        state.ranking_hover = 2;
        rankings_pointer_move(app, p.x, p.y);
        EXPECT_EQ(state.ranking_hover, p.tab) << "at " << p.x << ", " << p.y;
    }
}

TEST_F(RankingScreen, TheTabUnderThePointerIsHighlightedAndDescribed) {
    const PictureStore& pictures = app.pictures;
    for (std::int16_t hover = -1; hover < 4; ++hover) {
        texts().clear();
        state.ranking_hover = hover;
        draw_screen(app);
        for (int i = 0; i < 4; ++i) {
            const Tab& tab = tabs[i];
            if (i == hover)
                EXPECT_TRUE(tab_shows(pictures.work_image, tab, pictures.rank_image2, tab.left - 30, tab.top - 75));
            else
                EXPECT_TRUE(tab_shows(pictures.work_image, tab, pictures.rank_image, tab.left, tab.top));
        }
        // The first visit has no table: only the description, while a tab is pointed at.
        if (hover < 0) {
            EXPECT_TRUE(texts().empty());
            continue;
        }
        ASSERT_EQ(texts().size(), 1u);
        const RecordingText::Call& description = texts()[0];
        EXPECT_EQ(description.format, text_format::wordbreak);
        EXPECT_EQ(description.font.height, 14);
        EXPECT_EQ(description.rect.left, 20);
        EXPECT_EQ(description.rect.top, 200);
        EXPECT_EQ(description.rect.right, 480);
        EXPECT_EQ(description.rect.bottom, 250);
        const char* const openings[] = {"オフィシャルモード", "インターネット", "オプションモードを含めたポイント",
                                        "オプションモードを含めた連鎖"};
        EXPECT_TRUE(description.text.starts_with(openings[hover])) << description.text;
    }
}

TEST_F(RankingScreen, ClicksOnTabsChooseTheTableSilently) {
    state.point_ranking.name[1] = "PNT";
    auto shown_title = [&] {
        texts().clear();
        draw_screen(app);
        return texts().empty() ? std::string() : texts()[0].text;
    };

    rankings_click(app, 100, 150);  // the point tab
    EXPECT_EQ(state.ranking_page, 2);
    EXPECT_EQ(shown_title(), "ポイントランキング");
    ASSERT_GT(texts().size(), 6u);
    EXPECT_EQ(texts()[6].text, "PNT");  // title, four headings, " 1位", then the first name

    rankings_click(app, 75, 150);   // on the point tab's left border
    rankings_click(app, 250, 122);  // between the official and chain tabs
    EXPECT_EQ(state.ranking_page, 2);
    rankings_click(app, 330, 150);
    EXPECT_EQ(state.ranking_page, 3);
    EXPECT_EQ(shown_title(), "連鎖ランキング");
    rankings_click(app, 100, 100);
    EXPECT_EQ(shown_title(), "オフィシャルランキング");
    EXPECT_TRUE(test->sound.waves().empty());
}

TEST_F(RankingScreen, TheNetRankingIsDownloadedOnceAndSaved) {
    earlier_net_ranking();
    http().reply = ranking_page(10);
    rankings_click(app, 375, 97);

    ASSERT_EQ(http().urls.size(), 1u);
    EXPECT_EQ(http().urls[0], net_ranking_url(ranking_server_address()));
    EXPECT_EQ(state.net_fetch_state, 1);
    rank_table expected = make_rank_table(0, 0);
    for (int p = 1; p <= 10; ++p) {
        expected.name[std::size_t(p)] = utf8_to_cp932("名前" + std::to_string(p));
        expected.note[std::size_t(p)] = "2001/05/0" + std::to_string(p % 10);
        expected.score[std::size_t(p)] = 1000 * p;
    }
    EXPECT_EQ(state.net_ranking, expected);
    const std::string expected_file = app.app_dir + "expected.dat";
    std::string error;
    ASSERT_TRUE(save_rank_file(expected_file, expected, error)) << error;
    EXPECT_EQ(file_bytes(net_file()), file_bytes(expected_file));
    // The table drawn in the same composition is the downloaded one.
    ASSERT_GT(texts().size(), 6u);
    EXPECT_EQ(texts()[6].text, "名前1");

    // Later compositions, clicks and visits download nothing more.
    draw_screen(app);
    rankings_click(app, 145, 150);
    rankings_click(app, 375, 97);
    EXPECT_EQ(http().urls.size(), 1u);
}

TEST_F(RankingScreen, AFailedDownloadKeepsTheEarlierRankingAndItsFile) {
    const rank_table earlier = earlier_net_ranking();
    const std::string before = file_bytes(net_file());
    // A page that breaks off after nine rows: no row of it may reach the table or the file.
    http().reply = ranking_page(9);
    rankings_click(app, 375, 97);

    EXPECT_EQ(state.net_fetch_state, 2);
    EXPECT_EQ(state.net_ranking, earlier);
    EXPECT_EQ(file_bytes(net_file()), before);
    ASSERT_GT(texts().size(), 6u);
    EXPECT_EQ(texts()[6].text, "OLD");

    // No second attempt in this run, even with the server back.
    http().reply = ranking_page(10);
    rankings_click(app, 145, 150);
    rankings_click(app, 375, 97);
    EXPECT_EQ(http().urls.size(), 1u);
    EXPECT_EQ(state.net_ranking, earlier);
}

}  // namespace
}  // namespace kelvora
