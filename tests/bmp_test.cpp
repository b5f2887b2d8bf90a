#include "platform/bmp.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <random>
#include <vector>

#include "test_app.hpp"

namespace kelvora {
namespace {

std::vector<std::uint8_t> read_all(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void write_all(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

void put_u32(std::vector<std::uint8_t>& d, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) d[at + i] = std::uint8_t(v >> (8 * i));
}

Palette test_palette() {
    Palette p{};
    for (int i = 0; i < 256; ++i) p[i] = Colour{std::uint8_t(i), std::uint8_t(255 - i), std::uint8_t(i * 7)};
    return p;
}

TEST(Bmp, RoundTripsEveryDepthWithOddWidths) {
    const std::string dir = testing::make_temp_dir();
    // Widths that need row padding at each depth.
    Bitmap mono = Bitmap::mono(13, 3);
    mono.palette()[0] = Colour{10, 20, 30};
    mono.palette()[1] = Colour{200, 100, 50};
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 13; ++x) mono.index_row(y)[x] = (x * 3 + y) % 2;
    Bitmap indexed = Bitmap::indexed(5, 4, test_palette());
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x) indexed.index_row(y)[x] = std::uint8_t(y * 60 + x);
    Bitmap rgb = Bitmap::rgb(3, 2);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) rgb.rgb_row(y)[x] = 0x123456u * std::uint32_t(1 + x + 3 * y) & 0xFFFFFFu;

    for (const Bitmap* original : {&mono, &indexed, &rgb}) {
        const std::string path = dir + "p" + std::to_string(original->depth()) + ".bmp";
        ASSERT_TRUE(save_bmp(path, *original));
        std::string error;
        Bitmap loaded = load_bmp(path, error);
        ASSERT_EQ(error, "");
        ASSERT_EQ(loaded.depth(), original->depth());
        ASSERT_EQ(loaded.width(), original->width());
        ASSERT_EQ(loaded.height(), original->height());
        for (int y = 0; y < loaded.height(); ++y)
            for (int x = 0; x < loaded.width(); ++x) {
                EXPECT_EQ(loaded.colour_at(x, y), original->colour_at(x, y)) << x << "," << y;
                if (loaded.depth() != 32) {
                    EXPECT_EQ(loaded.index_row(y)[x], original->index_row(y)[x]);
                }
            }
    }
}

TEST(Bmp, WritesBottomUpRowsAndFullColourTable) {
    const std::string dir = testing::make_temp_dir();
    Bitmap b = Bitmap::indexed(2, 2, test_palette());
    b.index_row(0)[0] = 7;  // top-left
    b.index_row(1)[1] = 9;  // bottom-right
    ASSERT_TRUE(save_bmp(dir + "a.bmp", b));
    auto d = read_all(dir + "a.bmp");
    ASSERT_EQ(d.size(), 14u + 40u + 256u * 4u + 2u * 4u);
    const std::size_t pixels = 14 + 40 + 1024;
    EXPECT_EQ(d[10] | (d[11] << 8), int(pixels));
    EXPECT_EQ(d[pixels + 1], 9);      // first stored row is the bottom one
    EXPECT_EQ(d[pixels + 4], 7);      // then the top one
    EXPECT_EQ(d[54 + 4 * 255 + 2], 255);  // red of entry 255
}

TEST(Bmp, ReadsTopDownFiles) {
    const std::string dir = testing::make_temp_dir();
    Bitmap b = Bitmap::rgb(1, 2);
    b.rgb_row(0)[0] = 0xFF0000;
    b.rgb_row(1)[0] = 0x0000FF;
    ASSERT_TRUE(save_bmp(dir + "a.bmp", b));
    auto d = read_all(dir + "a.bmp");
    put_u32(d, 22, std::uint32_t(-2));  // negative height: rows stored top first
    write_all(dir + "a.bmp", d);
    std::string error;
    Bitmap loaded = load_bmp(dir + "a.bmp", error);
    ASSERT_EQ(error, "");
    EXPECT_EQ(loaded.rgb_row(0)[0], 0x0000FFu);
    EXPECT_EQ(loaded.rgb_row(1)[0], 0xFF0000u);
}

