// The play screen: its background with the well and the panel captions, the pressed restart
// button and the nine drop tiles.

#include <QLinearGradient>

#include <array>
#include <cmath>

#include "tools/asset_kit.hpp"

namespace kelvora::tools {
namespace {

const QRectF well(150, 70, 200, 400);
// The flat colour inside the well; the drop tiles' corners use it too, so tiles sit seamlessly.
const QColor well_colour(9, 18, 42);
const QRect restart_button(190, 5, 105, 40);

struct PanelNumber {
    QRectF rect;  // where the game writes the number
    const char* caption;
    const char* english;
};
const std::array<PanelNumber, 4> panel_numbers{{
    {QRectF(25, 65, 85, 25), "得点", "Score"},
    {QRectF(360, 65, 80, 25), "レベル", "Level"},
    {QRectF(380, 305, 80, 25), "連鎖", "Chain"},
    {QRectF(380, 415, 80, 25), "最大連鎖", "Best Chain"},
}};

void paint_restart(QPainter& p, bool pressed) {
    const QRectF r = QRectF(restart_button).adjusted(3, 4, -3, -4).translated(0, pressed ? 1.5 : 0);
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    if (pressed) {
        g.setColorAt(0, QColor(20, 70, 150));
        g.setColorAt(1, QColor(60, 150, 250));
        paint_glow(p, r.center(), 60, QColor(80, 180, 255, 110));
    } else {
        g.setColorAt(0, QColor(70, 120, 210));
        g.setColorAt(1, QColor(20, 45, 110));
    }
    p.setPen(QPen(pressed ? QColor(220, 240, 255) : QColor(140, 190, 255), 1.5));
    p.setBrush(g);
    p.drawRoundedRect(r, r.height() / 2, r.height() / 2);
    const QPainterPath path = narrowed_to(text_path(words("リスタート", "Restart"), ui_font(16), r, Qt::AlignCenter), r.width() - 12);
    paint_lettering(p, path, pressed ? QColor(255, 255, 200) : QColor(235, 245, 255), QColor(6, 12, 34), 1.4, 0.4);
}

QImage paint_back(bool pressed) {
    QImage image = new_canvas(501, 501);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    NightStyle night;
    night.seed = 404;
    night.lights = 30;
    paint_night(p, QRectF(0, 0, 501, 501), night);

    // Puddle along the bottom edge.
    QLinearGradient puddle(QPointF(0, 440), QPointF(0, 501));
    puddle.setColorAt(0, QColor(10, 24, 60, 0));
    puddle.setColorAt(1, QColor(24, 56, 120, 170));
    p.fillRect(QRectF(0, 440, 501, 61), puddle);
    Rng rng(9);
    for (int i = 0; i < 8; ++i) {
        QPointF c(rng.range(10, 490), rng.range(470, 498));
        if (c.x() > 130 && c.x() < 370) c.setX(c.x() < 250 ? c.x() - 130 : c.x() + 130);
        paint_ripple(p, c, rng.range(12, 24), QColor(150, 190, 255, 110));
    }

    // The well: a glass tube of light around a quiet interior.
    paint_glow(p, well.center(), 260, QColor(40, 110, 255, 40));
    for (int i = 4; i >= 1; --i) {
        p.setPen(QPen(QColor(90, 170, 255, 30 + 22 * (4 - i)), 2.0));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(well.adjusted(-i * 1.5 - 1, -i * 1.5 - 1, i * 1.5 + 1, i * 1.5 + 1), 4 + i, 4 + i);
    }
    p.setPen(QPen(QColor(170, 215, 255), 1.0));
    p.drawRect(well.adjusted(-1.5, -1.5, 1.5, 1.5));
    p.fillRect(well, well_colour);

    // Small title in the top-left corner.
    for (int i = 0; i < 4; ++i) paint_logo_letter(p, i, QRectF(12 + 26 * i, 6, 26, 30), 23, false);

    // The panel numbers: a caption above a dark slot where the game writes the number.
    for (const PanelNumber& n : panel_numbers) {
        paint_panel(p, n.rect.adjusted(-6, -27, 6, 5), 7, 120, QColor(120, 170, 255, 90));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(4, 8, 22, 220));
        p.drawRoundedRect(n.rect.adjusted(-3, -2, 3, 3), 4, 4);
        const QPainterPath path = narrowed_to(text_path(words(n.caption, n.english), ui_font(15),
                                                        QRectF(n.rect.left(), n.rect.top() - 25, n.rect.width(), 21),
                                                        Qt::AlignLeft | Qt::AlignVCenter),
                                              n.rect.width());
        paint_lettering(p, path, QColor(140, 200, 255), QColor(6, 12, 34), 1.2, 0.3);
    }

    // Drops resting on the sides.
    const QPointF drops[] = {{40, 150}, {95, 210}, {60, 300}, {110, 380}, {420, 160}, {470, 230}, {400, 250}, {450, 360}};
    for (int i = 0; i < 8; ++i) paint_drop(p, drops[i], 14 + (i % 3) * 4, drop_colour((i * 5) % 9));

