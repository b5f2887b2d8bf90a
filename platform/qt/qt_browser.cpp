#include "platform/qt/qt_browser.hpp"

#include <unistd.h>

#include <QProcess>
#include <QString>
#include <QStringList>

#include <string>

#include "platform/language.hpp"

namespace kelvora {

std::string xdg_open_failure(int exit_status) {
    switch (exit_status) {
    case 1: return std::string(tr("xdg-open が引数を受け付けませんでした（終了コード 1）。"));
    case 2: return std::string(tr("ファイルが見つかりません（終了コード 2）。"));
    case 3: return std::string(tr("開くためのブラウザが見つかりません（終了コード 3）。"));
    case 4: return std::string(tr("ブラウザを起動できませんでした（終了コード 4）。"));
    default: return {};
    }
}

void QtBrowser::open(const std::string& target, Failure failed) {
    // Lives until xdg-open has ended; deleting it earlier would kill xdg-open and the browser.
    auto* process = new QProcess;
    process->setProgram(QStringLiteral("xdg-open"));
    process->setArguments(QStringList{QString::fromStdString(target)});
    // No pipes to the game: a browser that outlives the game must not write into a closed one.
    process->setStandardInputFile(QProcess::nullDevice());
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    process->setChildProcessModifier([] { ::setsid(); });

    QObject::connect(process, &QProcess::errorOccurred, process, [process, failed](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart) return;
        if (failed) {
            std::string reason(tr("xdg-open を起動できません（%s）。"));
            if (const auto at = reason.find("%s"); at != std::string::npos)
                reason.replace(at, 2, process->errorString().toStdString());
            failed(reason);
        }
        process->deleteLater();
    });
    QObject::connect(process, &QProcess::finished, process, [process, failed](int code, QProcess::ExitStatus status) {
        if (status == QProcess::NormalExit && failed)
            if (std::string reason = xdg_open_failure(code); !reason.empty()) failed(reason);
        process->deleteLater();
    });
    process->start();
}

}  // namespace kelvora
