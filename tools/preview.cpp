// Sample screens composed from the written picture files with our own raster operations, the
// way the game cuts and masks them, so that the pictures can be judged in place.

#include <QPainter>

#include <array>
#include <cmath>

#include "platform/bmp.hpp"
#include "tools/asset_kit.hpp"

namespace kelvora::tools {
namespace {

Surface load_surface(const std::string& folder, const std::string& name) {
    std::string error;
    Surface s;
    s.bitmap = load_bmp(folder + name, error);
    return s;
}

Surface screen() {
    Surface s;
    s.bitmap = Bitmap::rgb(500, 500);
    return s;
}

void masked(Surface& dst, int x, int y, int w, int h, const Surface& sprite, const Surface& mask, int sx, int sy) {
    if (bit_blt(dst, x, y, w, h, mask, sx, sy, Rop::srcerase)) bit_blt(dst, x, y, w, h, sprite, sx, sy, Rop::srcinvert);
}

void stretched_masked(Surface& dst, int x, int y, int w, int h, const Surface& sprite, const Surface& mask, int sx,
                      int sy, int sw, int sh) {
    if (stretch_blt(dst, x, y, w, h, mask, sx, sy, sw, sh, Rop::srcerase))
        stretch_blt(dst, x, y, w, h, sprite, sx, sy, sw, sh, Rop::srcinvert);
}

void copy(Surface& dst, int x, int y, const Surface& src, int sx, int sy, int w, int h) {
    bit_blt(dst, x, y, w, h, src, sx, sy, Rop::srccopy);
}

QImage to_image(const Surface& s) { return to_qimage(s.bitmap); }

void text(QImage& image, const QRectF& box, const QString& s, int size, QColor colour, Qt::Alignment align) {
    QPainter p(&image);
    p.setFont(ui_font(size));
    p.setPen(colour);
    p.drawText(box, int(align) | Qt::TextWordWrap, s);
}

}  // namespace

QImage make_screen_previews(const std::string& folder) {
    auto pic = [&](const char* name) { return load_surface(folder, name); };
    const Surface open = pic("open_image.bmp"), open2 = pic("open_image2.bmp"), option = pic("option_image.bmp"),
                  rank = pic("rank_image.bmp"), rank2 = pic("rank_image2.bmp"), back = pic("back_image.bmp"),
                  restart = pic("restart_image.bmp"), moji = pic("moji_image.bmp"), moji2 = pic("moji_image2.bmp"),
                  story = pic("story_image.bmp"), story1 = pic("story_moji1.bmp"), story2 = pic("story_moji2.bmp");
    std::array<Surface, 9> blocks;
    for (int i = 0; i < 9; ++i) blocks[i] = pic(("block_image" + std::to_string(i) + ".bmp").c_str());

    std::vector<QImage> shots;

    // Title with the official entry highlighted.
    Surface s = screen();
    copy(s, 0, 0, open, 0, 0, 500, 500);
    copy(s, 180, 411, open2, 0, 26, 140, 29);
    shots.push_back(to_image(s));

    // Options with the start values, row 2 pointed at.
    s = screen();
    copy(s, 0, 0, option, 0, 0, 500, 500);
    const int settings[6] = {4, 3, 1, 3, 2, 2};
    for (int i = 1; i <= 6; ++i)
        stretched_masked(s, 240, 50 * i + 52, 40, 40, moji, moji2, 50 * settings[i - 1], 0, 50, 50);
    masked(s, 200, 420, 100, 50, moji, moji2, 100, 50);
    QImage img = to_image(s);
    text(img, QRectF(300, 100, 200, 300),
         QString::fromUtf8("・雨粒の大きさを表します。\n\n・オフィシャルモードでは「３」です。\n\n・数字が大きければ雨粒も大きくなり、"
                           "難度が上がります。\n（極小・小・普通・大・特大）"),
         14, Qt::white, Qt::AlignLeft | Qt::AlignTop);
    shots.push_back(img);

    // Rankings: the official tab highlighted, its description and a table.
    s = screen();
    copy(s, 0, 0, rank, 0, 0, 500, 500);
    copy(s, 30, 75, rank2, 0, 0, 215, 45);
    img = to_image(s);
    text(img, QRectF(20, 200, 460, 50), QString::fromUtf8("オフィシャルモードのランキングを表示します。"), 14, Qt::white,
         Qt::AlignLeft | Qt::AlignTop);
    text(img, QRectF(0, 250, 500, 30), QString::fromUtf8("オフィシャルランキング"), 20, Qt::white, Qt::AlignHCenter);
    for (int r = 0; r < 10; ++r) {
        text(img, QRectF(20, 340 + 15 * r, 60, 15), QString::number(r + 1), 14, Qt::white, Qt::AlignLeft);
        text(img, QRectF(100, 340 + 15 * r, 100, 15), "-", 14, Qt::white, Qt::AlignLeft);
        text(img, QRectF(200, 340 + 15 * r, 95, 15), QString::number(10000 - 1000 * r), 14, Qt::white, Qt::AlignRight);
        text(img, QRectF(320, 340 + 15 * r, 120, 15), "-", 14, Qt::white, Qt::AlignLeft);
    }
    shots.push_back(img);

    // Play: a field of drops, a burst, a chain label and the panel numbers.
    s = screen();
    copy(s, 0, 0, back, 0, 0, 500, 500);
    Rng rng(3);
    for (int c = 1; c <= 8; ++c) {
        const int height = 3 + int(rng.next() % 9);
        for (int r = 16 - height + 1; r <= 16; ++r)
            copy(s, 150 + (c - 1) * 25, 70 + (r - 1) * 25, blocks[rng.next() % 4], 0, 0, 25, 25);
    }
    for (int k = 0; k < 9; ++k) stretch_blt(s, 160 + 20 * k, 80, 10, 10, blocks[k], 0, 0, 25, 25, Rop::srccopy);
    for (int k = 0; k < 4; ++k) stretch_blt(s, 160 + 50 * (k % 2), 100 + 50 * (k / 2), 50, 50, blocks[k + 4], 0, 0, 25, 25, Rop::srccopy);
    masked(s, 240 - 100, 260, 50, 50, moji, moji2, 50, 0);
    masked(s, 240 - 50, 260, 50, 50, moji, moji2, 100, 0);
    masked(s, 240, 260, 100, 50, moji, moji2, 0, 50);
    img = to_image(s);
    text(img, QRectF(25, 65, 85, 25), "1234", 20, Qt::white, Qt::AlignRight | Qt::AlignBottom);
    text(img, QRectF(360, 65, 80, 25), "3", 20, Qt::white, Qt::AlignRight | Qt::AlignBottom);
    text(img, QRectF(380, 305, 80, 25), "12", 20, Qt::white, Qt::AlignRight | Qt::AlignBottom);
    text(img, QRectF(380, 415, 80, 25), "12", 20, Qt::white, Qt::AlignRight | Qt::AlignBottom);
    shots.push_back(img);

    // Game over, with the restart button pressed.
    s = screen();
    copy(s, 0, 0, back, 0, 0, 500, 500);
    copy(s, 190, 5, restart, 0, 0, 105, 45);
    masked(s, 25, 180, 450, 100, moji, moji2, 0, 200);
    shots.push_back(to_image(s));

    // The start lettering at its largest over the play screen.
    s = screen();
    copy(s, 0, 0, back, 0, 0, 500, 500);
    stretched_masked(s, 250 - 240, 200 - 48, 480, 96, moji, moji2, 0, 300, 500, 100);
    shots.push_back(to_image(s));

    // The opening: the logo with the shine on its second letter.
    s = screen();
    bit_blt(s, 0, 0, 500, 500, nullptr, 0, 0, Rop::blackness);
    copy(s, 150, 200, moji, 0, 100, 200, 100);
    copy(s, 153 + 48, 238, moji, 203 + 48, 138, 48, 50);
    shots.push_back(to_image(s));

    // The story at its end.
    s = screen();
    bit_blt(s, 0, 0, 500, 500, nullptr, 0, 0, Rop::blackness);
    copy(s, 0, 70, story, 0, 0, 500, 380);
    bit_blt(s, 0, 0, 500, 469, story2, 0, 0, Rop::srcand);
    bit_blt(s, 0, 0, 500, 469, story1, 0, 0, Rop::srcinvert);
    shots.push_back(to_image(s));

    // The version window's corner with its labels.
    s = screen();
    bit_blt(s, 0, 0, 500, 500, nullptr, 0, 0, Rop::blackness);
    copy(s, 0, 0, open, 0, 0, 308, 187);
    img = to_image(s);
    text(img, QRectF(0, 8, 307, 24), QString::fromUtf8("ケルボラ"), 24, QColor(255, 255, 0), Qt::AlignHCenter);
    text(img, QRectF(0, 40, 307, 15), "Ver 1.0", 12, Qt::white, Qt::AlignHCenter);
    text(img, QRectF(40, 64, 235, 70), QString::fromUtf8("このソフトはフリーソフトです。\n自由に遊んでください。"), 15,
         Qt::white, Qt::AlignLeft);
    text(img, QRectF(8, 152, 297, 31), "2001", 12, Qt::white, Qt::AlignHCenter);
    shots.push_back(img);

    // Fade frames at full brightness: every screen shown in the title's first 216 colours.
    for (const Surface* faded : {&open, &option, &back}) {
        const NearestColourMap nearest(open.bitmap.palette(), 216);
        QImage frame(500, 500, QImage::Format_RGB32);
        for (int y = 0; y < 500; ++y)
            for (int x = 0; x < 500; ++x) {
                const Colour c = open.bitmap.palette()[nearest(faded->bitmap.colour_at(x, y))];
                frame.setPixel(x, y, qRgb(c.r, c.g, c.b));
            }
        shots.push_back(frame);
    }

    QImage sheet(4 * 510, 3 * 510, QImage::Format_RGB32);
    sheet.fill(QColor(60, 60, 66));
    QPainter p(&sheet);
    for (std::size_t i = 0; i < shots.size(); ++i) p.drawImage(int(i % 4) * 510 + 5, int(i / 4) * 510 + 5, shots[i]);
    return sheet;
}

}  // namespace kelvora::tools
