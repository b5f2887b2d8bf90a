#include "shell/startup.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "game/play_input.hpp"
#include "screens/ranking_screen.hpp"
#include "platform/bmp.hpp"
#include "ranking/rank_file.hpp"
#include "shell/handlers.hpp"
#include "test_app.hpp"

namespace kelvora {
namespace {

namespace fs = std::filesystem;

std::string read_bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// Every picture of the store, of the right size and depth, written into `dir`: start-up reads
// them from the program folder, as it reads the rank files.
void write_pictures(const std::string& dir) {
    Palette palette{};
    for (int k = 0; k < 256; ++k) palette[k] = {std::uint8_t(k), std::uint8_t(255 - k), std::uint8_t(k / 2)};
    for (const PictureFile& file : picture_files()) {
        Bitmap bitmap = file.depth == 1 ? Bitmap::mono(file.width, file.height)
                                        : Bitmap::indexed(file.width, file.height, palette);
        for (int y = 0; y < file.height; ++y)
            for (int x = 0; x < file.width; ++x) bitmap.index_row(y)[x] = std::uint8_t((x + y) % (file.depth == 1 ? 2 : 256));
        ASSERT_TRUE(save_bmp(dir + file.file_name, bitmap)) << file.file_name;
    }
}

rank_table changed(rank_table table, const char* name) {
    return insert_rank(table, 1, 123456, name, "note");
}

class StartUpTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        picture_dir_ = new std::string(testing::make_temp_dir());
        write_pictures(*picture_dir_);
    }
    static void TearDownTestSuite() {
        fs::remove_all(*picture_dir_);
        delete picture_dir_;
    }

    void SetUp() override {
        for (const auto& entry : fs::directory_iterator(*picture_dir_))
            fs::copy_file(entry.path(), dir + entry.path().filename().string());
    }
    void TearDown() override { fs::remove_all(dir); }

    // A fresh program run in `dir`, with the game's own input handlers attached.
    std::unique_ptr<testing::TestApp> run() {
        auto test = std::make_unique<testing::TestApp>();
        input_ = std::make_unique<GameInput>(test->app);
        test->platform.set_input_handler(input_.get());
        test->app.app_dir = dir;
        test->app.data_dir = dir;
        // A start-up that ends the program leaves the test its game to look at.
        try {
            start_up(test->app);
        } catch (const ProgramEnded&) {
        }
        return test;
    }

    std::string dir = testing::make_temp_dir();
    std::unique_ptr<GameInput> input_;
    static std::string* picture_dir_;
};

std::string* StartUpTest::picture_dir_ = nullptr;

TEST(AppDir, OneTrailingSeparator) {
    EXPECT_EQ(app_dir_of("/opt/kelvora/kelvora"), "/opt/kelvora/");
    EXPECT_EQ(app_dir_of("/kelvora"), "/");
    EXPECT_EQ(app_dir_of("kelvora"), "./");
    EXPECT_EQ(app_dir_of("/opt//kelvora"), "/opt/");
    EXPECT_EQ(app_dir_of("build/kelvora/kelvora"), "build/kelvora/");
}

TEST_F(StartUpTest, FirstRunCreatesTheFourDefaultFiles) {
    auto test = run();
    ASSERT_TRUE(test->platform.errors().empty()) << test->platform.errors()[0];
    const std::string official = read_bytes(std::string(KELVORA_TEST_DATA_DIR) + "rank_default_official.dat");
    EXPECT_EQ(read_bytes(dir + "offical_rank.dat"), official);
    EXPECT_EQ(read_bytes(dir + "point_rank.dat"), official);
    EXPECT_EQ(fs::file_size(dir + "rensa_rank.dat"), 108u);
    EXPECT_EQ(fs::file_size(dir + "net_rank.dat"), 108u);

    const GameState& s = test->state;
    EXPECT_EQ(s.official_ranking, make_rank_table(1000, 1000));
    EXPECT_EQ(s.point_ranking, make_rank_table(1000, 1000));
    EXPECT_EQ(s.chain_ranking, make_rank_table(5, 1));
    EXPECT_EQ(s.chain_ranking.score[1], 14);
    EXPECT_EQ(s.net_ranking, make_rank_table(0, 0));
}

