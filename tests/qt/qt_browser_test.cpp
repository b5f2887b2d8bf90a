// The browser launch: xdg-open gets the page as one argument, untouched by any shell, and its
// failures come back with a reason.

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include "platform/qt/qt_browser.hpp"

namespace kelvora {
namespace {

class QtBrowserTest : public ::testing::Test {
protected:
    QtBrowserTest() : old_path_(std::getenv("PATH") ? std::getenv("PATH") : "") {}
    ~QtBrowserTest() override { setenv("PATH", old_path_.c_str(), 1); }

    // A stand-in xdg-open with this shell body, found first on the PATH (or, with an empty
    // body, no xdg-open on the PATH at all).
    void stand_in(const std::string& body) {
        std::string path = dir_.path().toStdString();
        setenv("PATH", (body.empty() ? path : path + ":" + old_path_).c_str(), 1);
        QString fake = dir_.filePath("xdg-open");
        QFile::remove(fake);
        if (body.empty()) return;
        std::ofstream(fake.toStdString()) << "#!/bin/sh\n" << body;
        QFile::setPermissions(fake, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }
    // Opens `page` and waits up to 5 s for a failure; nothing when there was none.
    std::optional<std::string> open(const std::string& page, int wait_ms = 5000) {
        std::optional<std::string> reason;
        QtBrowser().open(page, [&](const std::string& why) { reason = why; });
        QElapsedTimer clock;
        clock.start();
        while (!reason && clock.elapsed() < wait_ms) {
            QCoreApplication::processEvents();
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return reason;
    }

    QTemporaryDir dir_;
    std::string old_path_;
};

TEST_F(QtBrowserTest, PassesThePageToXdgOpenAsOneArgument) {
    ASSERT_TRUE(dir_.isValid());
    std::string record = dir_.filePath("args").toStdString();
    // Writes each argument it gets on a line of its own.
    stand_in("for a in \"$@\"; do printf '%s\\n' \"$a\"; done > '" + record + ".part'\nmv '" + record + ".part' '" +
             record + "'\n");
    const std::string page = "/tmp/ケルボラ dir/help.html;echo $HOME&x";
    EXPECT_EQ(open(page, 1500), std::nullopt);

    std::ifstream in(record);
    std::stringstream lines;
    lines << in.rdbuf();
    EXPECT_EQ(lines.str(), page + "\n");
}

TEST_F(QtBrowserTest, ReportsWhyThePageCouldNotBeOpened) {
    ASSERT_TRUE(dir_.isValid());
    stand_in("exit 3\n");  // xdg-open found no browser
    std::optional<std::string> reason = open("http://ranking.test/");
    ASSERT_TRUE(reason);
    EXPECT_NE(reason->find("3"), std::string::npos) << *reason;

    stand_in("exit 0\n");
    EXPECT_EQ(open("http://ranking.test/", 1000), std::nullopt);

    stand_in("");  // no xdg-open at all
    reason = open("http://ranking.test/");
    ASSERT_TRUE(reason);
    EXPECT_NE(reason->find("xdg-open"), std::string::npos) << *reason;
}

}  // namespace
}  // namespace kelvora
