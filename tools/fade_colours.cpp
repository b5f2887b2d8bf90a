// The screens the game fades, composed from the pictures the way the game cuts and masks them,
// and the colours a fade shows them in.

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>

#include "platform/bmp.hpp"
#include "tools/asset_kit.hpp"

namespace kelvora::tools {
namespace {

Surface blank_screen() { return Surface{Bitmap::rgb(500, 500)}; }

void copy(Surface& dst, int x, int y, const Surface& src, int sx, int sy, int w, int h) {
    bit_blt(dst, x, y, w, h, src, sx, sy, Rop::srccopy);
}

void masked(Surface& dst, int x, int y, int w, int h, const Surface& sprite, const Surface& mask, int sx, int sy) {
    if (bit_blt(dst, x, y, w, h, mask, sx, sy, Rop::srcerase)) bit_blt(dst, x, y, w, h, sprite, sx, sy, Rop::srcinvert);
}

void stretched_masked(Surface& dst, int x, int y, int w, int h, const Surface& sprite, const Surface& mask, int sx,
                      int sy, int sw, int sh) {
    if (stretch_blt(dst, x, y, w, h, mask, sx, sy, sw, sh, Rop::srcerase))
        stretch_blt(dst, x, y, w, h, sprite, sx, sy, sw, sh, Rop::srcinvert);
}

// The game's texts stand in with our lettering font at the game's sizes and colours.
void text(QImage& image, const QRectF& box, const QString& s, int size, QColor colour, Qt::Alignment align) {
    QPainter p(&image);
    p.setFont(ui_font(size));
    p.setPen(colour);
    p.drawText(box, int(align) | Qt::TextWordWrap, s);
}

Surface to_surface(const QImage& image) {
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    Surface s{Bitmap::rgb(rgb.width(), rgb.height())};
    for (int y = 0; y < rgb.height(); ++y) {
        const auto* row = reinterpret_cast<const std::uint32_t*>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); ++x) s.bitmap.rgb_row(y)[x] = row[x] & 0xFFFFFFu;
    }
    return s;
}

// The fade's full-brightness table: the title's first 216 entries, black behind them.
Palette fade_palette(const Palette& title_palette) {
    Palette palette{};
    std::copy_n(title_palette.begin(), fade_colour_count, palette.begin());
    return palette;
}


}  // namespace

ScreenPictures load_screen_pictures(const std::string& folder) {
    auto load = [&](const std::string& name) {
        std::string error;
        return Surface{load_bmp(folder + name, error)};
    };
    ScreenPictures p{load("open_image.bmp"),  load("open_image2.bmp"), load("option_image.bmp"),
                     load("rank_image.bmp"),  load("rank_image2.bmp"), load("back_image.bmp"),
                     load("restart_image.bmp"), load("moji_image.bmp"), load("moji_image2.bmp"),
                     load("story_image.bmp"), load("story_moji1.bmp"), load("story_moji2.bmp"), {}};
    for (int i = 0; i < 9; ++i) p.blocks[i] = load("block_image" + std::to_string(i) + ".bmp");
    return p;
}

ScreenPictures screen_pictures(const std::vector<Picture>& pictures, const QImage& title) {
    std::map<std::string, const Bitmap*> by_name;
    for (const Picture& picture : pictures) by_name[picture.file_name] = &picture.bitmap;
    auto get = [&](const std::string& name) {
        auto it = by_name.find(name);
        return it == by_name.end() ? Surface{} : Surface{*it->second};
    };
    ScreenPictures p{to_surface(title),       get("open_image2.bmp"),   get("option_image.bmp"),
                     get("rank_image.bmp"),   get("rank_image2.bmp"),   get("back_image.bmp"),
                     get("restart_image.bmp"), get("moji_image.bmp"),   get("moji_image2.bmp"),
                     get("story_image.bmp"),  get("story_moji1.bmp"),   get("story_moji2.bmp"), {}};
    for (int i = 0; i < 9; ++i) p.blocks[i] = get("block_image" + std::to_string(i) + ".bmp");
    return p;
}