TEST_F(StartUpTest, EndsOnTheTitleWithItsMusic) {
    auto test = run();
    const GameState& s = test->state;
    EXPECT_EQ(s.screen_state, screen::title);
    EXPECT_TRUE(s.escape_ready);
    EXPECT_EQ(s.option_help[0], "");
    EXPECT_EQ(s.option_help[7], "・現在のオプションの状態で、ゲームを開始します。");
    EXPECT_EQ(s.option_help[1].find('\n'), std::string::npos);
    EXPECT_NE(s.option_help[1].find("\r\r"), std::string::npos);

    EXPECT_TRUE(test->platform.shown());
    EXPECT_EQ(test->platform.picture(), &test->app.pictures.work_image.bitmap);
    EXPECT_EQ(test->app.pictures.work_image.width(), 501);
    EXPECT_EQ(test->platform.interval(), 200);
    EXPECT_TRUE(test->platform.enabled());
    auto& calls = test->sound.calls;
    EXPECT_NE(std::find(calls.begin(), calls.end(), "open kelvora1.mid"), calls.end());
    EXPECT_TRUE(test->sound.tune_playing());
    // The opening ran before the title: its pauses, the fade out and the title's fade in.
    EXPECT_NEAR(test->platform.clock_seconds(), 2.0 + 21 * 0.05 + 22 * 0.05, 1e-3);
    EXPECT_EQ(test->sound.waves(), std::vector<std::string>{"fan.wav"});
}

TEST_F(StartUpTest, StartValuesAndSeed) {
    testing::TestApp test;
    GameState& s = test.state;
    s.settings = {0, 2, 5, 5, 5, 5, 5};
    s.total_score = 777;
    s.field_width = 20;
    s.net_fetch_state = 1;
    s.player_name = "ABC";
    test.app.app_dir = dir;
    test.app.data_dir = dir;
    start_up(test.app);
    EXPECT_EQ(s.settings, (std::array<std::int16_t, 7>{0, 4, 3, 1, 3, 2, 2}));
    EXPECT_EQ(s.total_score, 0);
    EXPECT_EQ(s.field_width, 8);
    EXPECT_EQ(s.net_fetch_state, -1);
    EXPECT_EQ(s.player_name, "");
    EXPECT_EQ(s.ranking_page, -1);
    EXPECT_EQ(s.ranking_hover, -1);
    EXPECT_TRUE(s.field_live);
}

TEST_F(StartUpTest, SecondRunLoadsAChangedTable) {
    {
        auto first = run();
        save_ranking(first->app, point_rank_file, changed(first->state.point_ranking, "ONE"));
    }
    auto second = run();
    EXPECT_EQ(second->state.point_ranking.name[1], "ONE");
    EXPECT_EQ(second->state.point_ranking.score[1], 123456);
    EXPECT_EQ(second->state.official_ranking, make_rank_table(1000, 1000));
}

TEST_F(StartUpTest, DeletingOneFileRestoresOnlyThatRanking) {
    {
        auto first = run();
        GameState& s = first->state;
        save_ranking(first->app, official_rank_file, changed(s.official_ranking, "OFF"));
        save_ranking(first->app, point_rank_file, changed(s.point_ranking, "PNT"));
        save_ranking(first->app, chain_rank_file, changed(s.chain_ranking, "CHN"));
        save_ranking(first->app, net_rank_file, changed(s.net_ranking, "NET"));
    }
    fs::remove(dir + "rensa_rank.dat");
    auto second = run();
    const GameState& s = second->state;
    EXPECT_EQ(s.official_ranking.name[1], "OFF");
    EXPECT_EQ(s.point_ranking.name[1], "PNT");
    EXPECT_EQ(s.net_ranking.name[1], "NET");
    EXPECT_EQ(s.chain_ranking, make_rank_table(5, 1));
    EXPECT_EQ(fs::file_size(dir + "rensa_rank.dat"), 108u);
}

TEST_F(StartUpTest, DamagedFileStartsNormallyAndIsLeftAlone) {
    {
        auto first = run();
        save_ranking(first->app, official_rank_file, changed(first->state.official_ranking, "CUT"));
    }
    std::string bytes = read_bytes(dir + "offical_rank.dat");
    bytes.resize(60);  // the scores and the first two names survive
    std::ofstream(dir + "offical_rank.dat", std::ios::binary | std::ios::trunc) << bytes;

    auto second = run();
    ASSERT_TRUE(second->platform.errors().empty());
    EXPECT_EQ(second->state.screen_state, screen::title);
    const rank_table& t = second->state.official_ranking;
    EXPECT_EQ(t.score[1], 123456);
    EXPECT_EQ(t.name[1], "CUT");
    EXPECT_EQ(t.name[3], "-");
    EXPECT_EQ(t.note[1], "-");  // cut off: the default's
    EXPECT_EQ(read_bytes(dir + "offical_rank.dat"), bytes);
}

