// The game window: its menu bar, its fixed 500 x 500 picture area, and the inputs it forwards.

#include <gtest/gtest.h>
#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QScreen>

#include "core/picture_store.hpp"
#include "platform/qt/main_window.hpp"
#include "platform/qt/qt_platform.hpp"
#include "qt/recording_handler.hpp"

namespace kelvora {
namespace {

class MainWindowTest : public ::testing::Test {
protected:
    MainWindowTest() { platform.set_input_handler(&handler); }
    MainWindow& window() { return platform.main_window(); }
    void key(int qt_key, const QString& text) {
        QKeyEvent event(QEvent::KeyPress, qt_key, Qt::NoModifier, text);
        QApplication::sendEvent(window().picture_view(), &event);
    }

    QtPlatform platform;
    testing::RecordingHandler handler;
};

TEST_F(MainWindowTest, MenuBarHasTheSixCommandsInOrder) {
    const QList<QAction*>& actions = window().menu_actions();
    ASSERT_EQ(actions.size(), 6);
    const char* captions[] = {"終了", "前画面に戻る(ESC)", "バージョン情報", "ヘルプ", "ホームページへ", "結果送信"};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(actions[i]->text().toStdString(), captions[i]);
        EXPECT_EQ(actions[i]->menu(), nullptr);  // a command, not a submenu
        actions[i]->trigger();
    }
    EXPECT_EQ(handler.inputs, (std::vector<std::string>{"menu 0", "menu 1", "menu 2", "menu 3", "menu 4", "menu 5"}));
}

TEST_F(MainWindowTest, EveryMenuCaptionFitsInTheWindowWidth) {
    platform.show();
    QApplication::processEvents();
    auto* bar = window().findChild<QMenuBar*>();
    ASSERT_NE(bar, nullptr);
    int right = 0;
    for (QAction* action : window().menu_actions()) {
        QRect box = bar->actionGeometry(action);
        EXPECT_FALSE(box.isEmpty()) << action->text().toStdString() << " is hidden in an overflow menu";
        EXPECT_GE(box.left(), right);
        right = box.right();
    }
    EXPECT_LT(right, 500);
}

TEST_F(MainWindowTest, ClientAreaIsAFixedPictureOf500By500) {
    platform.show();
    QApplication::processEvents();
    EXPECT_EQ(window().windowTitle().toStdString(), "ケルボラ");
    EXPECT_EQ(window().picture_view()->size(), QSize(500, 500));
    EXPECT_EQ(window().minimumSize(), window().maximumSize());
    EXPECT_EQ(window().height(), 500 + window().picture_view()->y());
    EXPECT_FALSE(window().windowFlags() & (Qt::WindowMaximizeButtonHint | Qt::WindowMinimizeButtonHint));
}

TEST_F(MainWindowTest, PaintsTheTopLeft500PixelsOfThePicture) {
    Bitmap picture = Bitmap::rgb(501, 501);
    for (int y = 0; y < 501; ++y)
        for (int x = 0; x < 501; ++x) picture.rgb_row(y)[x] = std::uint32_t((x & 0xFF) << 16 | (y & 0xFF) << 8 | 0x40);
    platform.set_picture(&picture);
    platform.show();
    QImage shown = window().picture_view()->grab().toImage();
    ASSERT_GE(shown.width(), 500);
    EXPECT_EQ(shown.pixel(0, 0), 0xFF000040u);
    EXPECT_EQ(shown.pixel(123, 45), 0xFF7B2D40u);
    EXPECT_EQ(shown.pixel(499, 499), 0xFFF3F340u);

    // A refresh shows what was drawn since.
    picture.rgb_row(10)[20] = 0x00ABCDEF;
    platform.refresh();
    EXPECT_EQ(window().picture_view()->grab().toImage().pixel(20, 10), 0xFFABCDEFu);
}

// What the screen shows of the picture area, read back from the window system.
QImage on_screen(MainWindow& window) {
    QApplication::processEvents();
    QWidget* view = window.picture_view();
    QPoint at = view->mapTo(&window, QPoint(0, 0));
    return window.screen()->grabWindow(window.winId(), at.x(), at.y(), 500, 500).toImage();
}

TEST_F(MainWindowTest, ChangedPartsReachTheScreenAndNothingElseIsSent) {
    Surface shown{Bitmap::rgb(501, 501)}, composed{Bitmap::rgb(500, 500)};
    platform.set_picture(&shown.bitmap);
    platform.show();
    std::uint32_t seed = 7;
    auto next = [&seed] { return seed = seed * 1103515245u + 12345u; };
    for (int round = 0; round < 8; ++round) {
        // A few scattered blocks change, as the drops of a tick do; every third round nothing does.
        for (int n = 0; round % 3 != 2 && n < 5; ++n) {
            std::uint32_t r = next();
            fill_rect(composed, int(r % 500), int((r >> 9) % 500), 3 + int(r % 17), 2 + int((r >> 5) % 23),
                      Colour::from_packed(next()));
        }
        std::vector<Rect> changed = copy_changes(shown, composed);
        EXPECT_EQ(changed.empty(), round % 3 == 2) << "round " << round;
        if (!changed.empty()) platform.refresh(changed);
        QImage screen = on_screen(window());
        ASSERT_EQ(screen.size(), QSize(500, 500));
        for (int y = 0; y < 500; ++y)
            for (int x = 0; x < 500; ++x)
                ASSERT_EQ(screen.pixel(x, y), 0xFF000000u | composed.bitmap.rgb_row(y)[x])
                    << "round " << round << " at " << x << ", " << y;
    }
}

TEST_F(MainWindowTest, KeysArriveAsVirtualKeyThenTypedCharacter) {
    key(Qt::Key_Escape, QStringLiteral("\x1b"));
    key(Qt::Key_A, QStringLiteral("a"));
    key(Qt::Key_5, QStringLiteral("5"));
    key(Qt::Key_Backspace, QStringLiteral("\b"));
    key(Qt::Key_Return, QStringLiteral("\r"));
    key(Qt::Key_Left, QString());
    EXPECT_EQ(handler.inputs, (std::vector<std::string>{"down 27", "press 27", "down 65", "press 97", "down 53",
                                                        "press 53", "down 8", "press 8", "down 13", "press 13",
                                                        "down 37"}));
}

TEST_F(MainWindowTest, PointerPositionsArePicturePixels) {
    QWidget* view = window().picture_view();
    QPointF at(123.0, 45.0);
    QMouseEvent move(QEvent::MouseMove, at, view->mapToGlobal(at), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(view, &move);
    QMouseEvent press(QEvent::MouseButtonPress, at, view->mapToGlobal(at), Qt::RightButton, Qt::RightButton,
                      Qt::NoModifier);
    QApplication::sendEvent(view, &press);
    QMouseEvent left(QEvent::MouseButtonPress, QPointF(7, 499), view->mapToGlobal(QPointF(7, 499)), Qt::LeftButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view, &left);
    EXPECT_EQ(handler.inputs, (std::vector<std::string>{"move 123,45", "press2 123,45", "press1 7,499"}));
}

TEST_F(MainWindowTest, CloseBoxGoesToTheGame) {
    platform.show();
    window().close();
    EXPECT_EQ(handler.inputs, (std::vector<std::string>{"closed"}));
    EXPECT_TRUE(window().isVisible());  // the game decides how the program ends
}

TEST_F(MainWindowTest, WindowIconComesFromTheBmpBesideTheProgram) {
    platform.set_window_icon(KELVORA_ASSET_DIR "no_such_icon.bmp");
    EXPECT_TRUE(window().windowIcon().availableSizes().isEmpty());
    platform.set_window_icon(KELVORA_ASSET_DIR "icon.bmp");
    EXPECT_EQ(window().windowIcon().availableSizes(), QList<QSize>{QSize(32, 32)});
}

TEST(VirtualKeyCode, LettersDigitsAndControlKeys) {
    EXPECT_EQ(virtual_key_code(Qt::Key_Z), 'Z');
    EXPECT_EQ(virtual_key_code(Qt::Key_0), '0');
    EXPECT_EQ(virtual_key_code(Qt::Key_Enter), 13);
    EXPECT_EQ(virtual_key_code(Qt::Key_F1), 112);
    EXPECT_EQ(virtual_key_code(Qt::Key_Delete), 46);
    EXPECT_EQ(virtual_key_code(Qt::Key_Eacute), 0);
}

}  // namespace
}  // namespace kelvora
