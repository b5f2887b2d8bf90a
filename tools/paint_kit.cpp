// Drawing helpers shared by every picture: the rainy night, glows, drops and lettering.

#include <QFontDatabase>
#include <QLinearGradient>
#include <QRadialGradient>

#include <cmath>
#include <fstream>

#include "tools/asset_kit.hpp"

namespace kelvora::tools {

std::uint64_t Rng::next() {
    // splitmix64
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

QImage new_canvas(int width, int height, QColor fill) {
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(fill);
    return image;
}

QColor drop_colour(int index) {
    // Red, blue, yellow and green come first: the official game uses four colours.
    static const QColor colours[9] = {
        QColor(240, 50, 60),  QColor(50, 110, 255), QColor(255, 215, 40),  QColor(60, 205, 90),  QColor(165, 90, 255),
        QColor(40, 220, 235), QColor(255, 128, 20), QColor(255, 130, 210), QColor(220, 225, 240),
    };
    return colours[index % 9];
}

void paint_glow(QPainter& p, QPointF centre, double radius, QColor colour, double strength) {
    QRadialGradient g(centre, radius);
    QColor inner = colour, mid = colour, outer = colour;
    inner.setAlphaF(std::min(1.0, colour.alphaF() * strength));
    mid.setAlphaF(std::min(1.0, colour.alphaF() * strength * 0.35));
    outer.setAlphaF(0);
    g.setColorAt(0, inner);
    g.setColorAt(0.45, mid);
    g.setColorAt(1, outer);
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawEllipse(centre, radius, radius);
    p.restore();
}

void paint_night(QPainter& p, const QRectF& area, const NightStyle& style) {
    Rng rng(style.seed);
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(area.topLeft(), area.bottomLeft());
    sky.setColorAt(0, style.top);
    sky.setColorAt(1, style.bottom);
    p.fillRect(area, sky);

    // Far lights of the town, blurred by the rain.
    for (int i = 0; i < style.lights; ++i) {
        QPointF c(area.left() + rng.range(0, area.width()), area.top() + area.height() * rng.range(0.35, 1.0));
        const double r = rng.range(8, 34);
        if (!style.calm.isNull() && style.calm.adjusted(-r, -r, r, r).contains(c)) continue;
        static const QColor tints[] = {QColor(255, 190, 110), QColor(110, 170, 255), QColor(255, 110, 150),
                                       QColor(120, 230, 210), QColor(200, 150, 255)};
        QColor t = tints[rng.next() % 5];
        t.setAlphaF(rng.range(0.10, 0.28));
        paint_glow(p, c, r, t, 1.0);
    }

    // Slanted rain streaks, fainter in the calm area.
    for (int i = 0; i < style.streaks; ++i) {
        const double x = area.left() + rng.range(-40, area.width());
        const double y = area.top() + rng.range(-20, area.height());
        const double len = rng.range(8, 26);
        double a = style.rain_alpha * rng.range(0.35, 1.0);
        if (!style.calm.isNull() && style.calm.contains(QPointF(x, y))) a *= 0.35;
        QLinearGradient g(QPointF(x, y), QPointF(x + len * 0.18, y + len));
        g.setColorAt(0, QColor(170, 200, 255, 0));
        g.setColorAt(1, QColor(190, 215, 255, int(255 * a)));
        p.setPen(QPen(QBrush(g), rng.range(0.6, 1.2)));
        p.drawLine(QPointF(x, y), QPointF(x + len * 0.18, y + len));
    }
    p.restore();
}

void paint_drop(QPainter& p, QPointF centre, double size, QColor colour, bool glow) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    const double r = size * 0.34;
    const QPointF bulb(centre.x(), centre.y() + size * 0.5 - r);
    if (glow) {
        QColor g = colour;
        g.setAlphaF(0.45);
        paint_glow(p, bulb, r * 2.6, g);
    }
    QPainterPath path;
    path.moveTo(centre.x(), centre.y() - size * 0.5);
    path.cubicTo(centre.x() + r * 0.35, bulb.y() - r * 1.3, bulb.x() + r, bulb.y() - r * 0.55, bulb.x() + r, bulb.y());
    path.arcTo(QRectF(bulb.x() - r, bulb.y() - r, 2 * r, 2 * r), 0, -180);
    path.cubicTo(bulb.x() - r, bulb.y() - r * 0.55, centre.x() - r * 0.35, bulb.y() - r * 1.3, centre.x(),
                 centre.y() - size * 0.5);
    QRadialGradient body(QPointF(bulb.x() - r * 0.3, bulb.y() - r * 0.3), r * 1.6);
    body.setColorAt(0, colour.lighter(160));
    body.setColorAt(0.55, colour);
    body.setColorAt(1, colour.darker(190));
    p.setPen(QPen(colour.darker(230), std::max(0.8, size / 40)));
    p.setBrush(body);
    p.drawPath(path);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 190));
    p.drawEllipse(QPointF(bulb.x() - r * 0.38, bulb.y() - r * 0.42), r * 0.22, r * 0.34);
    p.restore();
}

