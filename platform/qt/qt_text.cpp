#include "platform/qt/qt_text.hpp"

#include <algorithm>
#include <map>
#include <utility>

#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QString>

namespace kelvora {

namespace {

int qt_alignment(unsigned format) {
    int flags = 0;
    if (format & text_format::right)
        flags |= Qt::AlignRight;
    else if (format & text_format::center)
        flags |= Qt::AlignHCenter;
    else
        flags |= Qt::AlignLeft;
    // As with DrawText, vertical placement other than the top only applies to a single line.
    if ((format & text_format::singleline) && (format & text_format::bottom))
        flags |= Qt::AlignBottom;
    else if ((format & text_format::singleline) && (format & text_format::vcenter))
        flags |= Qt::AlignVCenter;
    else
        flags |= Qt::AlignTop;
    if (format & text_format::singleline)
        flags |= Qt::TextSingleLine;
    else if (format & text_format::wordbreak)
        flags |= Qt::TextWordWrap;
    return flags;
}

// The game's texts break lines with a carriage return alone; CR LF counts as one break.
QString with_line_feeds(std::string_view utf8) {
    QString text = QString::fromUtf8(utf8.data(), qsizetype(utf8.size()));
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QChar('\r'), QChar('\n'));
    return text;
}

// Sets (or clears) the top byte of every pixel of the clipped rectangle.
void set_alpha(Bitmap& bitmap, int left, int top, int right, int bottom, bool opaque) {
    for (int y = top; y < bottom; ++y) {
        std::uint32_t* row = bitmap.rgb_row(y);
        for (int x = left; x < right; ++x) row[x] = opaque ? (row[x] | 0xFF000000u) : (row[x] & 0x00FFFFFFu);
    }
}

int cell_height(QFont& qfont, int pixel_size) {
    qfont.setPixelSize(pixel_size);
    const QFontMetrics metrics(qfont);
    return metrics.ascent() + metrics.descent();
}

// The largest pixel size whose cell is no taller than `height`, guessed from the face's
// proportions at a large size and then stepped to the exact answer.
int pixel_size_for(QFont qfont, int height) {
    constexpr int probe = 200;
    int size = std::max(1, height * probe / std::max(1, cell_height(qfont, probe)));
    while (size > 1 && cell_height(qfont, size) > height) --size;
    while (cell_height(qfont, size + 1) <= height) ++size;
    return size;
}

}  // namespace

QFont game_qfont(const Font& font) {
    QFont qfont(QString::fromLatin1(font.charset == 0 ? panel_font_family : game_font_family));
    qfont.setStyleStrategy(QFont::StyleStrategy(QFont::PreferAntialias | QFont::NoSubpixelAntialias));
    // Only the GUI thread draws text; the sizes are worked out once per font.
    static std::map<std::pair<int, int>, int> pixel_sizes;
    auto [at, inserted] = pixel_sizes.try_emplace({font.height, font.charset}, 0);
    if (inserted) at->second = pixel_size_for(qfont, std::max(font.height, 1));
    qfont.setPixelSize(at->second);
    return qfont;
}

void draw_text_on(Surface& surface, const Font& font, Colour colour, const Rect& rect, unsigned format,
                  std::string_view utf8) {
    Bitmap& bitmap = surface.bitmap;
    if (bitmap.depth() != 32 || utf8.empty() || font.height <= 0) return;
    int left = std::max(rect.left, 0), top = std::max(rect.top, 0);
    int right = std::min(rect.right, bitmap.width()), bottom = std::min(rect.bottom, bitmap.height());
    if (left >= right || top >= bottom) return;

    const QFont qfont = game_qfont(font);
    const QRect box(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
    const int flags = qt_alignment(format);
    const QString text = with_line_feeds(utf8);

    // Only the laid-out text (with room for glyphs that overhang their advance) can change, so
    // only that part of the clip needs its pixels prepared: a table's cells have tall rectangles.
    const int overhang = font.height / 3 + 2;
    const QRect ink = QFontMetrics(qfont).boundingRect(box, flags, text).adjusted(-overhang, -overhang, overhang,
                                                                                 overhang);
    left = std::max(left, ink.left());
    top = std::max(top, ink.top());
    right = std::min(right, ink.right() + 1);
    bottom = std::min(bottom, ink.bottom() + 1);
    if (left >= right || top >= bottom) return;

    // Qt expects opaque RGB32 pixels; ours keep the top byte clear, so lift it for the painting.
    set_alpha(bitmap, left, top, right, bottom, true);
    {
        QImage image(reinterpret_cast<uchar*>(bitmap.rgb_row(0)), bitmap.width(), bitmap.height(),
                     qsizetype(bitmap.width()) * 4, QImage::Format_RGB32);
        QPainter painter(&image);
        painter.setFont(qfont);
        painter.setPen(QColor(colour.r, colour.g, colour.b));
        painter.setClipRect(QRect(left, top, right - left, bottom - top));
        painter.drawText(box, flags, text);
    }
    set_alpha(bitmap, left, top, right, bottom, false);
}

}  // namespace kelvora
