#include "shell/opening.hpp"

#include "core/app.hpp"
#include "core/sound.hpp"
#include "core/wait.hpp"
#include "pictures/fade.hpp"
#include "screens/compositor.hpp"
#include "screens/primitives.hpp"

namespace kelvora {

namespace {

// The logo's pieces in moji_image (left, top, width, height).
struct Piece {
    int left, top, width, height;
};
constexpr Piece whole_logo{0, 100, 200, 100};
constexpr Piece logo_upper{0, 100, 200, 38};
constexpr Piece logo_lower{0, 138, 200, 62};  // the four letters, 48 pixels wide from x = 3
constexpr int shine_left = 203;               // shine of letter i at shine_left + 48 i
constexpr int shine_top = 138;
constexpr int shine_width = 48;
constexpr int shine_height = 50;
constexpr int letter_width = 48;

constexpr int logo_x = 150;  // where the whole logo stands
constexpr int logo_y = 200;
constexpr int slide_frames = 6;
constexpr int upper_step = 70;  // the upper part comes in from the right edge
constexpr int lower_step = 30;  // the lower part from the left edge
constexpr int letters = 4;

void copy_piece(Surface& dest, int x, int y, const Surface& sheet, const Piece& piece) {
    bit_blt(dest, x, y, piece.width, piece.height, sheet, piece.left, piece.top, Rop::srccopy);
}

void clear_buffer(App& app) {
    const Surface& open_image = app.pictures.open_image;
    bit_blt(app.pictures.buffer, 0, 0, open_image.width(), open_image.height(), nullptr, 0, 0, Rop::blackness);
}

}  // namespace

void play_opening(App& app) {
    PictureStore& pictures = app.pictures;
    Surface& buffer = pictures.buffer;
    const Surface& sheet = pictures.moji_image;
    // work_image is always a memory image that refresh puts on the screen, so it keeps what is
    // drawn into it for the whole opening without being switched to do so.
    wait_seconds(app, 0.3f);

    for (int i = 0; i < slide_frames; ++i) {
        wait_seconds(app, 0.1f);
        clear_buffer(app);
        copy_piece(buffer, buffer_size - upper_step * i, logo_y, sheet, logo_upper);
        copy_piece(buffer, lower_step * i, logo_y + logo_upper.height, sheet, logo_lower);
        present_buffer(app);
    }
    wait_seconds(app, 0.2f);

    for (int i = 0; i < letters; ++i) {
        clear_buffer(app);
        copy_piece(buffer, logo_x, logo_y, sheet, whole_logo);
        bit_blt(buffer, logo_x + 3 + letter_width * i, logo_y + logo_upper.height, shine_width, shine_height, sheet,
                shine_left + letter_width * i, shine_top, Rop::srccopy);
        present_buffer(app);
        wait_seconds(app, 0.1f);
        // The plain logo goes straight onto the shown picture, not through buffer.
        copy_piece(pictures.work_image, logo_x, logo_y, sheet, whole_logo);
        app.platform.window.refresh();
    }

    play_wave(app, "fan.wav");
    wait_seconds(app, 0.5f);

    fade_screen(app, 2);
    const Surface& open_image = pictures.open_image;
    // Changed: the picture's width was passed as its height too (it is square, so it never showed).
    bit_blt(buffer, 0, 0, open_image.width(), open_image.height(), open_image, 0, 0, Rop::srccopy);
    fade_screen(app, 1);
}

}  // namespace kelvora
