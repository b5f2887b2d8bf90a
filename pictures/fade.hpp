#pragma once
// Palette fades between screens: 20 steps, colours from open_image's first 216 entries.

#include <vector>

#include "platform/raster.hpp"

namespace kelvora {

struct App;

inline constexpr int fade_steps = 20;

// 1: fades in the picture held in buffer; 2: fades out the picture shown in work_image.
// The play timer is off for the fade and gets its earlier enabled state back.
void fade_screen(App& app, int effect);

// The palette table and the fade copy (the source picture as indexes into palette `steps`).
struct FadePalettes {
    std::vector<Palette> palettes;  // index 0 (black) to steps (full brightness)
    Bitmap indexes;                 // 8 bits, the size of the target
};

FadePalettes build_fade_palettes(const Surface& source, int width, int height, int steps,
                                 const Bitmap& palette_picture);

// Draws the fade copy onto target with palette `step`; nothing when step is out of range.
void draw_fade_step(Surface& target, int width, int height, const FadePalettes& fade, int step);

// Runs the frames of one fade: direction 1 in (0 .. steps + 1), otherwise out (steps .. 0).
void palette_fade(App& app, Surface& target, const Surface& source, int direction, int steps);

}  // namespace kelvora
