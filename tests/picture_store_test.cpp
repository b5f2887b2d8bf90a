#include "core/picture_store.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <set>

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
    // The 32-bit play background shows the colours of its picture.
    EXPECT_EQ(store.back_image_rgb.width(), 501);
    EXPECT_EQ(store.back_image_rgb.bitmap.colour_at(0, 0), (Colour{14, 0, 241}));
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

}  // namespace
}  // namespace kelvora
