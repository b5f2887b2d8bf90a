#include "ranking/rank_file.hpp"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

#include "test_app.hpp"

namespace kelvora {
namespace {

namespace fs = std::filesystem;

std::string read_bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void write_bytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

std::string fixture(const char* name) { return read_bytes(std::string(KELVORA_TEST_DATA_DIR) + name); }

// "あいう" in code page 932.
const std::string three_kana = "\x82\xa0\x82\xa2\x82\xa4";

// The official ranking after two games: a double-byte name at place 1, "ABC" at place 2.
rank_table played_table() {
    rank_table t = make_rank_table(1000, 1000);
    t = insert_rank(t, 1, 10001, "ABC", "zzzzzz");
    t = insert_rank(t, 1, 123456, three_kana, "qwerty");
    return t;
}

class RankFileTest : public ::testing::Test {
protected:
    std::string dir = testing::make_temp_dir();
    std::string path = dir + "offical_rank.dat";
    void TearDown() override {
        std::error_code ignored;
        fs::permissions(dir, fs::perms::owner_all, ignored);
        fs::remove_all(dir, ignored);
    }
};

TEST(RankTable, DefaultTables) {
    rank_table official = make_rank_table(1000, 1000);
    EXPECT_EQ(official.score[0], 0);
    EXPECT_EQ(official.name[0], "");
    EXPECT_EQ(official.note[0], "");
    for (int p = 1; p <= 10; ++p) {
        EXPECT_EQ(official.score[p], 10000 - 1000 * (p - 1));
        EXPECT_EQ(official.name[p], "-");
        EXPECT_EQ(official.note[p], "-");
    }
    rank_table chain = make_rank_table(5, 1);
    EXPECT_EQ(chain.score[1], 14);
    EXPECT_EQ(chain.score[10], 5);
    for (int p = 1; p <= 10; ++p) EXPECT_EQ(make_rank_table(0, 0).score[p], 0);
    // 16-bit arithmetic: 9 * 4000 wraps before the base is added.
    EXPECT_EQ(make_rank_table(0, 4000).score[1], std::int16_t(36000));
}

TEST(RankTable, PlacesAreStrict) {
    rank_table official = make_rank_table(1000, 1000);
    EXPECT_EQ(find_rank_place(official, 10001), 1);
    EXPECT_EQ(find_rank_place(official, 10000), 2);  // ties rank behind
    EXPECT_EQ(find_rank_place(official, 1001), 10);
    EXPECT_EQ(find_rank_place(official, 1000), 0);
    EXPECT_EQ(find_rank_place(official, 0), 0);
    rank_table chain = make_rank_table(5, 1);
    EXPECT_EQ(find_rank_place(chain, 5), 0);
    EXPECT_EQ(find_rank_place(chain, 6), 10);
}

TEST(RankTable, Insertion) {
    rank_table old = make_rank_table(1000, 1000);
    old.score[0] = 77;  // element 0 of a loaded table is not carried over
    old.name[10] = "LST";

    rank_table top = insert_rank(old, 1, 20000, "NEW", "abcdef");
    EXPECT_EQ(top.score[0], 0);
    EXPECT_EQ(top.score[1], 20000);
    EXPECT_EQ(top.name[1], "NEW");
    EXPECT_EQ(top.note[1], "abcdef");
    for (int p = 2; p <= 10; ++p) EXPECT_EQ(top.score[p], old.score[p - 1]);
    EXPECT_EQ(std::count(top.name.begin(), top.name.end(), "LST"), 0);  // old place 10 dropped

    rank_table last = insert_rank(old, 10, 1500, "TEN", "n");
    for (int p = 1; p <= 9; ++p) EXPECT_EQ(last.score[p], old.score[p]);
    EXPECT_EQ(last.score[10], 1500);
    EXPECT_EQ(last.name[10], "TEN");

    rank_table outside = insert_rank(old, 11, 99999, "X", "X");
    for (int p = 1; p <= 10; ++p) EXPECT_EQ(outside.score[p], old.score[p]);
}

TEST(RankTable, EqualResultsKeepTheirOrder) {
    rank_table t = make_rank_table(1000, 1000);
    t = insert_rank(t, find_rank_place(t, 5500), 5500, "AAA", "1");
    t = insert_rank(t, find_rank_place(t, 5500), 5500, "BBB", "2");
    EXPECT_EQ(t.name[6], "AAA");
    EXPECT_EQ(t.name[7], "BBB");
    EXPECT_EQ(t.score[5], 6000);
    EXPECT_EQ(t.score[8], 5000);
}

// An independent square-and-multiply, to check the game's step-by-step power.
std::uint64_t power_mod(std::uint64_t base, std::uint64_t exponent, std::uint64_t modulus) {
    std::uint64_t result = 1;
    base %= modulus;
    while (exponent) {
        if (exponent & 1) result = result * base % modulus;
        base = base * base % modulus;
        exponent >>= 1;
    }
    return result;
}

std::uint64_t password_value(const std::string& password) {
    std::uint64_t v = 0;
    for (char c : password) v = v * 26 + std::uint64_t(c - 'a');
    return v;
}

TEST(RankTable, Passwords) {
    EXPECT_EQ(make_password(0), "aaaaaa");
    EXPECT_EQ(make_password(1), "aaaaab");
    // Scores large enough that the old double arithmetic no longer gave the exact power.
    for (std::int32_t score : {2, 25, 10000, 123456789, 301726452, 301726453, 301726454, 999999999}) {
        std::string password = make_password(score);
        ASSERT_EQ(password.size(), 6u);
        for (char c : password) EXPECT_TRUE(c >= 'a' && c <= 'z') << password;
        EXPECT_EQ(password_value(password), power_mod(std::uint64_t(score), 7219, 301726453))
            << "score " << score;
    }
    EXPECT_EQ(make_password(301726453), "aaaaaa");  // a multiple of the modulus
}

TEST_F(RankFileTest, DefaultFileBytes) {
    std::string error;
    ASSERT_TRUE(save_rank_file(path, make_rank_table(1000, 1000), error)) << error;
    std::string bytes = read_bytes(path);
    EXPECT_EQ(bytes.size(), 108u);
    EXPECT_EQ(bytes, fixture("rank_default_official.dat"));
}

TEST_F(RankFileTest, DoubleByteNameAndRoundTrip) {
    std::string error;
    ASSERT_TRUE(save_rank_file(path, played_table(), error)) << error;
    std::string bytes = read_bytes(path);
    EXPECT_EQ(bytes, fixture("rank_played_official.dat"));
    // name(0) is empty, so name(1)'s count follows at 46: a byte count of 6.
    EXPECT_EQ(std::uint8_t(bytes[46]), 6);
    EXPECT_EQ(std::uint8_t(bytes[47]), 0);
    EXPECT_EQ(bytes.substr(48, 6), three_kana);

    rank_table loaded;
    ASSERT_TRUE(load_rank_file(path, make_rank_table(1000, 1000), loaded, error)) << error;
    EXPECT_EQ(loaded, played_table());
}

TEST_F(RankFileTest, ShorterRecordReplacesLongerFile) {
    std::string error;
    ASSERT_TRUE(save_rank_file(path, played_table(), error)) << error;
    rank_table shorter = make_rank_table(5, 1);
    ASSERT_TRUE(save_rank_file(path, shorter, error)) << error;
    EXPECT_EQ(fs::file_size(path), 108u);
    rank_table loaded;
    ASSERT_TRUE(load_rank_file(path, make_rank_table(0, 0), loaded, error));
    EXPECT_EQ(loaded, shorter);
    // Nothing but the rank file is left in the folder.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
}

TEST_F(RankFileTest, TrailingBytesAreIgnored) {
    write_bytes(path, fixture("rank_played_official.dat") + "trailing bytes of an older record");
    rank_table loaded;
    std::string error;
    ASSERT_TRUE(load_rank_file(path, make_rank_table(0, 0), loaded, error));
    EXPECT_EQ(loaded, played_table());
}

// Cut the played file after every byte: each field read whole is kept, the rest are defaults.
TEST_F(RankFileTest, TruncatedFileKeepsWholeFields) {
    const std::string full = fixture("rank_played_official.dat");
    const rank_table played = played_table();
    const rank_table defaults = make_rank_table(1000, 1000);

    // The end offset of each of the 33 fields in the played file.
    std::vector<std::size_t> ends;
    std::size_t pos = 0;
    for (int i = 0; i < 11; ++i) ends.push_back(pos += 4);
    for (const auto* texts : {&played.name, &played.note})
        for (const auto& t : *texts) ends.push_back(pos += 2 + t.size());
    ASSERT_EQ(pos, full.size());

    for (std::size_t cut = 0; cut <= full.size(); ++cut) {
        write_bytes(path, full.substr(0, cut));
        rank_table loaded;
        std::string error;
        ASSERT_TRUE(load_rank_file(path, defaults, loaded, error)) << error;
        for (int i = 0; i < 11; ++i) {
            bool whole = ends[i] <= cut;
            EXPECT_EQ(loaded.score[i], whole ? played.score[i] : defaults.score[i]) << cut;
            EXPECT_EQ(loaded.name[i], ends[11 + i] <= cut ? played.name[i] : defaults.name[i]) << cut;
            EXPECT_EQ(loaded.note[i], ends[22 + i] <= cut ? played.note[i] : defaults.note[i]) << cut;
        }
    }
}

TEST_F(RankFileTest, CountRunningPastTheEnd) {
    std::string bytes = fixture("rank_played_official.dat");
    // name(2) "ABC" at 54 claims 65535 bytes: it and everything behind it fall back.
    ASSERT_EQ(bytes.substr(54, 5), std::string("\x03\x00" "ABC", 5));
    bytes[54] = '\xff';
    bytes[55] = '\xff';
    write_bytes(path, bytes);
    rank_table loaded;
    std::string error;
    const rank_table defaults = make_rank_table(1000, 1000);
    ASSERT_TRUE(load_rank_file(path, defaults, loaded, error));
    EXPECT_EQ(loaded.score, played_table().score);
    EXPECT_EQ(loaded.name[1], three_kana);
    for (int i = 2; i <= 10; ++i) EXPECT_EQ(loaded.name[i], defaults.name[i]);
    EXPECT_EQ(loaded.note, defaults.note);
}

// Random and mutated files: loading never fails on content, and what it gives saves and loads
// back unchanged. Run under a sanitizer this also shows no read out of bounds.
TEST_F(RankFileTest, RandomInputNeverBreaksLoading) {
    std::mt19937 random(4711);
    const std::string valid = fixture("rank_played_official.dat");
    const rank_table defaults = make_rank_table(5, 1);
    for (int round = 0; round < 600; ++round) {
        std::string bytes;
        if (round % 2 == 0) {
            bytes.resize(random() % 300);
            // Small byte counts, so that many fields are read whole.
            for (auto& b : bytes) b = char(random() % 4 == 0 ? random() % 256 : random() % 8);
        } else {
            bytes = valid.substr(0, random() % (valid.size() + 1));
            for (int flips = int(random() % 6); flips > 0 && !bytes.empty(); --flips)
                bytes[random() % bytes.size()] = char(random() % 256);
        }
        write_bytes(path, bytes);
        rank_table loaded;
        std::string error;
        ASSERT_TRUE(load_rank_file(path, defaults, loaded, error)) << "round " << round;
        if (round % 50 != 0) continue;  // saving flushes to disk: check a sample
        ASSERT_TRUE(save_rank_file(path, loaded, error)) << error;
        rank_table again;
        ASSERT_TRUE(load_rank_file(path, defaults, again, error));
        ASSERT_EQ(again, loaded) << "round " << round;
    }
}

TEST_F(RankFileTest, FilesThatCannotBeRead) {
    rank_table loaded;
    std::string error;
    EXPECT_FALSE(load_rank_file(dir + "missing.dat", make_rank_table(0, 0), loaded, error));
    EXPECT_NE(error.find("missing.dat"), std::string::npos) << error;
    error.clear();
    fs::create_directory(dir + "folder.dat");
    EXPECT_FALSE(load_rank_file(dir + "folder.dat", make_rank_table(0, 0), loaded, error));
    EXPECT_NE(error.find("is a directory"), std::string::npos) << error;
    // A FIFO is refused at once, for reading and for writing, and stays what it was.
    ASSERT_EQ(::mkfifo(path.c_str(), 0644), 0);
    EXPECT_FALSE(load_rank_file(path, make_rank_table(0, 0), loaded, error));
    EXPECT_EQ(error, "cannot read " + path + ": not a regular file");
    EXPECT_FALSE(save_rank_file(path, make_rank_table(0, 0), error));
    EXPECT_EQ(error, "cannot write " + path + ": not a regular file");
    EXPECT_TRUE(fs::is_fifo(path));
}

TEST_F(RankFileTest, SaveFailureLeavesTheOldFile) {
    std::string error;
    EXPECT_FALSE(save_rank_file(dir + "no-such-folder/offical_rank.dat", make_rank_table(0, 0), error));
    EXPECT_NE(error.find("no-such-folder"), std::string::npos) << error;

    ASSERT_TRUE(save_rank_file(path, played_table(), error));
    // A file-size limit stops the write of the new record half-way, for root as for anyone.
    struct rlimit old_limit {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old_limit), 0);
    auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old_limit;
    small.rlim_cur = 40;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    error.clear();
    const bool saved = save_rank_file(path, make_rank_table(0, 0), error);
    setrlimit(RLIMIT_FSIZE, &old_limit);
    std::signal(SIGXFSZ, old_handler);

