// The program's entry: picks the real backends, starts the game and runs the window's events.

#include <cstdint>
#include <cstdlib>

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


int main(int argc, char** argv) {
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
    kelvora::start_up(app);
    return QApplication::exec();
}
