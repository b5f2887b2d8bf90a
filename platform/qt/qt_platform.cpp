#include "platform/qt/qt_platform.hpp"

#include <cmath>
#include <cstdio>

#include <unistd.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QGuiApplication>
#include <QIcon>
#include <QImage>
#include <QMessageBox>
#include <QPixmap>
#include <QRegion>

#include "platform/bmp.hpp"
#include "platform/qt/main_window.hpp"
#include "platform/qt/qt_text.hpp"
#include "platform/qt/version_window.hpp"

namespace kelvora {

QtPlatform::QtPlatform() : window_(std::make_unique<MainWindow>()) {
    clock_.start();
    // The game's timings are in milliseconds; a coarse timer would stretch every tick.
    timer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer_, &QTimer::timeout, [this] { tick(); });
}

QtPlatform::~QtPlatform() = default;

void QtPlatform::set_input_handler(InputHandler* handler) {
    handler_ = handler;
    window_->set_input_handler(handler);
}

void QtPlatform::set_window_icon(const std::string& bmp_path) {
    // Read with our own BMP reader: Qt's image loading would first scan its format plugins,
    // which costs start-up time for nothing.
    std::string error;
    Bitmap bitmap = load_bmp(bmp_path, error);
    if (bitmap.empty()) return;
    QImage icon(bitmap.width(), bitmap.height(), QImage::Format_RGB32);
    for (int y = 0; y < bitmap.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(icon.scanLine(y));
        for (int x = 0; x < bitmap.width(); ++x) row[x] = 0xFF000000u | bitmap.colour_at(x, y).packed();
    }
    window_->setWindowIcon(QIcon(QPixmap::fromImage(icon)));
}

double QtPlatform::clock_seconds() const { return double(clock_.nsecsElapsed()) / 1e9; }

void QtPlatform::process_events() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

void QtPlatform::run_events_until(double deadline) {
    // Sleeps in an event loop that a single-shot timer ends: events and ticks are delivered
    // meanwhile, and no core is burnt as a loop around processEvents() would.
    for (;;) {
        double left = deadline - clock_seconds();
        if (left <= 0) return;
        QEventLoop loop;
        QTimer::singleShot(int(std::ceil(left * 1000.0)), Qt::PreciseTimer, &loop, &QEventLoop::quit);
        loop.exec();
    }
}

void QtPlatform::set_interval(int milliseconds) {
    interval_ms_ = milliseconds;
    // Like the original timer, a new interval starts counting afresh.
    if (enabled_ && interval_ms_ > 0)
        timer_.start(interval_ms_);
    else
        timer_.stop();
}

void QtPlatform::set_enabled(bool enabled) {
    // Enabling a timer that already runs must not push its next tick back.
    if (enabled == enabled_) return;
    enabled_ = enabled;
    update_timer();
}

void QtPlatform::update_timer() {
    // An interval of 0 means the timer never ticks, even while enabled.
    if (enabled_ && interval_ms_ > 0) {
        if (!timer_.isActive()) timer_.start(interval_ms_);
    } else {
        timer_.stop();
    }
}

void QtPlatform::tick() {
    // A tick that waits lets events run; a second tick must not start inside it.
    if (in_tick_ || !handler_) return;
    in_tick_ = true;
    handler_->timer_tick();
    in_tick_ = false;
}

void QtPlatform::set_picture(const Bitmap* work_image) {
    window_->picture_view()->set_picture(work_image);
    window_->picture_view()->update();
}

void QtPlatform::show() { window_->show_centred(); }

void QtPlatform::refresh() { window_->picture_view()->update(); }

void QtPlatform::refresh(const std::vector<Rect>& changed) {
    QRegion region;
    for (const Rect& r : changed) region += QRect(r.left, r.top, r.right - r.left, r.bottom - r.top);
    window_->picture_view()->update(region);
}

void QtPlatform::show_error(const std::string& message) {
    std::fprintf(stderr, "kelvora: %s\n", message.c_str());
    std::fflush(stderr);
    // Changed: the error is fatal, so no tick may run the game on inside the message box's
    // event loop.
    timer_.stop();
    QString platform = QGuiApplication::platformName();
    if (platform == QLatin1String("offscreen") || platform == QLatin1String("minimal")) return;
    QMessageBox::critical(dialog_parent(), QStringLiteral("ケルボラ"), QString::fromStdString(message));
}

void QtPlatform::show_message(const std::string& message) {
    std::fprintf(stderr, "kelvora: %s\n", message.c_str());
    std::fflush(stderr);
    // Not modal: the game goes on behind it, and the player closes it when it suits them.
    auto* box = new QMessageBox(QMessageBox::Information, QStringLiteral("ケルボラ"),
                                QString::fromStdString(message), QMessageBox::Ok, dialog_parent());
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::NonModal);
    box->show();
}

void QtPlatform::show_version(const Bitmap& background) {
    // Made anew at every opening; application-modal, so the game window takes no input until it
    // is gone.
    // Changed: it used to have no owner, so a click on the game window could raise the game over
    // it (Wayland, XWayland) and the game looked frozen; it is now transient for the game window.
    VersionWindow window(background, dialog_parent());
    window.centre_on_screen();
    window.exec();
}

QWidget* QtPlatform::dialog_parent() {
    // A window that was never shown has no handle to be transient for; a dialog before it is
    // centred on the screen instead.
    return window_->isVisible() ? window_.get() : nullptr;
}

void QtPlatform::end_program(int status) {
    // The game has closed its music by now. Ending here, even from inside nested event loops,
    // keeps any further handler from running.
    std::fflush(nullptr);
    ::_exit(status);
}

void QtPlatform::draw_text(Surface& surface, const Font& font, Colour colour, const Rect& rect,
                           unsigned format, std::string_view utf8) {
    draw_text_on(surface, font, colour, rect, format, utf8);
}

}  // namespace kelvora
