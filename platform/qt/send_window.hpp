#pragma once
// The send window: the unsent replays, best first, the player's name and a send button, with
// the server's answer below, in the colours and fonts of the version window.

#include <QDialog>

#include "platform/platform.hpp"

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace kelvora {

class SendWindow : public QDialog {
public:
    // `owner`: the game window, which the send window stays above (none before it is shown).
    SendWindow(const std::vector<std::string>& replays, const std::string& name, Window::SendReplay send,
               QWidget* owner);
    void centre_on_screen();

private:
    void send_chosen();

    Window::SendReplay send_;
    QListWidget* list_;
    QLineEdit* name_;
    QPushButton* button_;
    QLabel* answer_;
};

}  // namespace kelvora
