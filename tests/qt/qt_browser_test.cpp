// The browser launch: xdg-open gets the page as one argument, untouched by any shell.

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include <gtest/gtest.h>
#include <QFile>
#include <QTemporaryDir>

#include "platform/qt/qt_browser.hpp"

namespace kelvora {
namespace {

TEST(QtBrowser, PassesThePageToXdgOpenAsOneArgument) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    std::string record = dir.filePath("args").toStdString();
    // A stand-in xdg-open that writes each argument it gets on a line of its own.
    QString fake = dir.filePath("xdg-open");
    {
        std::ofstream script(fake.toStdString());
        script << "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > '" << record << ".part'\n"
               << "mv '" << record << ".part' '" << record << "'\n";
    }
    QFile::setPermissions(fake, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    std::string old_path = std::getenv("PATH") ? std::getenv("PATH") : "";
    setenv("PATH", (dir.path().toStdString() + ":" + old_path).c_str(), 1);

    const std::string page = "/tmp/ケルボラ dir/help.html;echo $HOME&x";
    QtBrowser().open(page);
    setenv("PATH", old_path.c_str(), 1);

    std::string lines;
    for (int i = 0; i < 100 && lines.empty(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        std::ifstream in(record);
        std::stringstream all;
        all << in.rdbuf();
        lines = all.str();
    }
    EXPECT_EQ(lines, page + "\n");
}

}  // namespace
}  // namespace kelvora
