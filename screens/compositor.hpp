#pragma once
// Composes the screen of the current screen_state into buffer and shows it with one copy.

namespace kelvora {

struct App;

// Composes the current screen into buffer and copies it to work_image; states without a
// screen (busy, story) touch nothing.
void draw_screen(App& app);

// Copies buffer (500 x 500) to work_image at (0, 0) and puts the parts that changed on the
// screen.
void present_buffer(App& app);

}  // namespace kelvora
