// Loading the picture store. Every picture's size and depth is checked, because the drawing
// code cuts fixed rectangles out of them.
#include "core/picture_store.hpp"

#include <algorithm>
#include <cstring>
#include <filesystem>

#include "platform/bmp.hpp"

namespace kelvora {

const std::array<PictureFile, 21>& picture_files() {
    static const std::array<PictureFile, 21> files{{
        {"open_image.bmp", 500, 500, 8, true},
        {"open_image2.bmp", 140, 105, 8, true},
        {"option_image.bmp", 500, 500, 8, true},
        {"rank_image.bmp", 500, 500, 8, true},
        {"rank_image2.bmp", 400, 100, 8, true},
        {"back_image.bmp", 501, 501, 8, true},
        {"block_image0.bmp", 25, 25, 8},
        {"block_image1.bmp", 25, 25, 8},
        {"block_image2.bmp", 25, 25, 8},
        {"block_image3.bmp", 25, 25, 8},
        {"block_image4.bmp", 25, 25, 8},
        {"block_image5.bmp", 25, 25, 8},
        {"block_image6.bmp", 25, 25, 8},
        {"block_image7.bmp", 25, 25, 8},
        {"block_image8.bmp", 25, 25, 8},
        {"restart_image.bmp", 105, 40, 8, true},
        {"moji_image.bmp", 500, 400, 8, true},
        {"moji_image2.bmp", 500, 400, 8, true},
        {"story_image.bmp", 500, 380, 8},
        {"story_moji1.bmp", 500, 500, 8, true},
        {"story_moji2.bmp", 500, 500, 1, true},
    }};
    return files;
}

namespace {

// The store's surfaces in the order of picture_files().
std::array<Surface*, 21> surfaces_in_order(PictureStore& s) {
    return {&s.open_image,      &s.open_image2,     &s.option_image,    &s.rank_image,     &s.rank_image2,
            &s.back_image,      &s.block_image[0],  &s.block_image[1],  &s.block_image[2], &s.block_image[3],
            &s.block_image[4],  &s.block_image[5],  &s.block_image[6],  &s.block_image[7], &s.block_image[8],
            &s.restart_image,   &s.moji_image,      &s.moji_image2,     &s.story_image,    &s.story_moji1,
            &s.story_moji2};
}

std::string size_text(int width, int height) { return std::to_string(width) + "x" + std::to_string(height); }

}  // namespace

std::string load_pictures(PictureStore& store, const std::string& folder, const std::string& language_dir) {
    const auto& files = picture_files();
    const auto surfaces = surfaces_in_order(store);
    for (std::size_t i = 0; i < files.size(); ++i) {
        const PictureFile& file = files[i];
        const std::string path = folder + (file.words ? language_dir : "") + file.file_name;
        std::error_code ec;
        if (!std::filesystem::exists(path, ec)) return path + ": missing";
        std::string error;
        // The file's own depth: a 24-bit file loads as a 32-bit bitmap.
        int depth = 0;
        Bitmap bitmap = load_bmp(path, error, &depth);
        if (bitmap.empty()) return path + ": unreadable: " + error;
        if (bitmap.width() != file.width || bitmap.height() != file.height)
            return path + ": wrong size " + size_text(bitmap.width(), bitmap.height()) +
                   ", expected " + size_text(file.width, file.height);
        if (depth != file.depth)
            return path + ": wrong depth " + std::to_string(depth) + " bits, expected " + std::to_string(file.depth);
        *surfaces[i] = Surface{std::move(bitmap)};
    }
    store.buffer = Surface{Bitmap::rgb(buffer_size, buffer_size)};
    store.work_image = Surface{Bitmap::rgb(work_image_size, work_image_size)};
    return "";
}

namespace {

// Changes are gathered in square tiles: a tick moves a few drops here and there, and tiles keep
// those apart where one bounding box would take in most of the well.
constexpr int tile = Backdrop::tile;

}  // namespace

void copy_whole(Surface& dest, const Surface& picture) {
    Bitmap& d = dest.bitmap;
    const Bitmap& p = picture.bitmap;
    const bool covers = d.depth() == 32 && (p.depth() == 8 || p.depth() == 32) && p.width() >= d.width() &&
                        p.height() >= d.height();
    if (!covers) {
        bit_blt(dest, 0, 0, picture.width(), picture.height(), picture, 0, 0, Rop::srccopy);
        return;
    }
    // Every tick starts its screen with the same background: where dest already holds it, only
    // what was drawn over it since is copied back.
    const Backdrop* known = d.backdrop();
    if (known && known->id == p.id() && known->version == p.version() && known->width == d.width() &&
        known->height == d.height()) {
        const Backdrop drawn = *known;
        for (int ty = 0; ty < drawn.rows(); ++ty) {
            const std::uint8_t* marked = drawn.marked.data() + std::size_t(ty) * drawn.columns();
            for (int t = 0; t < drawn.columns();) {
                if (!marked[t]) {
                    ++t;
                    continue;
                }
                int end = t;
                while (end < drawn.columns() && marked[end]) ++end;
                bit_blt(dest, t * tile, ty * tile, (end - t) * tile, tile, picture, t * tile, ty * tile, Rop::srccopy);
                t = end;
            }
        }
    } else {
        bit_blt(dest, 0, 0, picture.width(), picture.height(), picture, 0, 0, Rop::srccopy);
    }
    Backdrop fresh;
    fresh.reset(p.id(), p.version(), d.width(), d.height());
    d.set_backdrop(std::move(fresh));
}

std::vector<Rect> copy_changes(Surface& dest, const Surface& picture) {
    const int width = std::min(dest.width(), picture.width()), height = std::min(dest.height(), picture.height());
    if (width <= 0 || height <= 0) return {};
    if (dest.bitmap.depth() != 32 || picture.bitmap.depth() != 32) {
        copy_whole(dest, picture);
        return {Rect{0, 0, width, height}};
    }
    // When both sides hold the same background outside their marked tiles, only those tiles can
    // differ.
    const Backdrop *shown = dest.bitmap.backdrop(), *drawn = picture.bitmap.backdrop();
    std::vector<std::uint8_t> candidates;
    if (shown && drawn && shown->id == drawn->id && shown->version == drawn->version && shown->width == width &&
        shown->height == height && drawn->width == width && drawn->height == height) {
        candidates = drawn->marked;
        for (std::size_t i = 0; i < candidates.size(); ++i) candidates[i] |= shown->marked[i];
    }
    const Backdrop after = drawn && drawn->width == width && drawn->height == height ? *drawn : Backdrop{};

    const int columns = (width + tile - 1) / tile;
    std::vector<Rect> changed;
    std::vector<Rect> band_rects;  // the previous band's rectangles, still open for growing down
    std::vector<bool> dirty(std::size_t(columns), false);
    for (int band_top = 0; band_top < height; band_top += tile) {
        const int band_bottom = std::min(band_top + tile, height);
        std::fill(dirty.begin(), dirty.end(), false);
        bool any = false;
        const std::uint8_t* band_candidates =
            candidates.empty() ? nullptr : candidates.data() + std::size_t(band_top / tile) * columns;
        const bool look = !band_candidates || std::find(band_candidates, band_candidates + columns, 1) !=
                                                  band_candidates + columns;
        for (int y = band_top; look && y < band_bottom; ++y) {
            const std::uint32_t* from = picture.bitmap.rgb_row(y);
            std::uint32_t* to = dest.bitmap.rgb_row(y);
            if (!band_candidates && std::memcmp(from, to, std::size_t(width) * 4) == 0) continue;
            for (int t = 0; t < columns; ++t) {
                if (band_candidates && !band_candidates[t]) continue;
                const int left = t * tile, n = std::min(tile, width - left);
                if (std::memcmp(from + left, to + left, std::size_t(n) * 4) == 0) continue;
                std::memcpy(to + left, from + left, std::size_t(n) * 4);
                dirty[std::size_t(t)] = true;
                any = true;
            }
        }
        // Runs of dirty tiles become rectangles; one that spans the same columns as a rectangle
        // of the band above extends that one down instead.
        std::vector<Rect> rects;
        if (any) {
            for (int t = 0; t < columns;) {
                if (!dirty[std::size_t(t)]) {
                    ++t;
                    continue;
                }
                int end = t;
                while (end < columns && dirty[std::size_t(end)]) ++end;
                rects.push_back(Rect{t * tile, band_top, std::min(end * tile, width), band_bottom});
                t = end;
            }
        }
        for (const Rect& above : band_rects) {
            auto below = std::find_if(rects.begin(), rects.end(), [&](const Rect& r) {
                return r.left == above.left && r.right == above.right;
            });
            if (below != rects.end())
                below->top = above.top;
            else
                changed.push_back(above);
        }
        band_rects = std::move(rects);
    }
    changed.insert(changed.end(), band_rects.begin(), band_rects.end());
    dest.bitmap.set_backdrop(after);
    return changed;
}

}  // namespace kelvora