TEST_F(StartUpTest, RankFilesLiveInTheDataFolderMadeOnTheFirstRun) {
    testing::TestApp test;
    test.app.app_dir = dir;
    test.app.data_dir = dir + "share/kelvora";
    start_up(test.app);
    ASSERT_TRUE(test.platform.errors().empty()) << test.platform.errors()[0];
    for (const char* file : {official_rank_file, point_rank_file, chain_rank_file, net_rank_file}) {
        EXPECT_EQ(fs::file_size(dir + "share/kelvora/" + file), 108u) << file;
        EXPECT_FALSE(fs::exists(dir + file)) << file;
    }
    // A ranking entered later is saved there too.
    save_ranking(test.app, chain_rank_file, changed(test.state.chain_ranking, "DAT"));
    EXPECT_GT(fs::file_size(dir + "share/kelvora/" + chain_rank_file), 108u);
    EXPECT_FALSE(fs::exists(dir + chain_rank_file));

    // Without a folder for them, or one that cannot be made, the program ends saying so.
    testing::TestApp nowhere;
    nowhere.app.app_dir = dir;
    EXPECT_THROW(start_up(nowhere.app), ProgramEnded);
    ASSERT_EQ(nowhere.platform.errors().size(), 1u);
    EXPECT_NE(nowhere.platform.errors()[0].find("rank files"), std::string::npos);
    testing::TestApp blocked;
    blocked.app.app_dir = dir;
    blocked.app.data_dir = dir + "back_image.bmp/kelvora/";
    EXPECT_THROW(start_up(blocked.app), ProgramEnded);
    ASSERT_EQ(blocked.platform.errors().size(), 1u);
    EXPECT_NE(blocked.platform.errors()[0].find("back_image.bmp/kelvora/"), std::string::npos);
    EXPECT_FALSE(blocked.platform.shown());
}

TEST_F(StartUpTest, MissingPictureEndsTheProgramNamingIt) {
    fs::remove(dir + "moji_image.bmp");
    auto test = run();
    ASSERT_EQ(test->platform.errors().size(), 1u);
    EXPECT_NE(test->platform.errors()[0].find("moji_image.bmp"), std::string::npos) << test->platform.errors()[0];
    EXPECT_TRUE(test->platform.ended());
    EXPECT_EQ(test->platform.exit_status(), 1);
    // Nothing after the failure ran.
    EXPECT_FALSE(test->platform.shown());
    EXPECT_EQ(test->state.screen_state, screen::busy);
    EXPECT_TRUE(test->sound.calls.empty());
}

TEST_F(StartUpTest, UnreadableRankFileEndsTheProgramNamingIt) {
    fs::create_directory(dir + "point_rank.dat");
    auto test = run();
    ASSERT_EQ(test->platform.errors().size(), 1u);
    EXPECT_NE(test->platform.errors()[0].find("point_rank.dat"), std::string::npos) << test->platform.errors()[0];
    EXPECT_TRUE(test->platform.ended());
    EXPECT_FALSE(test->platform.shown());
}

TEST_F(StartUpTest, InputDuringStartUpDoesNothing) {
    testing::TestApp test;
    GameInput input(test.app);
    test.platform.set_input_handler(&input);
    test.app.app_dir = dir;
    test.app.data_dir = dir;
    // Esc on the title would end the program; a click on a menu entry would leave the title.
    // The times fall into the opening's slide-in, its shine and both of its fades.
    for (double t : {0.2, 0.6, 1.25, 2.5, 3.5}) {
        test.platform.key_down_at(t, 27);
        test.platform.press_at(t + 0.01, MouseButton::left, 250, 300);
        test.platform.press_at(t + 0.02, MouseButton::left, 250, 400);
    }
    start_up(test.app);
    EXPECT_FALSE(test.platform.ended());
    EXPECT_EQ(test.state.screen_state, screen::title);
    EXPECT_EQ(test.sound.waves(), std::vector<std::string>{"fan.wav"});
}

}  // namespace
}  // namespace kelvora
