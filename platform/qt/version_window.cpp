#include "platform/qt/version_window.hpp"

#include <algorithm>

#include <QFont>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>

#include "platform/qt/qt_text.hpp"

namespace kelvora {

namespace {

constexpr int client_width = 308, client_height = 187;

// Font sizes in pixels, as the window's 18-point, 11.25-point and default 9-point fonts were at
// 96 dots per inch.
constexpr int title_pixels = 24, description_pixels = 15, default_pixels = 12;

const QColor title_colour(255, 255, 0);
const QColor label_colour(255, 255, 255);

// `Image1`: the click target over most of the window. A click is a press and a release of the
// left button, both on it.
class PictureArea : public QWidget {
public:
    PictureArea(QDialog* window) : QWidget(window), window_(window) {
        setObjectName(QStringLiteral("Image1"));
        setGeometry(0, 0, 305, 185);
    }

protected:
    void mousePressEvent(QMouseEvent* event) override { pressed_ = event->button() == Qt::LeftButton; }
    void mouseReleaseEvent(QMouseEvent* event) override {
        if (pressed_ && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
            window_->accept();
        pressed_ = false;
    }

private:
    QDialog* window_;
    bool pressed_ = false;
};

QLabel* add_label(QWidget* window, const char* name, QRect box, const QColor& colour, int pixels, bool bold,
                  Qt::Alignment alignment, const QString& text) {
    auto* label = new QLabel(text, window);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(box);
    QFont font(QString::fromLatin1(game_font_family));
    font.setPixelSize(pixels);
    font.setBold(bold);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
    label->setAlignment(alignment | Qt::AlignTop);
    label->setWordWrap(alignment & Qt::AlignLeft);
    // The background shows through around the letters.
    label->setAutoFillBackground(false);
    // Changed: a click on a label used to do nothing; it is now a click on the picture below.
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    return label;
}

}  // namespace

VersionWindow::VersionWindow(const Bitmap& background, QWidget* owner)
    : QDialog(owner), background_(client_width, client_height, QImage::Format_RGB32) {
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    // An empty caption: Qt would put the program's name in place of an empty string.
    setWindowTitle(QStringLiteral(" "));
    setFixedSize(client_width, client_height);
    setAttribute(Qt::WA_OpaquePaintEvent);

    background_.fill(Qt::black);
    if (background.depth() == 32) {
        int w = std::min(background.width(), client_width), h = std::min(background.height(), client_height);
        for (int y = 0; y < h; ++y) {
            const std::uint32_t* from = background.rgb_row(y);
            auto* to = reinterpret_cast<std::uint32_t*>(background_.scanLine(y));
            for (int x = 0; x < w; ++x) to[x] = from[x] | 0xFF000000u;
        }
    }

    // Back to front.
    new PictureArea(this);
    add_label(this, "lblDescription", QRect(40, 64, 235, 70), label_colour, description_pixels, false, Qt::AlignLeft,
              QStringLiteral("このゲームはフリーソフトです。\n"
                             "再配布は自由に行えますが、\n"
                             "使用により生じた損害について\n"
                             "作者は責任を負いません。"));
    add_label(this, "lblTitle", QRect(0, 8, 307, 21), title_colour, title_pixels, true, Qt::AlignHCenter,
              QStringLiteral("ケルボラ"));
    add_label(this, "lblVersion", QRect(0, 40, 307, 15), label_colour, default_pixels, false, Qt::AlignHCenter,
              QStringLiteral("Ver 1.0"));
    add_label(this, "lblDisclaimer", QRect(8, 152, 297, 31), label_colour, default_pixels, false, Qt::AlignHCenter,
              QStringLiteral("Copyright (C) 2001\nケルボラ制作チーム"));
}

void VersionWindow::centre_on_screen() {
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect area = screen->availableGeometry();
        move(area.left() + (area.width() - width()) / 2, area.top() + (area.height() - height()) / 2);
    }
}

void VersionWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawImage(0, 0, background_);
}

}  // namespace kelvora
