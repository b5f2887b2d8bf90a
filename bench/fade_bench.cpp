// The screen fade: the once-per-fade conversion to palette indexes and one frame.

#include <memory>

#include "bench.hpp"
#include "pictures/fade.hpp"
#include "platform/bmp.hpp"

namespace kelvora::bench {
namespace {

// A picture loaded from the assets, or, without them, a smooth 8-bit picture with a colour
// table of its own (screens are drawn from such pictures).
Bitmap asset_or_made(const char* file_name, int seed) {
    std::string error;
    Bitmap bitmap = load_bmp(std::string(KELVORA_ASSET_DIR) + file_name, error);
    if (!bitmap.empty()) return bitmap;
    Palette palette{};
    for (int k = 0; k < 256; ++k)
        palette[k] = {std::uint8_t(k * seed), std::uint8_t(255 - k), std::uint8_t((k * 37) ^ seed)};
    bitmap = Bitmap::indexed(500, 500, palette);
    for (int y = 0; y < 500; ++y)
        for (int x = 0; x < 500; ++x) bitmap.index_row(y)[x] = std::uint8_t((x / 3 + y / 5 + (x * y) % 7) & 0xFF);
    return bitmap;
}

struct FadeFixture {
    Bitmap title = asset_or_made("open_image.bmp", 3);
    Surface buffer{Bitmap::rgb(500, 500)};
    Surface work_image{Bitmap::rgb(501, 501)};
    FadeFixture() {
        // The options screen as a fade meets it: an 8-bit picture of other colours in buffer.
        Surface picture{asset_or_made("option_image.bmp", 7)};
        bit_blt(buffer, 0, 0, 500, 500, picture, 0, 0, Rop::srccopy);
    }
};

Register conversion_case("fade: nearest-colour conversion 501x501", [] {
    auto f = std::make_shared<FadeFixture>();
    return [f] {
        FadePalettes fade = build_fade_palettes(f->buffer, 501, 501, fade_steps, f->title);
        asm volatile("" : : "r"(fade.indexes.index_row(0)) : "memory");
    };
});

Register frame_case("fade: one frame", [] {
    auto f = std::make_shared<FadeFixture>();
    auto fade = std::make_shared<FadePalettes>(build_fade_palettes(f->buffer, 501, 501, fade_steps, f->title));
    return [f, fade] {
        draw_fade_step(f->work_image, 501, 501, *fade, 10);
        asm volatile("" : : "r"(f->work_image.bitmap.rgb_row(0)) : "memory");
    };
});

}  // namespace
}  // namespace kelvora::bench
