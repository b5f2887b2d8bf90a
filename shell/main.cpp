// The program's entry: picks the real backends, starts the game and runs the window's events.

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <QApplication>
#include <QFont>
#include <QGuiApplication>
#include <QTimer>

#include "core/app.hpp"
#include "platform/deferred.hpp"
#include "platform/module_entry.hpp"
#include "platform/qt/qt_browser.hpp"
#include "platform/qt/qt_platform.hpp"
#include "platform/qt/qt_text.hpp"
#include "shell/folders.hpp"
#include "shell/handlers.hpp"
#include "shell/startup.hpp"

namespace {

// The rain is seeded from the time of day, as a fresh game should differ from the last one.
std::uint32_t clock_seed() {
    auto now = std::chrono::system_clock::now().time_since_epoch();
    return std::uint32_t(std::chrono::duration_cast<std::chrono::microseconds>(now).count());
}

// Changed: --help without a display aborted in Qt's start-up. --help and --version now answer
// before Qt starts; anything else is left to Qt (-platform and the like).
bool answered_option(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("kelvora %s\n", KELVORA_VERSION);
            return true;
        }
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::printf(
                "Usage: kelvora [--help] [--version] [Qt options]\n"
                "Kelvora, a raindrop puzzle: opens the game's window.\n\n"
                "  --help     show this help and exit\n"
                "  --version  show the program's name and version and exit\n\n"
                "The net ranking's server is KELVORA_RANKING_SERVER, else ranking_server= in\n"
                "$XDG_CONFIG_HOME/kelvora/kelvora.conf, else http://127.0.0.1:8470.\n"
                "See kelvora(6).\n");
            return true;
        }
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    if (answered_option(argc, argv)) return std::fflush(stdout) == 0 ? EXIT_SUCCESS : EXIT_FAILURE;
    // Everything is drawn with QPainter on plain widgets; OpenGL would only cost start-up time.
    setenv("QT_XCB_GL_INTEGRATION", "none", 0);
    // Whole device pixel ratios, so the picture is scaled by whole pixels on dense screens.
    QGuiApplication::setHighDpiScaleFactorRoundingPolicy(Qt::HighDpiScaleFactorRoundingPolicy::Round);
    QApplication application(argc, argv);
    QApplication::setFont(QFont(QString::fromLatin1(kelvora::game_font_family)));

    // The desktop entry's name, so that desktops show the window under the entry's icon and name.
    QGuiApplication::setDesktopFileName(QString::fromLatin1(KELVORA_APP_ID));

    const kelvora::ProgramFolders folders =
        kelvora::find_program_folders(kelvora::app_dir_of(QCoreApplication::applicationFilePath().toStdString()));
    kelvora::QtPlatform platform;
    kelvora::DeferredSound sound(folders.module_dir + kelvora::sound_module_file);
    kelvora::DeferredHttp http(folders.module_dir + kelvora::http_module_file);
    kelvora::QtBrowser browser;
    kelvora::App app{kelvora::Services{platform, platform, platform, platform, sound, http, browser}};
    kelvora::GameInput input(app);
    platform.set_input_handler(&input);

    app.app_dir = folders.app_dir;
    app.data_dir = folders.data_dir;
    platform.set_window_icon(app.app_dir + "icon.bmp");
    // The sound libraries, the device and the soundfont are loaded once the first events run,
    // which is after start-up has shown the window, so they never delay it.
    QTimer::singleShot(0, [&sound] { sound.start_in_background(); });
    kelvora::start_up(app, clock_seed());
    return QApplication::exec();
}
