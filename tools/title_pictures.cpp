// The title picture with its menu, the menu's highlighted strips and the window icon.

#include <QLinearGradient>

#include <array>
#include <cmath>

#include "tools/asset_kit.hpp"

namespace kelvora::tools {
namespace {

struct MenuEntry {
    QRect rect;
    const char* caption;
    const char* english;
};

// The menu entries' rectangles are where the title screen tests the pointer; the highlighted
// strips are stacked in this order in open_image2.
const std::array<MenuEntry, 4> menu_entries{{
    {QRect(180, 385, 140, 26), "ストーリー", "Story"},
    {QRect(180, 411, 140, 29), "オフィシャルゲーム", "Official Game"},
    {QRect(180, 440, 140, 25), "オプション", "Options"},
    {QRect(180, 465, 140, 25), "ランキング", "Rankings"},
}};
const QRect menu_strip(180, 385, 140, 105);
// The version window shows this corner behind its labels.
const QRectF version_corner(0, 0, 310, 190);

void paint_logo(QPainter& p, const QRectF& box, double size) {
    const double cell = box.width() / 4;
    for (int i = 0; i < 4; ++i) paint_logo_letter(p, i, QRectF(box.left() + cell * i, box.top(), cell, box.height()), size, false);
}

QImage paint_title(bool highlighted) {
    QImage image = new_canvas(500, 500);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    NightStyle night;
    night.calm = version_corner;
    night.seed = 101;
    night.lights = 34;
    paint_night(p, QRectF(0, 0, 500, 500), night);

    // A street lamp far off to the right, its light spread by the rain.
    // Kept cool so that its soft edge shares the sky's colours in the small colour table.
    paint_glow(p, QPointF(430, 70), 120, QColor(170, 200, 255, 60));
    paint_glow(p, QPointF(430, 70), 30, QColor(225, 235, 255, 150));

    // Puddle at the bottom with the lamp's reflection.
    QLinearGradient puddle(QPointF(0, 360), QPointF(0, 500));
    puddle.setColorAt(0, QColor(10, 24, 60, 0));
    puddle.setColorAt(1, QColor(20, 50, 110, 160));
    p.fillRect(QRectF(0, 360, 500, 140), puddle);
    Rng rng(77);
    for (int i = 0; i < 9; ++i) {
        const QPointF c(rng.range(20, 480), rng.range(400, 495));
        if (menu_strip.adjusted(-30, -10, 30, 10).contains(c.toPoint())) continue;
        paint_ripple(p, c, rng.range(14, 30), QColor(150, 190, 255, 120));
    }

    // Falling coloured drops around the logo.
    const QPointF drops[] = {{352, 40}, {395, 150}, {470, 118}, {338, 205}, {60, 235}, {455, 250}, {100, 330}, {410, 335}};
    for (int i = 0; i < 8; ++i) paint_drop(p, drops[i], 16 + (i % 3) * 5, drop_colour(i % 6));

    paint_logo(p, QRectF(70, 200, 360, 100), 84);
    paint_plain_text(p, QRectF(70, 305, 360, 24), words("～ 雨の夜のパズル ～", "~ Kelvora, a puzzle for a rainy night ~"), ui_font(16),
                     QColor(175, 200, 240), Qt::AlignCenter);

    // The menu on smoked glass.
    paint_panel(p, QRectF(166, 377, 168, 121), 10, 150);
    const QFont font = ui_font(16);
    for (const MenuEntry& entry : menu_entries) {
        const QRectF r(entry.rect);
        if (highlighted) {
            QLinearGradient bar(r.topLeft(), r.topRight());
            bar.setColorAt(0, QColor(40, 140, 255, 0));
            bar.setColorAt(0.5, QColor(60, 170, 255, 150));
            bar.setColorAt(1, QColor(40, 140, 255, 0));
            p.fillRect(r.adjusted(0, 2, 0, -2), bar);
            paint_drop(p, QPointF(r.left() + 9, r.center().y()), 12, QColor(120, 200, 255), false);
            paint_drop(p, QPointF(r.right() - 8, r.center().y()), 12, QColor(120, 200, 255), false);
        }
        const QPainterPath path =
            narrowed_to(text_path(words(entry.caption, entry.english), font, r, Qt::AlignCenter), r.width() - 30);
        paint_lettering(p, path, highlighted ? QColor(255, 255, 255) : QColor(185, 210, 245), QColor(6, 12, 34),
                        highlighted ? 1.5 : 1.0, highlighted ? 0.7 : 0.45);
    }
    return image;
}

}  // namespace

std::vector<Picture> make_title_pictures(const std::vector<Picture>& other_pictures) {
    std::vector<Picture> out;
    const QImage title = paint_title(false);
    Bitmap lit = quantise(paint_title(true).copy(menu_strip), {.dither = true});

    // Every fade shows its screen in the first 216 colours of the title's table: fit them to
    // every screen that is faded, then give the title the rest of its table for itself.
    std::vector<Picture> pictures = other_pictures;
    pictures.push_back({"open_image2.bmp", lit});
    const std::vector<Colour> fade_colours = fit_fade_colours(faded_screens(screen_pictures(pictures, title)));

    out.push_back({"open_image.bmp", quantise(title, {.dither = true, .leading = fade_colours})});
    out.push_back({"open_image2.bmp", std::move(lit)});
    out.push_back({"icon.bmp", quantise(paint_icon(32, QColor(0, 0, 0)))});
    return out;
}

}  // namespace kelvora::tools
