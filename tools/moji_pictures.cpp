// The lettering sheet (sprite) and its mask: digits, the chain word, the start labels, the logo
// with its shine pictures and the game-over picture.

#include <QLinearGradient>

#include <cmath>

#include "tools/asset_kit.hpp"

namespace kelvora::tools {

void paint_logo_letter(QPainter& p, int index, const QRectF& cell, double size, bool shine) {
    static const char* letters[] = {"ケ", "ル", "ボ", "ラ"};
    const QColor colour = drop_colour(index);
    QColor halo = shine ? QColor(255, 255, 255) : colour;
    halo.setAlphaF(shine ? 0.45 : 0.30);
    p.save();
    p.setClipRect(cell);
    // Glows stay inside the cell so that its corners keep the black ground.
    paint_glow(p, cell.center(), cell.width() * 0.55, halo);
    const QPainterPath path = text_path(QString::fromUtf8(letters[index]), logo_font(size), cell, Qt::AlignCenter);
    QLinearGradient g(cell.topLeft(), cell.bottomLeft());
    if (shine) {
        g.setColorAt(0, QColor(255, 255, 255));
        g.setColorAt(0.6, colour.lighter(185));
        g.setColorAt(1, colour.lighter(130));
    } else {
        g.setColorAt(0, colour.lighter(175));
        g.setColorAt(0.5, colour.lighter(115));
        g.setColorAt(1, colour.darker(125));
    }
    paint_lettering(p, path, g, shine ? QColor(255, 255, 255, 200) : QColor(10, 18, 44), shine ? 1.2 : 2.0,
                    size / 22);
    if (!shine) {
        p.setClipPath(path);
        p.fillRect(QRectF(cell.left(), cell.top(), cell.width(), cell.height() * 0.45), QColor(255, 255, 255, 45));
    } else {
        // a four-pointed glint low at the left, clear of any voicing marks
        const QPointF c(cell.left() + cell.width() * 0.2, cell.bottom() - cell.height() * 0.24);
        const double r = cell.width() * 0.18;
        QPainterPath star;
        star.moveTo(c.x(), c.y() - r);
        star.quadTo(c, QPointF(c.x() + r, c.y()));
        star.quadTo(c, QPointF(c.x(), c.y() + r));
        star.quadTo(c, QPointF(c.x() - r, c.y()));
        star.quadTo(c, QPointF(c.x(), c.y() - r));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 255, 255));
        p.drawPath(star);
        paint_glow(p, c, r * 0.8, QColor(255, 255, 255, 200));
    }
    p.restore();
}

namespace {

constexpr int sheet_w = 500, sheet_h = 400;
const QColor outline_colour(8, 14, 38);

// Masked regions of the sheet.
const QRectF chain_word(0, 50, 100, 50);
const QRectF start_label(100, 50, 100, 50);
const QRectF game_over(0, 200, 450, 100);
const QRectF start_lettering(0, 300, 500, 100);
// Plain regions: the logo (its lower 62 rows hold four letters 48 wide from x = 3) and the
// shine pictures of those letters.
const QRectF logo(0, 100, 200, 100);
constexpr double letter_top = 138, letter_left = 3, letter_width = 48, shine_left = 203, shine_height = 50;

struct Sheet {
    QImage art = new_canvas(sheet_w, sheet_h, QColor(255, 255, 255));
    QImage cover = new_canvas(sheet_w, sheet_h, QColor(0, 0, 0, 0));  // alpha: where the mask is black
};

// Draws masked lettering: the sprite gets the lettering over its outline colour, the cover
// records the lettering's footprint (outline included).
void letter(Sheet& sheet, const QRectF& box, const QString& text, double size, const QBrush& fill, double outline,
            double embolden, double squeeze = 1.0) {
    QPainterPath path = text_path(text, ui_font(size), box, Qt::AlignCenter);
    if (squeeze != 1.0) {
        const QPointF c = path.boundingRect().center();
        QTransform t;
        t.translate(c.x(), c.y());
        t.scale(squeeze, 1);
        t.translate(-c.x(), -c.y());
        path = t.map(path);
    }
    // Footprint first, so the sprite can be clipped to exactly the masked pixels later.
    QPainter c(&sheet.cover);
    c.setClipRect(box);
    paint_lettering(c, path, QColor(0, 0, 0), QColor(0, 0, 0), outline, embolden);
    c.end();
    QImage local = new_canvas(sheet_w, sheet_h, outline_colour);
    QPainter p(&local);
    p.setClipRect(box);
    paint_lettering(p, path, fill, outline_colour, outline, embolden);
    p.end();
    // Keep the sprite only where the footprint is solid enough to be masked black.
    for (int y = int(box.top()); y < int(box.bottom()); ++y)
        for (int x = int(box.left()); x < int(box.right()); ++x)
            if (qAlpha(sheet.cover.pixel(x, y)) >= 128) sheet.art.setPixel(x, y, local.pixel(x, y));
}

QLinearGradient vertical(const QRectF& box, QColor top, QColor middle, QColor bottom) {
    QLinearGradient g(box.topLeft() + QPointF(0, box.height() * 0.15), box.bottomLeft() - QPointF(0, box.height() * 0.15));
    g.setColorAt(0, top);
    g.setColorAt(0.5, middle);
    g.setColorAt(1, bottom);
    return g;
}

void paint_logo_sheet(QImage& art) {
    QPainter p(&art);
    p.setRenderHint(QPainter::Antialiasing);
    // The logo and the shine pictures are copied plainly onto black.
    p.fillRect(logo, Qt::black);
    p.fillRect(QRectF(shine_left, letter_top, 4 * letter_width, shine_height), Qt::black);
    // Upper part: the name in Latin letters between falling drops.
    const QPainterPath name = text_path("K E L V O R A", ui_font(15), QRectF(0, 112, 200, 22), Qt::AlignCenter);
    paint_lettering(p, name, QColor(170, 205, 255), QColor(0, 0, 0), 0, 0.5);
    for (int i = 0; i < 4; ++i)
        paint_drop(p, QPointF(i < 2 ? 14 + 20 * i : 166 + 20 * (i - 2), 118 + (i % 2) * 6), 14, drop_colour(i), true);
    for (int i = 0; i < 4; ++i) {
        const QRectF cell(letter_left + letter_width * i, letter_top, letter_width, shine_height);
        paint_logo_letter(p, i, cell, 44, false);
        const QRectF shine(shine_left + letter_width * i, letter_top, letter_width, shine_height);
        paint_logo_letter(p, i, shine, 44, true);
    }
    // A wet reflection line under the letters.
    QLinearGradient line(QPointF(0, 0), QPointF(200, 0));
    line.setColorAt(0, QColor(80, 150, 255, 0));
    line.setColorAt(0.5, QColor(140, 200, 255, 200));
    line.setColorAt(1, QColor(80, 150, 255, 0));
    p.fillRect(QRectF(8, 192, 184, 2), line);
}

}  // namespace

