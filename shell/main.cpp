// The program's entry: picks the real backends, starts the game and runs the window's events.

#include <chrono>
#include <cstdint>
#include <cstdlib>

#include <QApplication>
#include <QFont>
#include <QGuiApplication>

#include "platform/curl/curl_http.hpp"
#include "platform/qt/qt_browser.hpp"
#include "platform/qt/qt_platform.hpp"
#include "platform/qt/qt_text.hpp"
#include "platform/sdl/sdl_sound.hpp"
#include "shell/app.hpp"
#include "shell/handlers.hpp"
#include "shell/startup.hpp"

namespace {

// The rain is seeded from the time of day, as a fresh game should differ from the last one.
std::uint32_t clock_seed() {
    auto now = std::chrono::system_clock::now().time_since_epoch();
    return std::uint32_t(std::chrono::duration_cast<std::chrono::microseconds>(now).count());
}

}  // namespace

int main(int argc, char** argv) {
    // Everything is drawn with QPainter on plain widgets; OpenGL would only cost start-up time.
    setenv("QT_XCB_GL_INTEGRATION", "none", 0);
    // Whole device pixel ratios, so the picture is scaled by whole pixels on dense screens.
    QGuiApplication::setHighDpiScaleFactorRoundingPolicy(Qt::HighDpiScaleFactorRoundingPolicy::Round);
    QApplication application(argc, argv);
    QApplication::setFont(QFont(QString::fromLatin1(kelvora::game_font_family)));

    kelvora::QtPlatform platform;
    kelvora::SdlSound sound;
    kelvora::CurlHttp http;
    kelvora::QtBrowser browser;
    kelvora::App app{kelvora::Services{platform, platform, platform, platform, sound, http, browser}};
    kelvora::GameInput input(app);
    platform.set_input_handler(&input);

    app.app_dir = kelvora::app_dir_of(QCoreApplication::applicationFilePath().toStdString());
    platform.set_window_icon(app.app_dir + "icon.bmp");
    kelvora::start_up(app, clock_seed());
    return QApplication::exec();
}
