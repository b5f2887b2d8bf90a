#include "screens/story_screen.hpp"

#include <cmath>
#include <cstdint>
#include <iterator>

#include "core/app.hpp"
#include "core/sound.hpp"
#include "pictures/blend.hpp"
#include "screens/compositor.hpp"

namespace kelvora {

namespace {

constexpr int ticks_per_step = 5;
constexpr int story_interval = 500;  // ms per tick, 2.5 s per step
constexpr int picture_top = 70;      // story_image stands at (0, 70)
constexpr std::int16_t final_step = 23;
constexpr std::int16_t leaving_step = 24;

// What a step sets when it starts: its picture phase (-1 keeps the current one), the bottom of
// its text band (-1 keeps it: the step reveals no text) and the tune it starts at once.
struct StoryStep {
    std::int16_t phase;
    std::int16_t line_to;
    const char* music;
};

// Steps 7, 13 and 21 do not exist; the bands of steps 8, 14 and 22 are two lines high.
constexpr StoryStep no_step{-1, -1, nullptr};
constexpr StoryStep story_steps[] = {
    no_step,                     // 0
    {-1, 73, nullptr},           // 1
    {-1, 93, nullptr},           // 2
    {-1, 113, nullptr},          // 3
    {-1, 133, nullptr},          // 4
    {-1, 153, nullptr},          // 5
    {-1, 173, nullptr},          // 6
    no_step,                     // 7
    {-1, 213, nullptr},          // 8
    {-1, 241, nullptr},          // 9
    {1, -1, nullptr},            // 10: the middle of the picture fades in, the title tune starts
    {2, 261, nullptr},           // 11
    {2, 281, nullptr},           // 12
    no_step,                     // 13
    {2, 321, nullptr},           // 14
    {2, 341, nullptr},           // 15
    {3, -1, "kelvora2.mid"},     // 16: the side parts fade in
    {4, 361, nullptr},           // 17: the whole picture from here on
    {4, 381, nullptr},           // 18
    {-1, 409, nullptr},          // 19
    {-1, 429, nullptr},          // 20
    no_step,                     // 21
    {-1, 469, nullptr},          // 22
};

// The four side parts of phase 3: destination rectangle and where they come from.
struct SidePart {
    int x, y, width, height, source_x, source_y;
};
constexpr SidePart side_parts[] = {
    {10, 100, 115, 100, 10, 30},
    {10, 200, 115, 80, 10, 130},
    {10, 280, 115, 160, 10, 210},
    {370, 115, 120, 130, 370, 45},
};

// The middle part of the picture.
constexpr int middle_x = 145, middle_width = 205;
constexpr int middle_blend_height = 377;
constexpr int middle_copy_height = 380;
constexpr int middle_phase3_height = 400;  // runs past the picture's end; buffer stays black there

void start_next_step(App& app) {
    GameState& state = app.state;
    state.story_line_from = state.story_line_to;
    const bool skips = state.story_step == 6 || state.story_step == 12 || state.story_step == 20;
    state.story_step = std::int16_t(state.story_step + (skips ? 2 : 1));
    state.story_frames = ticks_per_step;
    if (state.story_step <= 0 || state.story_step >= std::int16_t(std::size(story_steps))) return;
    const StoryStep& step = story_steps[state.story_step];
    if (step.phase >= 0) state.story_phase = step.phase;
    if (step.line_to >= 0) state.story_line_to = step.line_to;
    if (step.music) play_music(app, step.music);
}

void draw_picture_phase(App& app, int alpha) {
    PictureStore& pictures = app.pictures;
    Surface& buffer = pictures.buffer;
    Surface& picture = pictures.story_image;
    switch (app.state.story_phase) {
    case 1:
        blend_rect(buffer, middle_x, picture_top, middle_width, middle_blend_height, picture, middle_x, 0, alpha,
                   plain_black_key);
        break;
    case 2:
        bit_blt(buffer, middle_x, picture_top, middle_width, middle_copy_height, picture, middle_x, 0, Rop::srccopy);
        break;
    case 3:
        bit_blt(buffer, middle_x, picture_top, middle_width, middle_phase3_height, picture, middle_x, 0,
                Rop::srccopy);
        for (const SidePart& part : side_parts)
            blend_rect(buffer, part.x, part.y, part.width, part.height, picture, part.source_x, part.source_y, alpha,
                       border_key);
        break;
    case 4:
        bit_blt(buffer, 0, picture_top, picture.width(), picture.height(), picture, 0, 0, Rop::srccopy);
        break;
    default:
        break;
    }
}

// The text already revealed, above the band: the mask clears the glyphs' pixels to black, then
// XOR puts the glyphs in, leaving the picture around them.
void draw_revealed_text(App& app) {
    PictureStore& pictures = app.pictures;
    const int height = app.state.story_line_from;
    bit_blt(pictures.buffer, 0, 0, buffer_size, height, pictures.story_moji2, 0, 0, Rop::srcand);
    bit_blt(pictures.buffer, 0, 0, buffer_size, height, pictures.story_moji1, 0, 0, Rop::srcinvert);
}

}  // namespace

StoryTick story_tick(App& app) {
    GameState& state = app.state;
    PictureStore& pictures = app.pictures;
    PlayTimer& timer = app.platform.timer;
    timer.set_enabled(false);
    fill_rect(pictures.buffer, 0, 0, buffer_size, buffer_size, black);

    if (state.story_frames == 0) {
        start_next_step(app);
        if (state.story_step == final_step) {
            // The whole picture and all text; the five ticks that follow keep showing it.
            bit_blt(pictures.buffer, 0, picture_top, pictures.story_image.width(), pictures.story_image.height(),
                    pictures.story_image, 0, 0, Rop::srccopy);
            draw_revealed_text(app);
            present_buffer(app);
            timer.set_enabled(true);
            return StoryTick::shown;
        }
        // The timer stays off: the caller leaves the story and starts it again.
        if (state.story_step >= leaving_step) return StoryTick::told;
    }

    const bool second_tick = state.story_frames == ticks_per_step - 1;
    --state.story_frames;
    // Each new element fades in from black: 256, 192, 128, 64, 0 over the step's ticks.
    const int alpha = int(std::nearbyint(state.story_frames * 256.0 / 4.0));
    if (state.story_phase == 1 && second_tick) play_music(app, "kelvora1.mid");

    draw_picture_phase(app, alpha);
    blend_rect(pictures.buffer, 0, state.story_line_from, buffer_size, state.story_line_to - state.story_line_from,
               pictures.story_moji1, 0, state.story_line_from, alpha, plain_black_key);
    draw_revealed_text(app);
    present_buffer(app);

    timer.set_interval(story_interval);
    timer.set_enabled(true);
    return StoryTick::shown;
}

}  // namespace kelvora