TEST(Bmp, RejectsDamagedFilesWithAReason) {
    const std::string dir = testing::make_temp_dir();
    Bitmap b = Bitmap::indexed(4, 4, test_palette());
    ASSERT_TRUE(save_bmp(dir + "good.bmp", b));
    const auto good = read_all(dir + "good.bmp");

    struct Case {
        const char* name;
        std::vector<std::uint8_t> bytes;
    };
    std::vector<Case> cases;
    cases.push_back({"empty", {}});
    cases.push_back({"short header", {good.begin(), good.begin() + 20}});
    cases.push_back({"short table", {good.begin(), good.begin() + 300}});
    cases.push_back({"short pixels", {good.begin(), good.end() - 1}});
    auto modified = [&](std::size_t at, std::uint32_t v) {
        auto d = good;
        put_u32(d, at, v);
        return d;
    };
    cases.push_back({"not bmp", modified(0, 0x12345678)});
    cases.push_back({"offset past end", modified(10, 0xFFFFFFF0u)});
    cases.push_back({"offset inside header", modified(10, 3)});
    cases.push_back({"huge width", modified(18, 0x7FFFFFFF)});
    cases.push_back({"huge height", modified(22, 0x7FFFFFFF)});
    cases.push_back({"most negative height", modified(22, 0x80000000u)});
    cases.push_back({"zero width", modified(18, 0)});
    cases.push_back({"run-length compressed", modified(30, 1)});
    cases.push_back({"too many colours", modified(46, 100000)});
    cases.push_back({"tiny header size", modified(14, 12)});
    auto bad_bits = good;
    bad_bits[28] = 5;
    cases.push_back({"odd depth", bad_bits});

    for (const auto& c : cases) {
        write_all(dir + "bad.bmp", c.bytes);
        std::string error;
        Bitmap loaded = load_bmp(dir + "bad.bmp", error);
        EXPECT_TRUE(loaded.empty()) << c.name;
        EXPECT_NE(error, "") << c.name;
    }

    std::string error;
    EXPECT_TRUE(load_bmp(dir + "missing.bmp", error).empty());
    EXPECT_NE(error, "");
}

TEST(Bmp, RandomlyDamagedHeadersNeverCrash) {
    const std::string dir = testing::make_temp_dir();
    Bitmap mono = Bitmap::mono(9, 5);
    ASSERT_TRUE(save_bmp(dir + "mono.bmp", mono));
    ASSERT_TRUE(save_bmp(dir + "rgb.bmp", Bitmap::rgb(3, 3)));
    std::mt19937 random(11);
    for (const char* name : {"mono.bmp", "rgb.bmp"}) {
        const auto good = read_all(dir + name);
        for (int round = 0; round < 300; ++round) {
            auto d = good;
            for (int k = 0; k < 3; ++k) d[random() % 64] = std::uint8_t(random());
            if (round % 3 == 0) d.resize(random() % d.size());
            write_all(dir + "bad.bmp", d);
            std::string error;
            Bitmap b = load_bmp(dir + "bad.bmp", error);
            // Either a clear failure or a bitmap whose every pixel can be read.
            ASSERT_EQ(b.empty(), !error.empty());
            if (!b.empty()) {
                for (int y = 0; y < b.height(); ++y)
                    for (int x = 0; x < b.width(); ++x) b.colour_at(x, y);
            }
        }
    }
}

TEST(Bmp, SaveFailsForEmptyBitmapOrUnwritablePath) {
    const std::string dir = testing::make_temp_dir();
    EXPECT_FALSE(save_bmp(dir + "a.bmp", Bitmap{}));
    EXPECT_FALSE(save_bmp(dir + "no/such/folder/a.bmp", Bitmap::rgb(1, 1)));
}

}  // namespace
}  // namespace kelvora
