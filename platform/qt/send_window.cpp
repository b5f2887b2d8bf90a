#include "platform/qt/send_window.hpp"

#include <QApplication>
#include <QFont>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>

#include "platform/qt/qt_language.hpp"
#include "platform/qt/qt_text.hpp"

namespace kelvora {

namespace {

constexpr int client_width = 360, client_height = 250;
constexpr int title_pixels = 20, text_pixels = 12;

constexpr const char* title_text = N_("ネットランキングに送る");
constexpr const char* name_text = N_("名前");
constexpr const char* send_text = N_("送信");
constexpr const char* sending_text = N_("送っています…");
constexpr const char* explanation_text = N_("選んだゲームを送ると、サーバーがそのリプレイを再生して得点を確かめます。");
constexpr const char* nothing_text =
    N_("送っていないゲームはありません。オフィシャルゲームを最後まで遊ぶと、ここに並びます。");

QFont game_font(int pixels, bool bold) {
    QFont font(QString::fromLatin1(text_face_family()));
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

QLabel* add_label(QWidget* window, QRect box, int pixels, bool bold, const QString& colour, const char* text) {
    auto* label = new QLabel(qtr(text), window);
    label->setGeometry(box);
    label->setFont(game_font(pixels, bold));
    label->setStyleSheet(QStringLiteral("color: %1; background: transparent").arg(colour));
    label->setWordWrap(true);
    return label;
}

}  // namespace

SendWindow::SendWindow(const std::vector<std::string>& replays, const std::string& name, Window::SendReplay send,
                       QWidget* owner)
    : QDialog(owner), send_(std::move(send)) {
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    setWindowTitle(QStringLiteral(" "));
    setFixedSize(client_width, client_height);
    setObjectName(QStringLiteral("SendWindow"));
    setStyleSheet(QStringLiteral("QDialog { background: black }"));

    auto* title = add_label(this, QRect(0, 8, client_width, 26), title_pixels, true, QStringLiteral("#ffff00"), title_text);
    title->setAlignment(Qt::AlignHCenter | Qt::AlignTop);

    list_ = new QListWidget(this);
    list_->setObjectName(QStringLiteral("replays"));
    list_->setGeometry(12, 40, client_width - 24, 110);
    list_->setFont(game_font(text_pixels, false));
    list_->setStyleSheet(QStringLiteral("QListWidget { background: black; color: white; border: 1px solid #808080 }"
                                        "QListWidget::item:selected { background: #404080; color: white }"));
    for (const std::string& line : replays) list_->addItem(QString::fromStdString(line));
    list_->setCurrentRow(0);

    add_label(this, QRect(12, 160, 40, 20), text_pixels, false, QStringLiteral("white"), name_text);
    name_ = new QLineEdit(QString::fromStdString(name), this);
    name_->setObjectName(QStringLiteral("name"));
    name_->setGeometry(52, 157, 60, 24);
    name_->setMaxLength(3);
    name_->setFont(game_font(text_pixels, false));

    button_ = new QPushButton(qtr(send_text), this);
    button_->setObjectName(QStringLiteral("send"));
    button_->setGeometry(client_width - 12 - 80, 155, 80, 28);
    button_->setFont(game_font(text_pixels, false));
    button_->setDefault(true);
    button_->setEnabled(!replays.empty());
    connect(button_, &QPushButton::clicked, this, [this] { send_chosen(); });

    answer_ = add_label(this, QRect(12, 190, client_width - 24, 54), text_pixels, false, QStringLiteral("white"),
                        replays.empty() ? nothing_text : explanation_text);
    answer_->setObjectName(QStringLiteral("answer"));
    answer_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    button_->setFocus();
}

void SendWindow::send_chosen() {
    const int row = list_->currentRow();
    if (row < 0) return;
    answer_->setText(qtr(sending_text));
    button_->setEnabled(false);
    // The answer can take a few seconds; the window shows that it is on its way.
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    const Window::SendResult result = send_(std::size_t(row), name_->text().toStdString());
    answer_->setText(QString::fromStdString(result.message));
    if (result.done) delete list_->takeItem(row);
    button_->setEnabled(list_->count() > 0);
    if (list_->count() > 0 && list_->currentRow() < 0) list_->setCurrentRow(0);
}

void SendWindow::centre_on_screen() {
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect area = screen->availableGeometry();
        move(area.left() + (area.width() - width()) / 2, area.top() + (area.height() - height()) / 2);
    }
}

}  // namespace kelvora
