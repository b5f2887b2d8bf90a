#pragma once
// The game window: a fixed frame with the menu bar and the 500 x 500 picture area below it.

#include <QList>
#include <QWidget>

#include "platform/platform.hpp"

class QAction;
class QMenuBar;

namespace kelvora {

inline constexpr int client_size = 500;  // the visible picture area, in picture pixels

// The virtual key code of a Qt key (Esc 27, Backspace 8, Enter 13, letters as upper-case ASCII,
// digits as ASCII, ...), or 0 for a key the game has no code for.
int virtual_key_code(int qt_key);

// `work_image`: paints the picture and turns pointer and key events into the game's inputs.
class PictureView : public QWidget {
public:
    explicit PictureView(QWidget* parent);
    void set_picture(const Bitmap* picture) { picture_ = picture; }
    void set_input_handler(InputHandler* handler) { handler_ = handler; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    const Bitmap* picture_ = nullptr;
    InputHandler* handler_ = nullptr;
    QImage shown_;  // the visible part of the picture, with opaque pixels as Qt wants them
};

// `Main_form`.
class MainWindow : public QWidget {
public:
    MainWindow();
    void set_input_handler(InputHandler* handler);
    PictureView* picture_view() { return view_; }
    // The five top-level menu commands, left to right.
    const QList<QAction*>& menu_actions() const { return actions_; }
    // Shows the window centred on its screen.
    void show_centred();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    InputHandler* handler_ = nullptr;
    QMenuBar* menu_bar_ = nullptr;
    PictureView* view_ = nullptr;
    QList<QAction*> actions_;
};

}  // namespace kelvora
