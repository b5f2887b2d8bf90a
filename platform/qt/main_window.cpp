#include "platform/qt/main_window.hpp"

#include <algorithm>

#include <QAction>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>
#include <QVBoxLayout>

#include "platform/qt/qt_text.hpp"

namespace kelvora {

namespace {

constexpr int menu_font_pixels = 12;

struct MenuEntry {
    const char* caption;
    MenuCommand command;
};

// The menu bar, left to right: all top-level commands, no submenus, no shortcuts.
constexpr MenuEntry menu_entries[] = {
    {"終了", MenuCommand::ending},
    {"前画面に戻る(ESC)", MenuCommand::form_back},
    {"バージョン情報", MenuCommand::varsion},
    {"ヘルプ", MenuCommand::open_help},
    {"ホームページへ", MenuCommand::homepage},
};

}  // namespace

int virtual_key_code(int qt_key) {
    if ((qt_key >= Qt::Key_A && qt_key <= Qt::Key_Z) || (qt_key >= Qt::Key_0 && qt_key <= Qt::Key_9))
        return qt_key;  // Qt's codes for these are the upper-case ASCII codes, as the virtual keys
    if (qt_key >= Qt::Key_F1 && qt_key <= Qt::Key_F24) return 112 + (qt_key - Qt::Key_F1);
    switch (qt_key) {
    case Qt::Key_Backspace: return 8;
    case Qt::Key_Tab: return 9;
    case Qt::Key_Return:
    case Qt::Key_Enter: return 13;
    case Qt::Key_Shift: return 16;
    case Qt::Key_Control: return 17;
    case Qt::Key_Alt: return 18;
    case Qt::Key_Pause: return 19;
    case Qt::Key_CapsLock: return 20;
    case Qt::Key_Escape: return 27;
    case Qt::Key_Space: return 32;
    case Qt::Key_PageUp: return 33;
    case Qt::Key_PageDown: return 34;
    case Qt::Key_End: return 35;
    case Qt::Key_Home: return 36;
    case Qt::Key_Left: return 37;
    case Qt::Key_Up: return 38;
    case Qt::Key_Right: return 39;
    case Qt::Key_Down: return 40;
    case Qt::Key_Insert: return 45;
    case Qt::Key_Delete: return 46;
    default: return 0;
    }
}

PictureView::PictureView(QWidget* parent) : QWidget(parent), shown_(client_size, client_size, QImage::Format_RGB32) {
    setFixedSize(client_size, client_size);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    shown_.fill(Qt::black);
}

void PictureView::paintEvent(QPaintEvent* event) {
    // Only the exposed parts are converted and drawn: a tick usually changes a few cells.
    QPainter painter(this);
    const QRect picture_area(0, 0, client_size, client_size);
    for (const QRect& exposed : event->region()) {
        const QRect part = exposed & picture_area;
        if (part.isEmpty()) continue;
        if (picture_ && picture_->depth() == 32) {
            // Qt wants opaque RGB32 pixels; ours keep the top byte clear.
            const int right = std::min(part.right() + 1, picture_->width());
            const int bottom = std::min(part.bottom() + 1, picture_->height());
            for (int y = part.top(); y < bottom; ++y) {
                const std::uint32_t* from = picture_->rgb_row(y);
                auto* to = reinterpret_cast<std::uint32_t*>(shown_.scanLine(y));
                for (int x = part.left(); x < right; ++x) to[x] = from[x] | 0xFF000000u;
            }
        }
        // On a high-density screen the painter scales by the (whole) device pixel ratio,
        // repeating pixels: no smoothing hint is set.
        painter.drawImage(part, shown_, part);
    }
}

void PictureView::mouseMoveEvent(QMouseEvent* event) {
    if (handler_) handler_->pointer_move(event->position().x(), event->position().y());
}

void PictureView::mousePressEvent(QMouseEvent* event) {
    if (!handler_) return;
    MouseButton button;
    switch (event->button()) {
    case Qt::LeftButton: button = MouseButton::left; break;
    case Qt::RightButton: button = MouseButton::right; break;
    case Qt::MiddleButton: button = MouseButton::middle; break;
    default: return;
    }
    handler_->pointer_press(button, event->position().x(), event->position().y());
}

void PictureView::keyPressEvent(QKeyEvent* event) {
    if (!handler_) return;
    // Key down first, then the typed character, as the window system delivers them.
    if (int code = virtual_key_code(event->key())) handler_->key_down(code);
    QString text = event->text();
    if (!text.isEmpty() && text.at(0).unicode() != 0) {
        char32_t ch = text.at(0).unicode();
        if (text.at(0).isHighSurrogate() && text.size() > 1) ch = QChar::surrogateToUcs4(text.at(0), text.at(1));
        handler_->key_press(int(ch));
    }
}

MainWindow::MainWindow() {
    // No minimise or maximise box. Qt 6.4's own decoration on Wayland draws both whatever the
    // flags and the fixed size say: it has no way to leave them out.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    setWindowTitle(QStringLiteral("ケルボラ"));

    menu_bar_ = new QMenuBar(this);
    menu_bar_->setNativeMenuBar(false);
    // The five captions must fit side by side in the 500-pixel width, as they did with the
    // original's 9-point menu font; the default font would push the last into an overflow menu.
    QFont menu_font(QString::fromLatin1(game_font_family));
    menu_font.setPixelSize(menu_font_pixels);
    menu_bar_->setFont(menu_font);
    for (const MenuEntry& entry : menu_entries) {
        QAction* action = menu_bar_->addAction(QString::fromUtf8(entry.caption));
        MenuCommand command = entry.command;
        QObject::connect(action, &QAction::triggered, this, [this, command] {
            if (handler_) handler_->menu_command(command);
        });
        actions_.append(action);
    }

    view_ = new PictureView(this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setMenuBar(menu_bar_);
    layout->addWidget(view_);
    // The frame fits the menu bar and exactly 500 x 500 picture pixels, and cannot be resized.
    layout->setSizeConstraint(QLayout::SetFixedSize);
    setFocusProxy(view_);
}

void MainWindow::set_input_handler(InputHandler* handler) {
    handler_ = handler;
    view_->set_input_handler(handler);
}

void MainWindow::show_centred() {
    adjustSize();
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect area = screen->availableGeometry();
        // QRect::center() rounds the far edge in (it is left + width - 1), which put the window
        // one pixel up and left of the middle.
        move(area.left() + (area.width() - width()) / 2, area.top() + (area.height() - height()) / 2);
    }
    show();
    view_->setFocus();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // The game decides: it closes the music and ends the program.
    if (handler_) {
        event->ignore();
        handler_->window_closed();
        return;
    }
    QWidget::closeEvent(event);
}

}  // namespace kelvora
