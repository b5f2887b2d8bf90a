// The program's entry: picks the real backends, starts the game and runs the window's events.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <QApplication>
#include <QFont>
#include <QGuiApplication>
#include <QTimer>

#include "core/app.hpp"
#include "platform/deferred.hpp"
#include "platform/language.hpp"
#include "platform/module_entry.hpp"
#include "platform/qt/qt_browser.hpp"
#include "platform/qt/qt_platform.hpp"
#include "platform/qt/qt_text.hpp"
#include "shell/folders.hpp"
#include "shell/handlers.hpp"
#include "shell/startup.hpp"

namespace {

// The player's language from the environment, with its catalogue; a catalogue that cannot be read
// leaves the game in Japanese, all of a piece, rather than half translated.
void pick_language(const std::string& locale_dir) {
    const std::string language =
        kelvora::choose_language([](const char* name) { return std::getenv(name); },
                                 kelvora::installed_catalogues(locale_dir));
    if (language == kelvora::japanese) return;
    kelvora::Catalogue catalogue;
    const std::string path = locale_dir + language + "/LC_MESSAGES/" + kelvora::text_domain + ".mo";
    if (std::string error; !catalogue.load(path, error)) {
        std::fprintf(stderr, "kelvora: %s: %s; playing in Japanese\n", path.c_str(), error.c_str());
        return;
    }
    kelvora::set_language(language, std::move(catalogue));
    kelvora::set_text_face(kelvora::latin_font_family);
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

    const kelvora::ProgramFolders folders =
        kelvora::find_program_folders(kelvora::app_dir_of(QCoreApplication::applicationFilePath().toStdString()));
    pick_language(folders.locale_dir);
    QApplication::setFont(QFont(QString::fromLatin1(kelvora::text_face_family())));

    // The desktop entry's name, so that desktops show the window under the entry's icon and name.
    QGuiApplication::setDesktopFileName(QString::fromLatin1(KELVORA_APP_ID));

    kelvora::QtPlatform platform;
    kelvora::DeferredSound sound(folders.module_dir + kelvora::sound_module_file);
    kelvora::DeferredHttp http(folders.module_dir + kelvora::http_module_file);
    kelvora::QtBrowser browser;
    kelvora::App app{kelvora::Services{platform, platform, platform, platform, sound, http, browser}};
    kelvora::GameInput input(app);
    platform.set_input_handler(&input);

    app.app_dir = folders.app_dir;
    app.data_dir = folders.data_dir;
    app.language_dir = kelvora::language_picture_dir(app.app_dir);
    platform.set_window_icon(app.app_dir + "icon.bmp");
    // The sound libraries, the device and the soundfont are loaded once the first events run,
    // which is after start-up has shown the window, so they never delay it.
    QTimer::singleShot(0, [&sound] { sound.start_in_background(); });
    kelvora::start_up(app);
    return QApplication::exec();
}
