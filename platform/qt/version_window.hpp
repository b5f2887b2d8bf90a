#pragma once
// `Versionform`: a small fixed window with the game's title, version and notices, drawn over a
// corner of the title picture. A click on the picture closes it.

#include <QDialog>
#include <QImage>

#include "platform/platform.hpp"

namespace kelvora {

class VersionWindow : public QDialog {
public:
    // `background`: the client-sized picture (32 bits) the labels are drawn over. `owner`: the
    // game window, which the version window is transient for.
    VersionWindow(const Bitmap& background, QWidget* owner);
    // Places the window at the centre of the screen.
    void centre_on_screen();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage background_;
};

}  // namespace kelvora