    EXPECT_FALSE(saved);
    EXPECT_NE(error.find("cannot write"), std::string::npos) << error;
    EXPECT_EQ(read_bytes(path), fixture("rank_played_official.dat"));
    int files = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(dir)) ++files;
    EXPECT_EQ(files, 1) << "the half-written new file was left behind";
}

std::size_t files_in(const std::string& folder) {
    return std::size_t(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

// Root passes every permission check; acting as "nobody" it is held by them like anyone else.
class AsPlainUser {
public:
    AsPlainUser() {
        if (::geteuid() != 0) return;
        group_ = ::setegid(65534) == 0;
        user_ = group_ && ::seteuid(65534) == 0;
    }
    ~AsPlainUser() {
        if (user_) ::seteuid(0);
        if (group_) ::setegid(0);
    }
    bool held_by_permissions() const { return ::geteuid() != 0; }

private:
    bool group_ = false, user_ = false;
};

// A folder that takes no new file still lets a writable rank file be saved, in place; a
// read-only rank file is reported and left as it was.
TEST_F(RankFileTest, PermissionsDecideAsForAWriteInPlace) {
    std::string error;
    ASSERT_TRUE(save_rank_file(path, played_table(), error)) << error;
    fs::permissions(path, fs::perms(0666));
    fs::permissions(dir, fs::perms(0555));
    {
        AsPlainUser plain;
        if (!plain.held_by_permissions()) {
            GTEST_SKIP() << "cannot act as a plain user";
        }
        EXPECT_TRUE(save_rank_file(path, make_rank_table(5, 1), error)) << error;
    }
    rank_table loaded;
    ASSERT_TRUE(load_rank_file(path, make_rank_table(0, 0), loaded, error));
    EXPECT_EQ(loaded, make_rank_table(5, 1));
    EXPECT_EQ(fs::file_size(path), 108u);

    fs::permissions(path, fs::perms(0444));
    fs::permissions(dir, fs::perms(0777));
    {
        AsPlainUser plain;
        EXPECT_FALSE(save_rank_file(path, played_table(), error));
    }
    EXPECT_EQ(error, "cannot write " + path + ": Permission denied");
    EXPECT_TRUE(load_rank_file(path, make_rank_table(0, 0), loaded, error));
    EXPECT_EQ(loaded, make_rank_table(5, 1));
    EXPECT_EQ(files_in(dir), 1u);
}

TEST_F(RankFileTest, LinkedFileStaysALink) {
    fs::create_directory(dir + "store");
    fs::create_symlink("store/kept.dat", path);
    std::string error;
    // The first save creates the file the link names; the second replaces it.
    for (const rank_table& table : {make_rank_table(0, 0), played_table()}) {
        ASSERT_TRUE(save_rank_file(path, table, error)) << error;
        EXPECT_TRUE(fs::is_symlink(path));
        EXPECT_EQ(fs::read_symlink(path), "store/kept.dat");
        EXPECT_EQ(files_in(dir), 2u);
        EXPECT_EQ(files_in(dir + "store"), 1u);
    }
    EXPECT_EQ(read_bytes(dir + "store/kept.dat"), fixture("rank_played_official.dat"));
}

// A save killed half-way leaves "<file>.new"; the next save takes its name over, whatever stands
// there, and never writes through it.
TEST_F(RankFileTest, LeftoverTemporaryFileIsTakenOver) {
    const std::string temp = path + ".new";
    const std::string outside = testing::make_temp_dir() + "outside.dat";
    write_bytes(outside, "not a rank file");
    std::string error;
    for (int kind = 0; kind < 4; ++kind) {
        switch (kind) {
        case 0: write_bytes(temp, fixture("rank_played_official.dat").substr(0, 50)); break;
        case 1: fs::create_symlink(outside, temp); break;
        case 2: ASSERT_EQ(::mkfifo(temp.c_str(), 0644), 0); break;
        case 3: fs::create_hard_link(outside, temp); break;
        }
        ASSERT_TRUE(save_rank_file(path, played_table(), error)) << kind << ": " << error;
        EXPECT_EQ(read_bytes(path), fixture("rank_played_official.dat")) << kind;
        EXPECT_EQ(files_in(dir), 1u) << kind;
    }
    EXPECT_EQ(read_bytes(outside), "not a rank file");
    fs::remove_all(fs::path(outside).parent_path());
}

}  // namespace
}  // namespace kelvora
