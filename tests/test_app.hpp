#pragma once
// A game on the headless platform, for tests: its own state, pictures and fakes.

#include <memory>
#include <string>

#include "core/app.hpp"
#include "platform/headless/headless.hpp"

namespace kelvora::testing {

struct TestApp {
    TestApp() = default;
    TestApp(const TestApp&) = delete;
    TestApp& operator=(const TestApp&) = delete;
    ~TestApp();

    HeadlessServices fakes;
    App app{Services{fakes.platform, fakes.platform, fakes.platform, fakes.text, fakes.sound, fakes.http,
                     fakes.browser}};
    GameState& state = app.state;
    HeadlessPlatform& platform = fakes.platform;
    RecordingSound& sound = fakes.sound;
    std::string owned_dir;  // a temporary app_dir and data_dir made for this game, removed with it
};

// A headless game with every picture loaded from the committed assets, buffer and work_image
// made, and app_dir and data_dir set to `dir` (a temporary folder of the test's, ending in "/").
std::unique_ptr<TestApp> make_test_app(const std::string& dir = "");

// A fresh empty temporary folder, ending in "/".
std::string make_temp_dir();

}  // namespace kelvora::testing