void paint_ripple(QPainter& p, QPointF centre, double radius, QColor colour) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(Qt::NoBrush);
    for (int i = 0; i < 3; ++i) {
        const double rr = radius * (0.45 + 0.3 * i);
        QColor c = colour;
        c.setAlphaF(colour.alphaF() * (1.0 - 0.3 * i));
        p.setPen(QPen(c, 1.0));
        p.drawEllipse(centre, rr, rr * 0.28);
    }
    p.restore();
}

void paint_panel(QPainter& p, const QRectF& rect, double radius, int alpha, QColor edge) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(rect.topLeft(), rect.bottomLeft());
    g.setColorAt(0, QColor(10, 20, 48, alpha));
    g.setColorAt(1, QColor(6, 12, 32, alpha));
    p.setBrush(g);
    p.setPen(QPen(edge, 1.0));
    p.drawRoundedRect(rect.adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);
    p.restore();
}

namespace {

bool english_words = false;

QFont lettering_font(const char* family, double pixel_size) {
    QFont font(family);
    font.setPixelSize(int(std::lround(pixel_size)));
    font.setStyleStrategy(QFont::PreferAntialias);
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

}  // namespace

void draw_english_words(bool english) { english_words = english; }
bool drawing_english_words() { return english_words; }

QString words(const char* japanese, const char* english) {
    return QString::fromUtf8(english_words ? english : japanese);
}

QFont ui_font(double pixel_size, bool mincho) {
    // The OpenType files of fonts-urw-base35, not their Type 1 twins, named by foundry.
    if (english_words) return lettering_font(mincho ? "P052 [urw]" : "URW Gothic [urw]", pixel_size);
    return lettering_font(mincho ? "IPAPMincho" : "IPAPGothic", pixel_size);
}

QPainterPath narrowed_to(const QPainterPath& path, double width) {
    const QRectF bounds = path.boundingRect();
    if (bounds.width() <= width) return path;
    const QPointF c = bounds.center();
    QTransform t;
    t.translate(c.x(), c.y());
    t.scale(width / bounds.width(), 1);
    t.translate(-c.x(), -c.y());
    return t.map(path);
}

QFont logo_font(double pixel_size) { return lettering_font("IPAPGothic", pixel_size); }

std::vector<const char*> lettering_families() { return {"IPAPGothic", "IPAPMincho", "URW Gothic [urw]", "P052 [urw]"}; }

QPainterPath text_path(const QString& text, const QFont& font, const QRectF& box, Qt::Alignment align) {
    QPainterPath path;
    path.addText(0, 0, font, text);
    const QRectF b = path.boundingRect();
    double x = box.left() - b.left();
    double y = box.top() - b.top();
    if (align & Qt::AlignHCenter) x = box.center().x() - b.center().x();
    if (align & Qt::AlignRight) x = box.right() - b.right();
    if (align & Qt::AlignVCenter) y = box.center().y() - b.center().y();
    if (align & Qt::AlignBottom) y = box.bottom() - b.bottom();
    return path.translated(std::round(x), std::round(y));
}

void paint_lettering(QPainter& p, const QPainterPath& path, const QBrush& fill, QColor outline, double outline_width,
                     double embolden) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    if (outline_width > 0) {
        p.setPen(QPen(outline, outline_width * 2 + embolden, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(outline);
        p.drawPath(path);
    }
    if (embolden > 0)
        p.setPen(QPen(fill, embolden, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    else
        p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawPath(path);
    p.restore();
}

void paint_plain_text(QPainter& p, const QRectF& box, const QString& text, const QFont& font, QColor colour,
                      Qt::Alignment align) {
    p.save();
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setFont(font);
    p.setPen(colour);
    p.drawText(box, int(align) | Qt::TextWordWrap, text);
    p.restore();
}

bool write_file(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return bool(out);
}

}  // namespace kelvora::tools
