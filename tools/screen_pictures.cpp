// The options screen and the ranking screen with its tabs.

#include <QLinearGradient>

#include <array>

#include "tools/asset_kit.hpp"

namespace kelvora::tools {
namespace {

void paint_heading(QPainter& p, const QRectF& box, const QString& text) {
    const QPainterPath path = text_path(text, ui_font(34), box, Qt::AlignCenter);
    paint_glow(p, box.center(), box.height() * 1.6, QColor(80, 150, 255, 60));
    QLinearGradient g(box.topLeft(), box.bottomLeft());
    g.setColorAt(0, QColor(235, 245, 255));
    g.setColorAt(1, QColor(130, 185, 255));
    paint_lettering(p, path, g, QColor(6, 12, 34), 2.5, 1.2);
}

// ---- options ----------------------------------------------------------------------------------

const std::array<const char*, 6> option_captions{
    "雨粒の色の数", "雨粒の大きさ", "落下スピード", "降雨量", "消去に必要な数", "連鎖判定時間",
};
const std::array<const char*, 6> english_option_captions{
    "Colours", "Drop Size", "Fall Speed", "Rainfall", "Drops to Pop", "Chain Time",
};
QRectF digit_rect(int row) { return QRectF(240, 50 * row + 52, 40, 40); }
const QRectF option_help_area(300, 100, 200, 300);
const QRectF option_start_label(200, 420, 100, 50);

QImage paint_options() {
    QImage image = new_canvas(500, 500);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    NightStyle night;
    night.seed = 202;
    night.calm = option_help_area.adjusted(-10, -10, 10, 10);
    night.lights = 22;
    paint_night(p, QRectF(0, 0, 500, 500), night);
    paint_heading(p, QRectF(0, 18, 500, 56), words("オプション", "Options"));

    const QFont caption_font = ui_font(17);
    for (int row = 1; row <= 6; ++row) {
        const QRectF d = digit_rect(row);
        // a plate that runs from the caption to the digit's socket
        paint_panel(p, QRectF(14, d.top() + 2, 276, 36), 8, 120, QColor(120, 170, 255, 60));
        QRadialGradient socket(d.center(), 26);
        socket.setColorAt(0, QColor(30, 70, 150, 200));
        socket.setColorAt(1, QColor(10, 24, 60, 200));
        p.setPen(QPen(QColor(120, 180, 255, 140), 1.2));
        p.setBrush(socket);
        p.drawRoundedRect(d.adjusted(-3, -3, 3, 3), 9, 9);
        paint_drop(p, QPointF(30, d.center().y()), 16, drop_colour(row - 1), false);
        const QPainterPath path =
            narrowed_to(text_path(words(option_captions[row - 1], english_option_captions[row - 1]), caption_font,
                                  QRectF(44, d.top(), 180, 40), Qt::AlignVCenter | Qt::AlignLeft),
                        180);
        paint_lettering(p, path, QColor(215, 230, 255), QColor(6, 12, 34), 1.5, 0.4);
    }

    paint_panel(p, option_help_area.adjusted(-6, -6, 4, 4), 10, 190);
    paint_plain_text(p, QRectF(300, 404, 196, 14), words("左クリック：増やす　右クリック：減らす", "Left click: up    Right click: down"), ui_font(10),
                     QColor(150, 180, 225), Qt::AlignRight | Qt::AlignTop);

    // A lit pad under the start label.
    paint_glow(p, option_start_label.center() + QPointF(0, 14), 70, QColor(80, 200, 255, 70));
    p.setPen(QPen(QColor(140, 210, 255, 150), 1.2));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(option_start_label.center() + QPointF(0, 22), 62, 9);
    paint_plain_text(p, QRectF(14, 432, 176, 40), words("この設定で遊ぶときは\nスタートをクリック", "To play with these\nsettings, click Start"), ui_font(12),
                     QColor(150, 180, 225), Qt::AlignRight | Qt::AlignVCenter);
    return image;
}

// ---- rankings ---------------------------------------------------------------------------------

struct Tab {
    QRect rect;
    const char* caption;
    const char* english;
};
// Tabs in the order of their pages: official, net, point, chain.
const std::array<Tab, 4> tabs{{
    {QRect(30, 75, 215, 45), "オフィシャル", "Official"},
    {QRect(320, 75, 110, 45), "ネット", "Net"},
    {QRect(75, 130, 140, 40), "ポイント", "Points"},
    {QRect(290, 125, 85, 45), "連鎖", "Chains"},
}};
const QRect highlight_area(30, 75, 400, 100);
const QRectF description_band(20, 200, 460, 50);
const QRectF table_area(0, 250, 500, 250);

void paint_tab(QPainter& p, const Tab& tab, int index, bool lit) {
    const QRectF r = QRectF(tab.rect).adjusted(2, 3, -2, -3);
    const QColor c = drop_colour(index);
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    if (lit) {
        g.setColorAt(0, c.lighter(150));
        g.setColorAt(1, c.darker(120));
        paint_glow(p, r.center(), r.width() * 0.6, QColor(c.red(), c.green(), c.blue(), 90));
    } else {
        g.setColorAt(0, QColor(26, 48, 96));
        g.setColorAt(1, QColor(12, 24, 56));
    }
    p.setPen(QPen(lit ? QColor(255, 255, 255, 220) : QColor(c.red(), c.green(), c.blue(), 170), 1.5));
    p.setBrush(g);
    p.drawRoundedRect(r, r.height() / 2, r.height() / 2);
    paint_drop(p, QPointF(r.left() + 16, r.center().y()), 16, c, false);
    const QRectF box(r.left() + 26, r.top(), r.width() - 34, r.height());
    const QPainterPath path = narrowed_to(text_path(words(tab.caption, tab.english), ui_font(18), box, Qt::AlignCenter),
                                          box.width());
    paint_lettering(p, path, lit ? QColor(255, 255, 255) : QColor(200, 220, 250), QColor(6, 12, 34), lit ? 2.0 : 1.2,
                    0.5);
}

QImage paint_rankings(bool lit) {
    QImage image = new_canvas(500, 500);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    NightStyle night;
    night.seed = 303;
    night.calm = table_area;
    night.lights = 20;
    paint_night(p, QRectF(0, 0, 500, 500), night);
    paint_heading(p, QRectF(0, 12, 500, 52), words("ランキング", "Rankings"));
    for (int i = 0; i < 4; ++i) paint_tab(p, tabs[i], i, lit);
    paint_panel(p, description_band.adjusted(-4, -2, 4, 0), 8, 150);
    // The table sits on a quiet, nearly flat panel.
    QLinearGradient g(table_area.topLeft(), table_area.bottomLeft());
    g.setColorAt(0, QColor(8, 16, 40, 215));
    g.setColorAt(1, QColor(5, 10, 28, 235));
    p.fillRect(table_area.adjusted(6, 4, -6, -4), g);
    p.setPen(QPen(QColor(120, 170, 255, 80), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(table_area.adjusted(6.5, 4.5, -6.5, -4.5));
    return image;
}

}  // namespace

std::vector<Picture> make_screen_pictures() {
    std::vector<Picture> out;
    out.push_back({"option_image.bmp", quantise(paint_options(), {.dither = true})});
    out.push_back({"rank_image.bmp", quantise(paint_rankings(false), {.dither = true})});
    out.push_back({"rank_image2.bmp", quantise(paint_rankings(true).copy(highlight_area), {.dither = true})});
    return out;
}

}  // namespace kelvora::tools
