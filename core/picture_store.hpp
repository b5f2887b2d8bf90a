#pragma once
// The picture store: every named picture of the game, the composition surface `buffer` and the
// shown picture `work_image`.

#include <array>
#include <string>
#include <vector>

#include "platform/platform.hpp"
#include "platform/raster.hpp"

namespace kelvora {

inline constexpr int buffer_size = 500;      // buffer is 500 x 500
inline constexpr int work_image_size = 501;  // work_image takes back_image's 501 x 501

struct PictureStore {
    Surface open_image;
    Surface open_image2;
    Surface option_image;
    Surface rank_image;
    Surface rank_image2;
    Surface back_image;
    std::array<Surface, 9> block_image;
    Surface restart_image;
    Surface moji_image;
    Surface moji_image2;
    Surface story_image;
    Surface story_moji1;
    Surface story_moji2;

    Surface buffer;      // 500 x 500, 32 bits
    Surface work_image;  // 501 x 501, 32 bits
};

// Copies the whole of `picture` to the top-left corner of `dest`, clipped to dest. When dest is
// 32 bits and already holds this picture, changed since only by tracked drawing (see Backdrop),
// only the tiles drawn on are copied back.
void copy_whole(Surface& dest, const Surface& picture);

// The same copy for two 32-bit surfaces, writing only the pixels that differ: returns the parts of
// dest that changed (none when dest already showed the picture), as rectangles that do not
// overlap. When both hold the same background, only the tiles drawn on in either are compared.
// Other depths are copied whole and reported as one rectangle.
std::vector<Rect> copy_changes(Surface& dest, const Surface& picture);

// One picture file of the store: its file name in app_dir, size and depth.
struct PictureFile {
    const char* file_name;
    int width;
    int height;
    int depth;
    bool words = false;  // drawn with words, so each language has its own
};

// Every picture file the store loads, in a fixed order.
const std::array<PictureFile, 21>& picture_files();

// Loads every picture from `folder` (ending in a separator) and makes buffer and work_image.
// Returns an empty string on success, else a message that names the file that is missing or
// has the wrong size or depth. The pictures drawn with words come from `folder` + `language_dir`
// (a folder of its own for each language but Japanese).
std::string load_pictures(PictureStore& store, const std::string& folder, const std::string& language_dir = "");

}  // namespace kelvora
