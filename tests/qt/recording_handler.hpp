#pragma once
// An input handler for the Qt backend's tests: records every input as a line of text.

#include <functional>
#include <string>
#include <vector>

#include "platform/platform.hpp"

namespace kelvora::testing {

class RecordingHandler : public InputHandler {
public:
    void pointer_move(double x, double y) override { log("move", x, y); }
    void pointer_press(MouseButton button, double x, double y) override {
        log("press" + std::to_string(int(button)), x, y);
    }
    void key_down(int key_code) override { inputs.push_back("down " + std::to_string(key_code)); }
    void key_press(int char_code) override { inputs.push_back("press " + std::to_string(char_code)); }
    void timer_tick() override {
        ++ticks;
        if (on_tick) on_tick();
    }
    void menu_command(MenuCommand command) override { inputs.push_back("menu " + std::to_string(int(command))); }
    void window_closed() override { inputs.push_back("closed"); }

    std::vector<std::string> inputs;
    int ticks = 0;
    std::function<void()> on_tick;

private:
    void log(const std::string& what, double x, double y) {
        inputs.push_back(what + " " + std::to_string(int(x)) + "," + std::to_string(int(y)));
    }
};

}  // namespace kelvora::testing
