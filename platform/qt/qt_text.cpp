#include "platform/qt/qt_text.hpp"

#include <algorithm>
#include <cstring>
#include <map>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

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

// A drawn text is a pure function of its arguments and of the pixels under its ink, so a text
// drawn again onto the same pixels (the panel's numbers, the ranking table, tick after tick)
// takes its pixels from the last drawing instead of Qt.
struct DrawnText {
    int left, top, right, bottom;       // the part of the surface the drawing may change
    std::vector<std::uint32_t> before;  // its pixels before and after the drawing
    std::vector<std::uint32_t> after;
};

class DrawnTexts {
public:
    static std::string key(const Bitmap& bitmap, const Font& font, Colour colour, const Rect& rect,
                           unsigned format, std::string_view utf8) {
        const int numbers[] = {bitmap.width(), bitmap.height(), font.height,   font.charset, int(colour.packed()),
                               rect.left,      rect.top,        rect.right,    rect.bottom,  int(format)};
        std::string k(reinterpret_cast<const char*>(numbers), sizeof numbers);
        k.append(utf8);
        return k;
    }

    // Puts the remembered drawing on the bitmap when its pixels are those it was drawn on.
    bool redraw(Bitmap& bitmap, const std::string& key) const {
        auto found = texts_.find(key);
        if (found == texts_.end()) return false;
        const DrawnText& text = found->second;
        const int width = text.right - text.left;
        const std::size_t row_bytes = std::size_t(width) * 4;
        const Bitmap& pixels = bitmap;
        for (int y = text.top; y < text.bottom; ++y)
            if (std::memcmp(pixels.rgb_row(y) + text.left, &text.before[std::size_t(y - text.top) * width], row_bytes))
                return false;
        const TrackedDrawing tracked(bitmap, text.left, text.top, width, text.bottom - text.top);
        for (int y = text.top; y < text.bottom; ++y)
            std::memcpy(bitmap.rgb_row(y) + text.left, &text.after[std::size_t(y - text.top) * width], row_bytes);
        return true;
    }

    static std::vector<std::uint32_t> pixels(const Bitmap& bitmap, int left, int top, int right, int bottom) {
        std::vector<std::uint32_t> out;
        out.reserve(std::size_t(right - left) * std::size_t(bottom - top));
        for (int y = top; y < bottom; ++y)
            out.insert(out.end(), bitmap.rgb_row(y) + left, bitmap.rgb_row(y) + right);
        return out;
    }

    void remember(std::string key, DrawnText text) {
        const std::size_t size = text.before.size();
        // A bound on the memory: a full ranking screen takes a fraction of it.
        if (stored_pixels_ + size > max_pixels) {
            texts_.clear();
            stored_pixels_ = 0;
        }
        auto [at, inserted] = texts_.insert_or_assign(std::move(key), std::move(text));
        (void)at;
        (void)inserted;
        stored_pixels_ += size;
    }

private:
    static constexpr std::size_t max_pixels = 256 * 1024;
    std::unordered_map<std::string, DrawnText> texts_;
    std::size_t stored_pixels_ = 0;
};

DrawnTexts& drawn_texts() {
    static auto& texts = *new DrawnTexts();
    return texts;
}

const char*& text_face() {
    static const char* family = game_font_family;
    return family;
}

// Each game font is made once, with its metrics.
struct GameFont {
    QFont qfont;
    QFontMetrics metrics;
};

const GameFont& game_font(const Font& font) {
    // Text is drawn on the window thread only. Never freed: Qt's fonts must not outlive the
    // application object, and the fonts live for the whole run.
    static auto& fonts = *new std::map<Font, GameFont>();
    auto found = fonts.find(font);
    if (found == fonts.end()) {
        QFont qfont(QString::fromLatin1(font.charset == 0 ? panel_font_family : text_face()));
        qfont.setStyleStrategy(QFont::StyleStrategy(QFont::PreferAntialias | QFont::NoSubpixelAntialias));
        qfont.setPixelSize(pixel_size_for(qfont, std::max(font.height, 1)));
        found = fonts.emplace(font, GameFont{qfont, QFontMetrics(qfont)}).first;
    }
    return found->second;
}

}  // namespace

void set_text_face(const char* family) { text_face() = family; }

const char* text_face_family() { return text_face(); }

QFont game_qfont(const Font& font) { return game_font(font).qfont; }

void draw_text_on(Surface& surface, const Font& font, Colour colour, const Rect& rect, unsigned format,
                  std::string_view utf8) {
    Bitmap& bitmap = surface.bitmap;
    if (bitmap.depth() != 32 || utf8.empty() || font.height <= 0) return;
    int left = std::max(rect.left, 0), top = std::max(rect.top, 0);
    int right = std::min(rect.right, bitmap.width()), bottom = std::min(rect.bottom, bitmap.height());
    if (left >= right || top >= bottom) return;

    DrawnTexts& memory = drawn_texts();
    std::string key = DrawnTexts::key(bitmap, font, colour, rect, format, utf8);
    if (memory.redraw(bitmap, key)) return;

    const GameFont& game = game_font(font);
    const QRect box(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
    const int flags = qt_alignment(format);
    const QString text = with_line_feeds(utf8);

    // Only the laid-out text (with room for glyphs that overhang their advance) can change, so
    // only that part of the clip needs its pixels prepared: a table's cells have tall rectangles.
    const int overhang = font.height / 3 + 2;
    const QRect ink = game.metrics.boundingRect(box, flags, text).adjusted(-overhang, -overhang, overhang, overhang);
    left = std::max(left, ink.left());
    top = std::max(top, ink.top());
    right = std::min(right, ink.right() + 1);
    bottom = std::min(bottom, ink.bottom() + 1);
    if (left >= right || top >= bottom) return;

    DrawnText drawn{left, top, right, bottom, DrawnTexts::pixels(bitmap, left, top, right, bottom), {}};
    // The painter is clipped to this rectangle, which is all the drawing changes.
    const TrackedDrawing tracked(bitmap, left, top, right - left, bottom - top);
    // Qt expects opaque RGB32 pixels; ours keep the top byte clear, so lift it for the painting.
    set_alpha(bitmap, left, top, right, bottom, true);
    {
        QImage image(reinterpret_cast<uchar*>(bitmap.rgb_row(0)), bitmap.width(), bitmap.height(),
                     qsizetype(bitmap.width()) * 4, QImage::Format_RGB32);
        QPainter painter(&image);
        painter.setFont(game.qfont);
        painter.setPen(QColor(colour.r, colour.g, colour.b));
        painter.setClipRect(QRect(left, top, right - left, bottom - top));
        painter.drawText(box, flags, text);
    }
    set_alpha(bitmap, left, top, right, bottom, false);
    drawn.after = DrawnTexts::pixels(bitmap, left, top, right, bottom);
    memory.remember(std::move(key), std::move(drawn));
}

}  // namespace kelvora