std::vector<FadedScreen> faded_screens(const ScreenPictures& pics) {
    std::vector<FadedScreen> screens;
    auto image = [](const Surface& s) { return to_qimage(s.bitmap); };

    // The title fades out with the chosen entry lit.
    Surface s = blank_screen();
    copy(s, 0, 0, pics.open, 0, 0, 500, 500);
    copy(s, 180, 411, pics.open2, 0, 26, 140, 29);
    screens.push_back({"title", image(s)});

    // Options with the start values, row 2 pointed at.
    s = blank_screen();
    copy(s, 0, 0, pics.option, 0, 0, 500, 500);
    const int settings[6] = {4, 3, 1, 3, 2, 2};
    for (int i = 1; i <= 6; ++i)
        stretched_masked(s, 240, 50 * i + 52, 40, 40, pics.moji, pics.moji2, 50 * settings[i - 1], 0, 50, 50);
    masked(s, 200, 420, 100, 50, pics.moji, pics.moji2, 100, 50);
    QImage img = image(s);
    text(img, QRectF(300, 100, 200, 300),
         QString::fromUtf8("・雨粒の大きさを表します。\n\n・オフィシャルモードでは「３」です。\n\n・数字が大きければ雨粒も大きくなり、"
                           "難度が上がります。\n（極小・小・普通・大・特大）"),
         14, Qt::white, Qt::AlignLeft | Qt::AlignTop);
    screens.push_back({"options", img});

    // Rankings: the official tab highlighted, its description and a table.
    s = blank_screen();
    copy(s, 0, 0, pics.rank, 0, 0, 500, 500);
    copy(s, 30, 75, pics.rank2, 0, 0, 215, 45);
    img = image(s);
    text(img, QRectF(20, 200, 460, 50), QString::fromUtf8("オフィシャルモードのランキングを表示します。"), 14, Qt::white,
         Qt::AlignLeft | Qt::AlignTop);
    text(img, QRectF(0, 250, 500, 30), QString::fromUtf8("オフィシャルランキング"), 20, Qt::white, Qt::AlignHCenter);
    for (int r = 0; r < 10; ++r) {
        text(img, QRectF(20, 340 + 15 * r, 60, 15), QString::number(r + 1), 14, Qt::white, Qt::AlignLeft);
        text(img, QRectF(100, 340 + 15 * r, 100, 15), "-", 14, Qt::white, Qt::AlignLeft);
        text(img, QRectF(200, 340 + 15 * r, 95, 15), QString::number(10000 - 1000 * r), 14, Qt::white, Qt::AlignRight);
        text(img, QRectF(320, 340 + 15 * r, 120, 15), "-", 14, Qt::white, Qt::AlignLeft);
    }
    screens.push_back({"rankings", img});

    // Play: the official well (8 x 16 cells of 25 pixels, four colours) well filled, a burst, a
    // chain label and the panel numbers.
    Rng rng(3);
    // Columns of drops at least `least` cells high.
    auto well = [&](Surface& screen, int columns, int rows, int cell, int colours, int least) {
        const int left = 250 - columns * cell / 2;
        for (int c = 0; c < columns; ++c) {
            const int height = std::min(rows, least + int(rng.next() % std::uint64_t(rows / 2)));
            for (int r = rows - height; r < rows; ++r)
                stretch_blt(screen, left + c * cell, 70 + r * cell, cell, cell, pics.blocks[rng.next() % colours], 0, 0,
                            25, 25, Rop::srccopy);
        }
    };
    s = blank_screen();
    copy(s, 0, 0, pics.back, 0, 0, 500, 500);
    well(s, 8, 16, 25, 4, 5);
    for (int k = 0; k < 4; ++k)
        stretch_blt(s, 250 + (k % 2 ? 3 : -16), 100 + (k / 2) * 26, 12, 12, pics.blocks[1], 0, 0, 25, 25, Rop::srccopy);
    masked(s, 240 - 100, 260, 50, 50, pics.moji, pics.moji2, 50, 0);
    masked(s, 240 - 50, 260, 50, 50, pics.moji, pics.moji2, 100, 0);
    masked(s, 240, 260, 100, 50, pics.moji, pics.moji2, 0, 50);
    img = image(s);
    text(img, QRectF(25, 65, 85, 25), "1234", 20, Qt::white, Qt::AlignRight | Qt::AlignBottom);
    text(img, QRectF(360, 65, 80, 25), "3", 20, Qt::white, Qt::AlignRight | Qt::AlignBottom);
    text(img, QRectF(380, 305, 80, 25), "12", 20, Qt::white, Qt::AlignRight | Qt::AlignBottom);
    text(img, QRectF(380, 415, 80, 25), "12", 20, Qt::white, Qt::AlignRight | Qt::AlignBottom);
    screens.push_back({"play", img});

    // A late option game with all nine colours, and one with drops of 40 pixels.
    s = blank_screen();
    copy(s, 0, 0, pics.back, 0, 0, 500, 500);
    well(s, 8, 16, 25, 9, 10);
    screens.push_back({"option play", image(s)});
    s = blank_screen();
    copy(s, 0, 0, pics.back, 0, 0, 500, 500);
    well(s, 5, 10, 40, 9, 3);
    screens.push_back({"large drops", image(s)});

    // Game over, with the restart button pressed.
    s = blank_screen();
    copy(s, 0, 0, pics.back, 0, 0, 500, 500);
    copy(s, 190, 5, pics.restart, 0, 0, 105, 45);
    masked(s, 25, 180, 450, 100, pics.moji, pics.moji2, 0, 200);
    screens.push_back({"game over", image(s)});

    // The opening ends on the whole logo.
    s = blank_screen();
    copy(s, 150, 200, pics.moji, 0, 100, 200, 100);
    screens.push_back({"opening", image(s)});

    // The story at its end.
    s = blank_screen();
    copy(s, 0, 70, pics.story, 0, 0, 500, 380);
    bit_blt(s, 0, 0, 500, 469, pics.story2, 0, 0, Rop::srcand);
    bit_blt(s, 0, 0, 500, 469, pics.story1, 0, 0, Rop::srcinvert);
    screens.push_back({"story", image(s)});
    return screens;
}

