#pragma once
// The real platform: Qt's event loop, a precise QTimer as the play timer, the game window and
// text through QPainter. Needs a QApplication.

#include <memory>

#include <QElapsedTimer>
#include <QTimer>

#include "platform/platform.hpp"

namespace kelvora {

class MainWindow;

class QtPlatform : public EventLoop, public PlayTimer, public Window, public TextRenderer {
public:
    QtPlatform();
    ~QtPlatform() override;

    void set_input_handler(InputHandler* handler);
    // The window icon, from a BMP file; a missing or unreadable file leaves the default icon.
    void set_window_icon(const std::string& bmp_path);
    MainWindow& main_window() { return *window_; }

    // EventLoop
    double clock_seconds() const override;
    void process_events() override;
    void run_events_until(double deadline) override;

    // PlayTimer
    void set_interval(int milliseconds) override;
    int interval() const override { return interval_ms_; }
    void set_enabled(bool enabled) override;
    bool enabled() const override { return enabled_; }

    // Window
    void set_picture(const Bitmap* work_image) override;
    void show() override;
    void refresh() override;
    void refresh(const std::vector<Rect>& changed) override;
    void show_error(const std::string& message) override;
    void show_message(const std::string& message) override;
    void show_version(const Bitmap& background) override;
    [[noreturn]] void end_program(int status) override;

    // TextRenderer
    void draw_text(Surface& surface, const Font& font, Colour colour, const Rect& rect, unsigned format,
                   std::string_view utf8) override;

private:
    void update_timer();
    void tick();
    // The parent of every dialog: the game window once it is shown, so that the window system
    // keeps the dialog above it (a parentless dialog can sink behind the game on Wayland).
    QWidget* dialog_parent();

    InputHandler* handler_ = nullptr;
    QElapsedTimer clock_;
    QTimer timer_;
    int interval_ms_ = 0;
    bool enabled_ = true;  // `thread` is enabled from the start; it ticks once it has an interval
    bool in_tick_ = false;
    std::unique_ptr<MainWindow> window_;
};

}  // namespace kelvora
