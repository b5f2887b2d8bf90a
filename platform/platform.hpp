#pragma once
// The narrow interfaces the game calls for time, events, the window, text, sound, HTTP and the
// browser. Backends: platform/qt, platform/sdl, platform/curl (the real program) and
// platform/headless (tests). A backend is chosen once, in main, and handed down.

#include <compare>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/raster.hpp"

namespace kelvora {

// Mouse buttons, with the values of the original button argument.
enum class MouseButton { left = 1, right = 2, middle = 4 };

// The five commands of the menu bar, left to right.
enum class MenuCommand { ending, form_back, varsion, open_help, homepage, send_replays };

// What the window and the play timer deliver to the game. Handlers run one at a time on the one
// thread, and may run inside another handler's wait.
class InputHandler {
public:
    virtual ~InputHandler() = default;
    virtual void pointer_move(double x, double y) = 0;
    virtual void pointer_press(MouseButton button, double x, double y) = 0;
    virtual void key_down(int key_code) = 0;    // virtual key code: Esc 27, backspace 8, ...
    virtual void key_press(int char_code) = 0;  // the typed character's code
    virtual void timer_tick() = 0;               // one event of the play timer `thread`
    virtual void menu_command(MenuCommand command) = 0;
    virtual void window_closed() = 0;            // the close box
};

// Time and the event pump.
class EventLoop {
public:
    virtual ~EventLoop() = default;
    // Monotonic seconds since an arbitrary start; never jumps back, never restarts at midnight.
    virtual double clock_seconds() const = 0;
    // Runs every event that is pending now and returns without waiting.
    virtual void process_events() = 0;
    // Sleeps until clock_seconds() >= deadline, delivering events (and timer ticks) meanwhile.
    virtual void run_events_until(double deadline) = 0;
};

// The play timer `thread`. Its ticks are delivered to InputHandler::timer_tick; a tick never
// starts while the previous tick is still running.
class PlayTimer {
public:
    virtual ~PlayTimer() = default;
    virtual void set_interval(int milliseconds) = 0;
    virtual int interval() const = 0;
    virtual void set_enabled(bool enabled) = 0;
    virtual bool enabled() const = 0;
};

// A rectangle as the system passes it: right and bottom are exclusive.
struct Rect {
    int left = 0, top = 0, right = 0, bottom = 0;
};

// The game window `Main_form` with its picture area `work_image`.
class Window {
public:
    virtual ~Window() = default;
    // The picture the window shows; it stays owned by the caller and must outlive the window.
    virtual void set_picture(const Bitmap* work_image) = 0;
    // Shows the window (centred, fixed size, 500 x 500 client area).
    virtual void show() = 0;
    // Puts the current pixels of the picture on the screen.
    virtual void refresh() = 0;
    // Puts the current pixels of these parts of the picture on the screen; the rest is unchanged.
    virtual void refresh(const std::vector<Rect>& changed) = 0;
    // Reports a fatal error: a message box (where there is a screen) and a line on stderr.
    virtual void show_error(const std::string& message) = 0;
    // Tells the player something in a small message box that does not hold up the game.
    virtual void show_message(const std::string& message) = 0;
    // `Versionform`: shows the version window modally over a 308 x 187 client-sized picture
    // (32 bits) and returns once it has been closed, by a click on its picture or by any other
    // route its frame offers. The game window takes no input meanwhile.
    virtual void show_version(const Bitmap& background) = 0;
    // The send window, modal like the version window: the unsent replays (one line each, the
    // first chosen), the player's name, a send button. A press calls `send` with the chosen
    // line's index and the name as typed; the window shows the line it returns, and drops the
    // replay from its list when `send` says it is done with it.
    struct SendResult {
        std::string message;
        bool done = false;
    };
    using SendReplay = std::function<SendResult(std::size_t index, const std::string& name)>;
    virtual void show_send_window(const std::vector<std::string>& replays, const std::string& name,
                                  const SendReplay& send) = 0;
    // Ends the program at once with this exit status; it never returns, and no further handler
    // runs.
    [[noreturn]] virtual void end_program(int status) = 0;
};

// A font by pixel height and character set (0 ANSI, 128 Shift-JIS).
struct Font {
    int height = 0;
    int charset = 0;
    friend auto operator<=>(const Font&, const Font&) = default;
};

// Text formats, with the values of the DrawText flags of the same names.
namespace text_format {
inline constexpr unsigned left = 0x00;
inline constexpr unsigned top = 0x00;
inline constexpr unsigned center = 0x01;
inline constexpr unsigned right = 0x02;
inline constexpr unsigned vcenter = 0x04;
inline constexpr unsigned bottom = 0x08;
inline constexpr unsigned wordbreak = 0x10;
inline constexpr unsigned singleline = 0x20;
}  // namespace text_format

// Text drawing: glyphs only, onto the surface's own pixels, clipped to the rectangle. A carriage
// return alone breaks the line. `utf8` is UTF-8; callers convert code page 932 texts first.
class TextRenderer {
public:
    virtual ~TextRenderer() = default;
    virtual void draw_text(Surface& surface, const Font& font, Colour colour, const Rect& rect,
                           unsigned format, std::string_view utf8) = 0;
};

// Wave sounds and the one background tune. Every failure is silent: no device, a missing or a
// broken file simply plays nothing.
class SoundDevice {
public:
    virtual ~SoundDevice() = default;
    // Plays a wave file asynchronously; it cuts off the wave still playing.
    virtual void play_wave(const std::string& path) = 0;
    // Closes the open tune, then opens this one; false when it cannot be opened.
    virtual bool open_tune(const std::string& path) = 0;
    // Plays the open tune from where it stands.
    virtual void play_tune() = 0;
    // Rewinds the open tune to its first note.
    virtual void rewind_tune() = 0;
    // Stops and closes the open tune, if any.
    virtual void close_tune() = 0;
    virtual bool tune_open() const = 0;
    // False from the moment the tune's last event has played.
    virtual bool tune_playing() const = 0;
};

// One HTTP GET; the body's bytes, or nothing on any failure.
struct HttpReply {
    long status = 0;
    std::string body;
};

class HttpClient {
public:
    virtual ~HttpClient() = default;
    virtual std::optional<std::string> get(const std::string& url) = 0;
    // Sends `body` with its type and returns the server's status and body; nothing when no
    // answer came (no connection, a timeout, a reply over the size limit).
    virtual std::optional<HttpReply> post(const std::string& url, const std::string& body,
                                          const std::string& content_type) = 0;
};

// Opens a file or an address in the user's web browser, and returns at once. When it cannot be
// opened, now or once the launcher has given up, `failed` is called with the reason.
class Browser {
public:
    using Failure = std::function<void(const std::string& reason)>;
    virtual ~Browser() = default;
    virtual void open(const std::string& target, Failure failed) = 0;
};

}  // namespace kelvora
