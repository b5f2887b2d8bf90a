#pragma once
// The game's side of the window: every input, tick and menu command, dispatched on screen_state.

#include "platform/platform.hpp"

namespace kelvora {

struct App;

class GameInput : public InputHandler {
public:
    explicit GameInput(App& app) : app_(app) {}
    void pointer_move(double x, double y) override;
    void pointer_press(MouseButton button, double x, double y) override;
    void key_down(int key_code) override;
    void key_press(int char_code) override;
    void timer_tick() override;
    void menu_command(MenuCommand command) override;
    void window_closed() override;

private:
    App& app_;
};

}  // namespace kelvora
