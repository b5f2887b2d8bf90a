#include "core/picture_store.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <utility>

#include "platform/bmp.hpp"
#include "test_app.hpp"

namespace kelvora {
namespace {

Bitmap picture_for(const PictureFile& file, int width, int height, int depth) {
    Palette p{};
    for (int i = 0; i < 256; ++i) p[i] = Colour{std::uint8_t(i), 0, std::uint8_t(255 - i)};
    Bitmap b = depth == 1 ? Bitmap::mono(width, height) : Bitmap::indexed(width, height, p);
    b.index_row(0)[0] = depth == 1 ? 1 : std::uint8_t(std::string(file.file_name).size());
    return b;
}

// A folder with every picture at its right size and depth.
std::string complete_folder() {
    const std::string dir = testing::make_temp_dir();
    for (const auto& file : picture_files())
        EXPECT_TRUE(save_bmp(dir + file.file_name, picture_for(file, file.width, file.height, file.depth)));
    return dir;
}

TEST(PictureStore, SpecsNameEveryPictureOnce) {
    std::set<std::string> names;
    for (const auto& file : picture_files()) names.insert(file.file_name);
    EXPECT_EQ(names.size(), picture_files().size());
    EXPECT_TRUE(names.count("block_image8.bmp"));
    EXPECT_EQ(picture_files().back().depth, 1);  // story_moji2, the only 1-bit picture
}

TEST(PictureStore, LoadsEveryPictureAndMakesTheSurfaces) {
    const std::string dir = complete_folder();
    PictureStore store;
    ASSERT_EQ(load_pictures(store, dir), "");
    EXPECT_EQ(store.back_image.width(), 501);
    EXPECT_EQ(store.block_image[8].bitmap.index_row(0)[0], std::string("block_image8.bmp").size());
    EXPECT_EQ(store.rank_image2.height(), 100);
    EXPECT_EQ(store.story_moji2.bitmap.depth(), 1);
    EXPECT_EQ(store.story_image.bitmap.colour_at(0, 0), (Colour{15, 0, 240}));  // its own table
    EXPECT_EQ(store.buffer.bitmap.depth(), 32);
    EXPECT_EQ(store.buffer.width(), 500);
    EXPECT_EQ(store.work_image.width(), 501);
    EXPECT_EQ(store.work_image.height(), 501);
    EXPECT_EQ(store.work_image.bitmap.colour_at(500, 500), black);
}

TEST(PictureStore, NamesTheFileAtFault) {
    struct Case {
        const char* file;
        int width, height, depth;  // 0: remove the file; -1: write garbage; -2: a folder; -3: a FIFO
        const char* expected;
    } cases[] = {
        {"moji_image2.bmp", 0, 0, 0, "moji_image2.bmp: missing"},
        {"block_image3.bmp", 24, 25, 8, "block_image3.bmp: wrong size 24x25, expected 25x25"},
        {"story_moji2.bmp", 500, 500, 8, "story_moji2.bmp: wrong depth 8 bits, expected 1"},
        {"open_image2.bmp", 140, 105, 24, "open_image2.bmp: wrong depth 24 bits, expected 8"},
        {"open_image.bmp", -1, 0, 0, "open_image.bmp: unreadable: "},
        {"rank_image.bmp", -2, 0, 0, "rank_image.bmp: unreadable: is a directory"},
        {"story_image.bmp", -3, 0, 0, "story_image.bmp: unreadable: not a regular file"},
    };
    for (const auto& c : cases) {
        const std::string dir = complete_folder();
        const std::string path = dir + c.file;
        if (c.width <= -2 || c.width == 0) std::filesystem::remove(path);
        if (c.width == -2) std::filesystem::create_directory(path);
        if (c.width == -3) {
            ASSERT_EQ(::mkfifo(path.c_str(), 0644), 0);
        }
        if (c.width == -1) {
            std::filesystem::resize_file(path, 100);
        } else if (c.depth == 24) {
            // A 32-bit file relabelled: its rows are long enough for 24 bits.
            save_bmp(path, Bitmap::rgb(c.width, c.height));
            std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
            file.seekp(28);
            file.put(24);
        } else if (c.width > 0) {
            save_bmp(path, picture_for(picture_files()[0], c.width, c.height, c.depth));
        }
        PictureStore store;
        const std::string error = load_pictures(store, dir);
        EXPECT_NE(error.find(c.expected), std::string::npos) << error;
        EXPECT_NE(error.find(dir), std::string::npos) << error;
    }
}

// Frames as the screens make them: a background, drawings over it, a presentation. Redrawing and
// presenting look only at tiles drawn on since the last frame; whatever happens, the shown
// picture must be exactly the drawn one, and every changed pixel must be in a reported part.
TEST(PictureStore, FramesOverOneBackgroundShowExactlyWhatWasDrawn) {
    Palette table{};
    for (int i = 0; i < 256; ++i) table[i] = Colour{std::uint8_t(i), std::uint8_t(i * 7), std::uint8_t(255 - i)};
    Surface paletted{Bitmap::indexed(501, 501, table)}, other{Bitmap::rgb(500, 500)};
    std::mt19937 random(12345);
    for (int y = 0; y < 501; ++y)
        for (int x = 0; x < 501; ++x) paletted.bitmap.index_row(y)[x] = std::uint8_t(random());
    fill_rect(other, 0, 0, 500, 500, Colour{9, 9, 9});
    Surface rgb{Bitmap::rgb(501, 501)};
    copy_whole(rgb, paletted);
    Surface sprite{Bitmap::rgb(40, 30)};
    fill_rect(sprite, 5, 5, 20, 10, Colour{200, 0, 0});

    Surface buffer{Bitmap::rgb(500, 500)}, shown{Bitmap::rgb(501, 501)};
    auto at = [&](int n) { return int(random() % unsigned(n)) - 20; };
    for (int frame = 0; frame < 300; ++frame) {
        SCOPED_TRACE(frame);
        const int kind = int(random() % 10);
        const Surface& background = kind == 0 ? paletted : kind == 1 ? other : rgb;
        copy_whole(buffer, background);
        Surface expected{Bitmap::rgb(500, 500)};
        bit_blt(expected, 0, 0, 501, 501, background, 0, 0, Rop::srccopy);
        for (int i = int(random() % 6); i > 0; --i) {
            const int x = at(540), y = at(540), op = int(random() % 5);
            for (Surface* s : {&buffer, &expected}) {
                if (op == 0) bit_blt(*s, x, y, 40, 30, sprite, 0, 0, Rop::srcpaint);
                if (op == 1) fill_rect(*s, x, y, 3, 50, Colour{1, 2, 3});
                if (op == 2) stretch_blt(*s, x, y, 70, 9, sprite, 0, 0, 40, 30, Rop::srccopy);
                if (op == 3) bit_blt(*s, x, y, 17, 17, nullptr, 0, 0, Rop::blackness);
                if (op == 4 && x >= 0 && y >= 0 && x < 500 && y < 500) s->bitmap.rgb_row(y)[x] = 0x123456u;
            }
        }
        // The background itself changes now and then; the next frame must see it.
        if (kind == 9) rgb.bitmap.rgb_row(frame % 500)[frame % 501] ^= 0x00FF00u;
        // (Read through const views: a non-const accessor counts as a change.)
        ASSERT_TRUE(std::equal(std::as_const(buffer.bitmap).rgb_row(0), std::as_const(buffer.bitmap).rgb_row(0) + 500 * 500,
                               std::as_const(expected.bitmap).rgb_row(0)));

        Surface before = shown;
        const std::vector<Rect> parts = copy_changes(shown, buffer);
        for (int y = 0; y < 500; ++y)
            for (int x = 0; x < 500; ++x) {
                const std::uint32_t now = std::as_const(shown.bitmap).rgb_row(y)[x];
                ASSERT_EQ(now, std::as_const(buffer.bitmap).rgb_row(y)[x]) << x << "," << y;
                if (now == std::as_const(before.bitmap).rgb_row(y)[x]) continue;
                ASSERT_TRUE(std::any_of(parts.begin(), parts.end(), [&](const Rect& r) {
                    return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
                })) << x << "," << y;
            }
    }
}

}  // namespace
}  // namespace kelvora