std::vector<Colour> fit_fade_colours(const std::vector<FadedScreen>& screens) {
    std::vector<std::map<std::uint32_t, double>> areas(screens.size());
    for (std::size_t i = 0; i < screens.size(); ++i) {
        const QImage rgb = screens[i].image.convertToFormat(QImage::Format_RGB32);
        for (int y = 0; y < rgb.height(); ++y) {
            const auto* row = reinterpret_cast<const std::uint32_t*>(rgb.constScanLine(y));
            for (int x = 0; x < rgb.width(); ++x) areas[i][row[x] & 0xFFFFFFu] += 1;
        }
    }
    // Weighted by area alone, the wide night skies take nearly every entry and the drops and
    // lettering of a few screens are shown worst. So each round weighs a screen by how its worst
    // pixels (the 99th percentile) fared against the others', and the fit whose worst screen
    // fares best is kept.
    constexpr int rounds = 8;
    std::vector<double> weight(screens.size(), 1.0);
    std::vector<Colour> best;
    double best_worst = std::numeric_limits<double>::max();
    for (int round = 0; round < rounds; ++round) {
        std::map<std::uint32_t, double> histogram;
        for (std::size_t i = 0; i < screens.size(); ++i)
            for (auto [colour, area] : areas[i]) histogram[colour] += area * weight[i];
        // The entries behind the 216 are black during a fade, so black comes free.
        const std::vector<Colour> fitted =
            fit_colours(ColourHistogram(histogram.begin(), histogram.end()), fade_colour_count, {black});

        Palette palette{};
        std::copy(fitted.begin(), fitted.end(), palette.begin());
        std::vector<double> p99;
        for (const FadedScreen& screen : screens) p99.push_back(fade_error(screen.image, palette).p99);
        std::vector<double> sorted = p99;
        std::sort(sorted.begin(), sorted.end());
        if (sorted.back() < best_worst) best_worst = sorted.back(), best = fitted;
        const double middle = sorted[sorted.size() / 2];
        for (std::size_t i = 0; i < screens.size(); ++i) weight[i] *= (p99[i] / middle) * (p99[i] / middle);
    }
    return best;
}

QImage as_faded(const QImage& screen, const Palette& title_palette) {
    const Palette palette = fade_palette(title_palette);
    const NearestColourMap nearest(palette, 256);
    QImage out = screen.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < out.height(); ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x) {
            const Colour c = palette[nearest.lookup(row[x])];
            row[x] = qRgb(c.r, c.g, c.b);
        }
    }
    return out;
}

ColourError fade_error(const QImage& screen, const Palette& title_palette) {
    const QImage original = screen.convertToFormat(QImage::Format_RGB32);
    const QImage faded = as_faded(original, title_palette);
    std::vector<double> errors;
    double sum = 0;
    for (int y = 0; y < original.height(); ++y)
        for (int x = 0; x < original.width(); ++x) {
            const QRgb a = original.pixel(x, y), b = faded.pixel(x, y);
            const int dr = qRed(a) - qRed(b), dg = qGreen(a) - qGreen(b), db = qBlue(a) - qBlue(b);
            errors.push_back(std::sqrt(double(dr * dr + dg * dg + db * db)));
            sum += errors.back();
        }
    if (errors.empty()) return {0, 0};
    const std::size_t at = errors.size() * 99 / 100;
    std::nth_element(errors.begin(), errors.begin() + std::ptrdiff_t(at), errors.end());
    return {sum / double(errors.size()), errors[at]};
}

}  // namespace kelvora::tools
