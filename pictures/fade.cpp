#include "pictures/fade.hpp"

#include <algorithm>
#include <cmath>

#include "core/app.hpp"
#include "core/wait.hpp"

namespace kelvora {

namespace {

// Only the first 216 entries of open_image's table take part in a fade (the asset tool fits them
// to every screen that is faded); the entries behind them stay black.
constexpr int fade_colours = 216;
constexpr float fade_pause = 0.05f;

Palette scaled_palette(const Palette& full, int step, int steps) {
    Palette palette{};
    // The colour times i / s in floating point, halves to even; with no steps at all there is
    // only the full-brightness palette.
    auto scale = [&](std::uint8_t c) {
        return steps > 0 ? std::uint8_t(std::nearbyint(double(c) * step / steps)) : c;
    };
    for (int k = 0; k < fade_colours; ++k)
        palette[k] = {scale(full[k].r), scale(full[k].g), scale(full[k].b)};
    return palette;
}

// The source's pixels as indexes of the full-brightness palette, once per fade. Pixels of the
// copy that the source does not cover stay index 0.
void convert_to_indexes(const Surface& source, Bitmap& indexes, const Palette& full) {
    const NearestColourMap nearest(full, 256);
    int w = std::min(indexes.width(), source.width());
    int h = std::min(indexes.height(), source.height());
    const Bitmap& picture = source.bitmap;
    for (int y = 0; y < h; ++y) {
        std::uint8_t* out = indexes.index_row(y);
        if (picture.depth() == 32) {
            nearest.map_row(picture.rgb_row(y), out, w);
        } else {
            for (int x = 0; x < w; ++x) out[x] = nearest(picture.colour_at(x, y));
        }
    }
}

}  // namespace

FadePalettes build_fade_palettes(const Surface& source, int width, int height, int steps,
                                 const Bitmap& palette_picture) {
    FadePalettes fade;
    if (steps < 0) steps = 0;
    // A picture without a colour table gives all-black palettes: the fade shows black only.
    Palette full{};
    if (palette_picture.depth() == 8) {
        full = palette_picture.palette();
    } else if (palette_picture.depth() == 1) {
        full[0] = palette_picture.palette()[0];
        full[1] = palette_picture.palette()[1];
    }
    fade.palettes.reserve(std::size_t(steps) + 1);
    for (int i = 0; i <= steps; ++i) fade.palettes.push_back(scaled_palette(full, i, steps));

    fade.indexes = Bitmap::indexed(std::max(width, 0), std::max(height, 0), fade.palettes.back());
    convert_to_indexes(source, fade.indexes, fade.palettes.back());
    return fade;
}

void draw_fade_step(Surface& target, int width, int height, const FadePalettes& fade, int step) {
    if (step < 0 || step >= int(fade.palettes.size())) return;
    palette_blt(target, 0, 0, width, height, fade.indexes, fade.palettes[std::size_t(step)]);
}

void palette_fade(App& app, Surface& target, const Surface& source, int direction, int steps) {
    // The colours always come from the title picture, whichever screen is faded.
    FadePalettes fade = build_fade_palettes(source, target.width(), target.height(), steps,
                                            app.pictures.open_image.bitmap);
    // Events that arrive during a fade run inside its pauses.
    auto frame = [&](int index) {
        draw_fade_step(target, target.width(), target.height(), fade, index);
        app.platform.window.refresh();
        wait_seconds(app, fade_pause);
    };
    if (direction == 1) {
        // The last index draws nothing: the full picture is held for one more pause.
        for (int i = 0; i <= steps + 1; ++i) frame(i);
    } else {
        for (int i = steps; i >= 0; --i) frame(i);
    }
}

void fade_screen(App& app, int effect) {
    PlayTimer& timer = app.platform.timer;
    bool timer_was_enabled = timer.enabled();
    timer.set_enabled(false);

    PictureStore& pictures = app.pictures;
    if (effect == 2) {
        // The picture shown now becomes the one to fade out. work_image is one pixel larger
        // than buffer; the copy is clipped to buffer.
        copy_whole(pictures.buffer, pictures.work_image);
    }
    palette_fade(app, pictures.work_image, pictures.buffer, effect, fade_steps);

    timer.set_enabled(timer_was_enabled);
}

}  // namespace kelvora
