#include "platform/qt/qt_browser.hpp"

#include <cstdio>

#include <QProcess>
#include <QString>
#include <QStringList>

namespace kelvora {

void QtBrowser::open(const std::string& target) {
    // A missing browser is no reason to stop the game: say so on stderr and carry on.
    if (!QProcess::startDetached(QStringLiteral("xdg-open"), QStringList{QString::fromStdString(target)}))
        std::fprintf(stderr, "kelvora: cannot start xdg-open for %s\n", target.c_str());
}

}  // namespace kelvora