std::vector<Picture> make_moji_pictures() {
    Sheet sheet;
    const QColor deep(20, 60, 170);
    for (int d = 0; d < 10; ++d)
        letter(sheet, QRectF(50 * d, 0, 50, 50), QString::number(d), 44,
               vertical(QRectF(50 * d, 0, 50, 50), QColor(240, 250, 255), QColor(110, 200, 255), deep), 3.0, 3.0,
               1.3);
    // "Chain" is wider than its two kanji: a little smaller, and narrowed to keep its height.
    const bool english = drawing_english_words();
    letter(sheet, chain_word, words("連鎖", "Chain"), english ? 36 : 40,
           vertical(chain_word, QColor(255, 250, 210), QColor(255, 200, 60), QColor(220, 110, 20)), 3.0, 1.2,
           english ? 0.84 : 1.0);
    letter(sheet, start_label, words("スタート", "Start"), 30,
           vertical(start_label, QColor(230, 255, 240), QColor(90, 230, 170), QColor(20, 140, 110)), 2.5, 1.4, 0.8);
    letter(sheet, game_over, words("ゲームオーバー", "Game Over"), 62,
           vertical(game_over, QColor(255, 225, 240), QColor(255, 90, 140), QColor(140, 30, 120)), 4.0, 2.0);
    letter(sheet, start_lettering, words("スタート！", "Start!"), 84,
           vertical(start_lettering, QColor(255, 255, 230), QColor(255, 220, 80), QColor(255, 130, 40)), 4.5, 2.5);
    paint_logo_sheet(sheet.art);

    // The mask: black under the lettering, white elsewhere (the logo and shine regions included,
    // which are never drawn through the mask).
    QImage mask = new_canvas(sheet_w, sheet_h, QColor(255, 255, 255));
    for (int y = 0; y < sheet_h; ++y)
        for (int x = 0; x < sheet_w; ++x)
            if (qAlpha(sheet.cover.pixel(x, y)) >= 128) mask.setPixel(x, y, qRgb(0, 0, 0));

    Bitmap sprite = quantise(sheet.art);
    // White ground must stay exact white where the mask is white, whatever the quantiser chose.
    const QRectF plain_regions[] = {logo, QRectF(shine_left, letter_top, 4 * letter_width, shine_height)};
    for (int y = 0; y < sheet_h; ++y)
        for (int x = 0; x < sheet_w; ++x) {
            bool plain = false;
            for (const QRectF& r : plain_regions) plain = plain || r.contains(x + 0.5, y + 0.5);
            if (!plain && qRed(mask.pixel(x, y)) == 255) sprite.index_row(y)[x] = 1;  // entry 1 is white
        }
    std::vector<Picture> out;
    out.push_back({"moji_image.bmp", std::move(sprite)});
    out.push_back({"moji_image2.bmp", quantise(mask)});
    return out;
}

}  // namespace kelvora::tools
