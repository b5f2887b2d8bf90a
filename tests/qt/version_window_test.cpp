// The version window on the real window backend: its look, the ways it closes, and the game
// standing still behind it.

#include <gtest/gtest.h>
#include <QApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QScreen>
#include <QTimer>

#include "core/app.hpp"
#include "game/game_setup.hpp"
#include "platform/headless/headless.hpp"
#include "platform/qt/qt_platform.hpp"
#include "platform/qt/version_window.hpp"
#include "shell/handlers.hpp"
#include "test_app.hpp"

namespace kelvora {
namespace {

// A game on the Qt window backend, with recording fakes for sound, HTTP and browser.
struct QtGame {
    QtGame() {
        EXPECT_EQ(load_pictures(app.pictures, KELVORA_ASSET_DIR), "");
        app.app_dir = testing::make_temp_dir();
        platform.set_input_handler(&input);
        platform.set_picture(&app.pictures.work_image.bitmap);
    }
    void wait(double seconds) { platform.run_events_until(platform.clock_seconds() + seconds); }
    // Opens the window through the menu; `while_open` runs inside it and must close it.
    void open_version(std::function<void(VersionWindow&)> while_open) {
        QTimer::singleShot(0, [&] {
            auto* window = dynamic_cast<VersionWindow*>(QApplication::activeModalWidget());
            ASSERT_NE(window, nullptr);
            while_open(*window);
            if (window->isVisible()) window->reject();  // a failed check must not hang the test
        });
        input.menu_command(MenuCommand::varsion);
    }

    QtPlatform platform;
    HeadlessServices fakes;
    App app{Services{platform, platform, platform, platform, fakes.sound, fakes.http, fakes.browser}};
    GameInput input{app};
};

bool near(QRgb pixel, int r, int g, int b) {
    return std::abs(qRed(pixel) - r) < 60 && std::abs(qGreen(pixel) - g) < 60 && std::abs(qBlue(pixel) - b) < 60;
}

int pixels_like(const QImage& image, QRect box, int r, int g, int b) {
    int n = 0;
    for (int y = box.top(); y <= box.bottom(); ++y)
        for (int x = box.left(); x <= box.right(); ++x) n += near(image.pixel(x, y), r, g, b);
    return n;
}

TEST(QtVersionWindow, LooksAsLaidOutAndAClickOnThePictureClosesIt) {
    QtGame game;
    bool checked = false;
    game.open_version([&](VersionWindow& window) {
        EXPECT_EQ(window.size(), QSize(308, 187));
        EXPECT_EQ(window.minimumSize(), window.maximumSize());
        EXPECT_EQ(window.windowTitle().trimmed(), QString());
        EXPECT_FALSE(window.windowFlags() & (Qt::WindowMaximizeButtonHint | Qt::WindowMinimizeButtonHint));
        EXPECT_EQ(window.windowModality(), Qt::ApplicationModal);
        QRect area = QGuiApplication::primaryScreen()->availableGeometry();
        EXPECT_EQ(window.pos(), QPoint(area.left() + (area.width() - 308) / 2, area.top() + (area.height() - 187) / 2));

        struct Expected {
            const char* name;
            QRect box;
            QColor colour;
            int pixels;
            bool bold;
        };
        const Expected labels[] = {
            {"lblTitle", QRect(0, 8, 307, 21), QColor(255, 255, 0), 24, true},
            {"lblVersion", QRect(0, 40, 307, 15), Qt::white, 12, false},
            {"lblDescription", QRect(40, 64, 235, 70), Qt::white, 15, false},
            {"lblDisclaimer", QRect(8, 152, 297, 31), Qt::white, 12, false},
        };
        for (const Expected& e : labels) {
            auto* label = window.findChild<QLabel*>(QString::fromLatin1(e.name));
            ASSERT_NE(label, nullptr) << e.name;
            EXPECT_EQ(label->geometry(), e.box) << e.name;
            EXPECT_EQ(label->palette().color(QPalette::WindowText), e.colour) << e.name;
            EXPECT_EQ(label->font().pixelSize(), e.pixels) << e.name;
            EXPECT_EQ(label->font().bold(), e.bold) << e.name;
            EXPECT_FALSE(label->autoFillBackground()) << e.name;
        }
        EXPECT_EQ(window.findChild<QLabel*>("lblTitle")->text().toStdString(), "ケルボラ");
        EXPECT_EQ(window.findChild<QLabel*>("lblVersion")->text().toStdString(), "Ver 1.0");
        EXPECT_NE(window.findChild<QLabel*>("lblDisclaimer")->text().toStdString().find("2001"), std::string::npos);

        // The title picture's corner shows through around yellow and white letters.
        QImage shown = window.grab().toImage();
        const Bitmap& title = game.app.pictures.open_image.bitmap;
        for (QPoint p : {QPoint(300, 100), QPoint(2, 140), QPoint(307, 186)}) {
            Colour c = title.colour_at(p.x(), p.y());
            EXPECT_EQ(shown.pixel(p) & 0xFFFFFFu, std::uint32_t(c.r << 16 | c.g << 8 | c.b)) << p.x() << "," << p.y();
        }
        EXPECT_GT(pixels_like(shown, QRect(0, 8, 307, 21), 255, 255, 0), 40);
        EXPECT_GT(pixels_like(shown, QRect(40, 64, 235, 70), 255, 255, 255), 100);

        // A click in the middle goes through the notice's letters to the picture.
        QWidget* target = window.childAt(150, 100);
        ASSERT_NE(target, nullptr);
        EXPECT_EQ(target->objectName(), "Image1");
        QPointF at = target->mapFrom(&window, QPointF(150, 100));
        QMouseEvent press(QEvent::MouseButtonPress, at, target->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                          Qt::NoModifier);
        QMouseEvent release(QEvent::MouseButtonRelease, at, target->mapToGlobal(at), Qt::LeftButton, Qt::NoButton,
                            Qt::NoModifier);
        QApplication::sendEvent(target, &press);
        QApplication::sendEvent(target, &release);
        EXPECT_FALSE(window.isVisible());
        checked = true;
    });
    EXPECT_TRUE(checked);

    // The close box closes it too.
    game.open_version([](VersionWindow& window) { window.close(); });
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST(QtVersionWindow, FreezesTheRainDuringPlayAndResumesItWhenClosed) {
    QtGame game;
    GameState& state = game.app.state;
    state.screen_state = screen::official_play;
    state.escape_ready = true;
    game_init(game.app);
    state.rain_running = true;
    game.platform.set_interval(standard_tick_interval);
    game.wait(1.1);  // the first drops are falling

    Grid at_open{};
    game.open_version([&](VersionWindow& window) {
        at_open = state.drop_grid;
        EXPECT_FALSE(game.platform.enabled());
        game.wait(1.0);
        EXPECT_EQ(state.drop_grid, at_open);
        // Closed with Esc, not with a click: the game gets its timer back all the same.
        QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(&window, &esc);
        EXPECT_FALSE(window.isVisible());
    });
    EXPECT_EQ(state.drop_grid, at_open);
    EXPECT_TRUE(game.platform.enabled());
    game.wait(0.5);
    EXPECT_NE(state.drop_grid, at_open);
    EXPECT_EQ(state.screen_state, screen::official_play);
}

}  // namespace
}  // namespace kelvora
