// Timings of the raster library's hot paths: the copies every composed screen makes and the
// nearest-colour conversion each fade starts with.
#include <memory>
#include <random>

#include "bench.hpp"
#include "platform/raster.hpp"
#include "screens/primitives.hpp"

namespace kelvora::bench {
namespace {

Palette random_palette(std::mt19937& random) {
    Palette p{};
    for (auto& c : p) c = Colour::from_packed(random() & 0xFFFFFF);
    return p;
}

Palette cube_palette() {
    Palette p{};
    int k = 0;
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 6; ++g)
            for (int b = 0; b < 6; ++b) p[k++] = Colour{std::uint8_t(r * 51), std::uint8_t(g * 51), std::uint8_t(b * 51)};
    return p;
}

// A 500 x 400 letter sheet and its mask (8 bits, each with its own table), over the buffer.
struct LetterSheet {
    Surface sprite, mask, buffer{Bitmap::rgb(500, 500)};
    LetterSheet() {
        std::mt19937 random(1);
        sprite.bitmap = Bitmap::indexed(500, 400, random_palette(random));
        Palette greys{};
        for (int i = 0; i < 256; ++i) greys[i] = Colour{std::uint8_t(i), std::uint8_t(i), std::uint8_t(i)};
        mask.bitmap = Bitmap::indexed(500, 400, greys);
        for (int y = 0; y < 400; ++y)
            for (int x = 0; x < 500; ++x) {
                sprite.bitmap.index_row(y)[x] = std::uint8_t(random());
                mask.bitmap.index_row(y)[x] = (x / 7 + y / 9) % 3 == 0 ? 0 : 255;
            }
    }
};

const Register masked_copy("one masked copy (500 x 100, 8-bit onto buffer)", [] {
    auto s = std::make_shared<LetterSheet>();
    return Body([s] { blit_masked(s->buffer, 0, 200, 500, 100, s->sprite, s->mask, 0, 100); });
});

const Register stretched_masked_copy("one stretched masked copy (500x100 -> 480x96)", [] {
    auto s = std::make_shared<LetterSheet>();
    return Body([s] { stretch_blit_masked(s->buffer, 10, 202, 480, 96, s->sprite, s->mask, 0, 100, 500, 100); });
});

const Register full_copy("one full 500 x 500 copy (buffer to work_image)", [] {
    auto buffer = std::make_shared<Surface>(Surface{Bitmap::rgb(500, 500)});
    auto work = std::make_shared<Surface>(Surface{Bitmap::rgb(501, 501)});
    return Body([buffer, work] { bit_blt(*work, 0, 0, 500, 500, *buffer, 0, 0, Rop::srccopy); });
});

// The fade converts a composed screen: pictures of 256 colours each, so some hundreds of
// distinct colours in all. The map is rebuilt per run, as it is per fade.
const Register nearest_conversion("nearest-colour conversion of a 501 x 501 picture", [] {
    auto picture = std::make_shared<Surface>(Surface{Bitmap::rgb(501, 501)});
    std::mt19937 random(2);
    const Palette tables[3] = {random_palette(random), random_palette(random), random_palette(random)};
    for (int y = 0; y < 501; ++y)
        for (int x = 0; x < 501; ++x) picture->bitmap.rgb_row(y)[x] = tables[y / 170][random() & 0xFF].packed();
    auto copy = std::make_shared<Surface>(Surface{Bitmap::indexed(501, 501, cube_palette())});
    return Body([picture, copy] { bit_blt(*copy, 0, 0, 501, 501, *picture, 0, 0, Rop::srccopy); });
});

// The worst case: every pixel a different colour, so every colour cube is visited.
const Register nearest_worst_case("nearest-colour conversion, every pixel distinct", [] {
    auto picture = std::make_shared<Surface>(Surface{Bitmap::rgb(501, 501)});
    std::mt19937 random(3);
    for (int y = 0; y < 501; ++y)
        for (int x = 0; x < 501; ++x) picture->bitmap.rgb_row(y)[x] = random() & 0xFFFFFF;
    auto copy = std::make_shared<Surface>(Surface{Bitmap::indexed(501, 501, cube_palette())});
    return Body([picture, copy] { bit_blt(*copy, 0, 0, 501, 501, *picture, 0, 0, Rop::srccopy); });
});

}  // namespace
}  // namespace kelvora::bench
