// The Qt event loop and play timer: waits that sleep yet deliver, ticks that never nest.
// This file also holds the main of the Qt tests, which need a QApplication.

#include <cstdlib>
#include <ctime>

#include <gtest/gtest.h>
#include <QApplication>
#include <QMetaObject>
#include <QTimer>

#include "platform/qt/qt_platform.hpp"
#include "qt/recording_handler.hpp"

namespace kelvora {
namespace {

double process_cpu_seconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

class QtPlatformTest : public ::testing::Test {
protected:
    QtPlatformTest() { platform.set_input_handler(&handler); }
    void wait(double seconds) { platform.run_events_until(platform.clock_seconds() + seconds); }

    QtPlatform platform;
    testing::RecordingHandler handler;
};

TEST_F(QtPlatformTest, WaitDeliversEventsAndSleepsUntilTheDeadline) {
    bool posted = false, timed = false;
    QMetaObject::invokeMethod(qApp, [&] { posted = true; }, Qt::QueuedConnection);
    QTimer::singleShot(100, qApp, [&] { timed = true; });
    double cpu_before = process_cpu_seconds();
    double deadline = platform.clock_seconds() + 0.5;
    platform.run_events_until(deadline);
    double now = platform.clock_seconds();
    double cpu_used = process_cpu_seconds() - cpu_before;

    EXPECT_TRUE(posted);
    EXPECT_TRUE(timed);
    EXPECT_GE(now, deadline);
    EXPECT_LT(now, deadline + 0.25);
    // A sanity bound: a wait that spins on the event queue burns the whole half second.
    EXPECT_LT(cpu_used, 0.1);
}

TEST_F(QtPlatformTest, WaitWithAPassedDeadlineRunsNothing) {
    bool posted = false;
    QMetaObject::invokeMethod(qApp, [&] { posted = true; }, Qt::QueuedConnection);
    platform.run_events_until(platform.clock_seconds() - 1.0);
    EXPECT_FALSE(posted);
    platform.process_events();
    EXPECT_TRUE(posted);
}

TEST_F(QtPlatformTest, TimerTicksAtItsIntervalAndStopsWhenDisabled) {
    EXPECT_TRUE(platform.enabled());
    platform.set_interval(50);
    EXPECT_EQ(platform.interval(), 50);
    wait(0.52);
    // Ten ticks on an idle machine; a loaded one may drop a few, never add any.
    EXPECT_GE(handler.ticks, 5);
    EXPECT_LE(handler.ticks, 10);

    platform.set_enabled(false);
    EXPECT_FALSE(platform.enabled());
    int ticks = handler.ticks;
    wait(0.2);
    EXPECT_EQ(handler.ticks, ticks);
}

TEST_F(QtPlatformTest, IntervalZeroNeverTicksEvenWhileEnabled) {
    platform.set_interval(0);
    platform.set_enabled(true);
    wait(0.1);
    EXPECT_EQ(handler.ticks, 0);
}

TEST_F(QtPlatformTest, ATickThatWaitsIsNeverReentered) {
    int depth = 0, deepest = 0;
    handler.on_tick = [&] {
        ++depth;
        deepest = std::max(deepest, depth);
        wait(0.1);  // five intervals of the timer pass inside this tick
        --depth;
    };
    platform.set_interval(20);
    wait(0.5);
    EXPECT_GE(handler.ticks, 2);
    EXPECT_EQ(deepest, 1);
}

TEST_F(QtPlatformTest, EnablingARunningTimerDoesNotRestartIt) {
    platform.set_interval(300);
    wait(0.15);
    platform.set_enabled(true);
    // The first tick is due 0.3 s after the interval was set; a restart would move it to 0.45 s.
    wait(0.25);
    EXPECT_EQ(handler.ticks, 1);
}

TEST_F(QtPlatformTest, ANewIntervalTakesEffect) {
    platform.set_interval(1000);
    wait(0.05);
    platform.set_interval(30);
    wait(0.35);
    EXPECT_GE(handler.ticks, 5);
}

TEST_F(QtPlatformTest, AFatalErrorStopsTheTicks) {
    platform.set_interval(20);
    platform.show_error("test error, please ignore");
    wait(0.1);
    EXPECT_EQ(handler.ticks, 0);
}

}  // namespace
}  // namespace kelvora

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    setenv("QT_XCB_GL_INTEGRATION", "none", 0);
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
