// Sample screens composed from the written picture files with our own raster operations, the
// way the game cuts and masks them, so that the pictures can be judged in place.

#include <QPainter>

#include "tools/asset_kit.hpp"

namespace kelvora::tools {
namespace {

Surface screen() {
    Surface s;
    s.bitmap = Bitmap::rgb(500, 500);
    return s;
}

void text(QImage& image, const QRectF& box, const QString& s, int size, QColor colour, Qt::Alignment align) {
    QPainter p(&image);
    p.setFont(ui_font(size));
    p.setPen(colour);
    p.drawText(box, int(align) | Qt::TextWordWrap, s);
}

}  // namespace

QImage make_screen_previews(const std::string& folder) {
    const ScreenPictures pics = load_screen_pictures(folder);
    const std::vector<FadedScreen> faded = faded_screens(pics);
    std::vector<QImage> shots;
    for (const FadedScreen& screen : faded) shots.push_back(screen.image);

    // The start lettering at its largest over the play screen.
    Surface s = screen();
    bit_blt(s, 0, 0, 500, 500, pics.back, 0, 0, Rop::srccopy);
    if (stretch_blt(s, 10, 152, 480, 96, pics.moji2, 0, 300, 500, 100, Rop::srcerase))
        stretch_blt(s, 10, 152, 480, 96, pics.moji, 0, 300, 500, 100, Rop::srcinvert);
    shots.push_back(to_qimage(s.bitmap));

    // The version window's corner with its labels.
    s = screen();
    bit_blt(s, 0, 0, 308, 187, pics.open, 0, 0, Rop::srccopy);
    QImage img = to_qimage(s.bitmap);
    text(img, QRectF(0, 8, 307, 24), QString::fromUtf8("ケルボラ"), 24, QColor(255, 255, 0), Qt::AlignHCenter);
    text(img, QRectF(0, 40, 307, 15), "Ver 1.0", 12, Qt::white, Qt::AlignHCenter);
    text(img, QRectF(40, 64, 235, 70), QString::fromUtf8("このソフトはフリーソフトです。\n自由に遊んでください。"), 15,
         Qt::white, Qt::AlignLeft);
    text(img, QRectF(8, 152, 297, 31), "2001", 12, Qt::white, Qt::AlignHCenter);
    shots.push_back(img);

    // Fade frames at full brightness of the title, options and play.
    for (int i : {0, 1, 3}) shots.push_back(as_faded(faded[std::size_t(i)].image, pics.open.bitmap.palette()));

    QImage sheet(4 * 510, int(shots.size() + 3) / 4 * 510, QImage::Format_RGB32);
    sheet.fill(QColor(60, 60, 66));
    QPainter p(&sheet);
    for (std::size_t i = 0; i < shots.size(); ++i) p.drawImage(int(i % 4) * 510 + 5, int(i / 4) * 510 + 5, shots[i]);
    return sheet;
}

}  // namespace kelvora::tools