    paint_restart(p, pressed);
    return image;
}

// Each tile carries a white mark of its own so that colours can be told apart without hue.
void paint_mark(QPainter& p, int index, QPointF c, double s) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    const QColor mark(255, 255, 255, 235);
    const QColor shade(0, 0, 0, 120);
    auto fill_path = [&](const QPainterPath& path) {
        p.setPen(QPen(shade, 1.0));
        p.setBrush(mark);
        p.drawPath(path);
    };
    QPainterPath path;
    switch (index) {
        case 0:  // ring
            p.setPen(QPen(mark, s * 0.16));
            p.setBrush(Qt::NoBrush);
            p.drawEllipse(c, s * 0.24, s * 0.24);
            break;
        case 1:  // diamond
            path.moveTo(c.x(), c.y() - s * 0.32);
            path.lineTo(c.x() + s * 0.26, c.y());
            path.lineTo(c.x(), c.y() + s * 0.32);
            path.lineTo(c.x() - s * 0.26, c.y());
            path.closeSubpath();
            fill_path(path);
            break;
        case 2:  // star
            for (int k = 0; k < 10; ++k) {
                const double a = -M_PI / 2 + k * M_PI / 5;
                const double r = (k % 2 == 0) ? s * 0.34 : s * 0.15;
                const QPointF q(c.x() + r * std::cos(a), c.y() + r * std::sin(a) + s * 0.02);
                if (k == 0)
                    path.moveTo(q);
                else
                    path.lineTo(q);
            }
            path.closeSubpath();
            fill_path(path);
            break;
        case 3:  // triangle
            path.moveTo(c.x(), c.y() - s * 0.28);
            path.lineTo(c.x() + s * 0.28, c.y() + s * 0.22);
            path.lineTo(c.x() - s * 0.28, c.y() + s * 0.22);
            path.closeSubpath();
            fill_path(path);
            break;
        case 4:  // cross
            path.addRect(QRectF(c.x() - s * 0.3, c.y() - s * 0.09, s * 0.6, s * 0.18));
            path.addRect(QRectF(c.x() - s * 0.09, c.y() - s * 0.3, s * 0.18, s * 0.6));
            fill_path(path.simplified());
            break;
        case 5:  // square
            path.addRect(QRectF(c.x() - s * 0.2, c.y() - s * 0.2, s * 0.4, s * 0.4));
            fill_path(path);
            break;
        case 6:  // two bars
            path.addRect(QRectF(c.x() - s * 0.26, c.y() - s * 0.2, s * 0.16, s * 0.4));
            path.addRect(QRectF(c.x() + s * 0.10, c.y() - s * 0.2, s * 0.16, s * 0.4));
            fill_path(path);
            break;
        case 7:  // heart
            path.moveTo(c.x(), c.y() + s * 0.28);
            path.cubicTo(c.x() - s * 0.42, c.y(), c.x() - s * 0.2, c.y() - s * 0.34, c.x(), c.y() - s * 0.12);
            path.cubicTo(c.x() + s * 0.2, c.y() - s * 0.34, c.x() + s * 0.42, c.y(), c.x(), c.y() + s * 0.28);
            fill_path(path);
            break;
        default:  // dot in a ring, in blue: the pale tile needs a coloured mark, and a dark one
                  // would swallow the tile when the game shrinks it
            p.setPen(QPen(QColor(110, 165, 255), s * 0.07));
            p.setBrush(QColor(110, 165, 255));
            p.drawEllipse(c, s * 0.08, s * 0.08);
            p.setBrush(Qt::NoBrush);
            p.drawEllipse(c, s * 0.29, s * 0.29);
            break;
    }
    p.restore();
}

QImage paint_block(int index) {
    constexpr int scale = 4;  // drawn large, then reduced smoothly: crisper marks at 25 pixels
    const double s = 25.0 * scale;
    QImage big = new_canvas(25 * scale, 25 * scale, well_colour);
    QPainter p(&big);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor c = drop_colour(index);
    const QRectF body(s * 0.06, s * 0.06, s * 0.88, s * 0.88);
    QRadialGradient g(QPointF(s * 0.36, s * 0.32), s * 0.75);
    g.setColorAt(0, c.lighter(170));
    g.setColorAt(0.45, c);
    g.setColorAt(1, c.darker(200));
    p.setPen(QPen(c.darker(260), s * 0.04));
    p.setBrush(g);
    p.drawRoundedRect(body, s * 0.3, s * 0.3);
    // gloss
    QLinearGradient gloss(QPointF(0, s * 0.1), QPointF(0, s * 0.5));
    gloss.setColorAt(0, QColor(255, 255, 255, 150));
    gloss.setColorAt(1, QColor(255, 255, 255, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(gloss);
    p.drawRoundedRect(QRectF(s * 0.18, s * 0.1, s * 0.64, s * 0.36), s * 0.18, s * 0.18);
    paint_mark(p, index, QPointF(s * 0.5, s * 0.54), s);
    p.end();
    return big.scaled(25, 25, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

}  // namespace

std::vector<Picture> make_play_pictures() {
    std::vector<Picture> out;
    out.push_back({"back_image.bmp", quantise(paint_back(false), {.dither = true})});
    out.push_back({"restart_image.bmp", quantise(paint_back(true).copy(restart_button), {.dither = true})});
    for (int i = 0; i < 9; ++i)
        out.push_back({"block_image" + std::to_string(i) + ".bmp", quantise(paint_block(i))});
    return out;
}

}  // namespace kelvora::tools
