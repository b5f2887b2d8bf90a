#pragma once
// The deterministic platform for tests: a virtual clock that only moves while events are run,
// scripted input at given times, a play timer that ticks on that clock, and fakes that record
// what the game asked for (sounds, texts, pages, HTTP requests).

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/platform.hpp"

namespace kelvora {

// Thrown by the headless end_program: the program has ended with this status.
struct ProgramEnded {
    int status;
};

class HeadlessPlatform : public EventLoop, public PlayTimer, public Window {
public:
    void set_input_handler(InputHandler* handler) { handler_ = handler; }

    // EventLoop
    double clock_seconds() const override { return now_; }
    void process_events() override;
    void run_events_until(double deadline) override;

    // PlayTimer
    void set_interval(int milliseconds) override;
    int interval() const override { return interval_ms_; }
    void set_enabled(bool enabled) override;
    bool enabled() const override { return timer_enabled_; }

    // Window
    void set_picture(const Bitmap* work_image) override { picture_ = work_image; }
    void show() override { shown_ = true; }
    void refresh() override;
    void refresh(const std::vector<Rect>& changed) override {
        ++refresh_count_;
        refreshed_ = changed;
        if (on_refresh) on_refresh();
    }
    void show_error(const std::string& message) override { errors_.push_back(message); }
    void show_message(const std::string& message) override { messages_.push_back(message); }
    // Modal: runs the script (and ticks, if the timer is on) until a scripted close_version_at;
    // input meant for the game window meanwhile is dropped, as a modal window blocks it. With
    // nothing more scripted, the window is closed at once.
    void show_version(const Bitmap& background) override;
    // Records the lines and the name; presses send once for each `send_presses` entry (the index
    // and name to send) and keeps the messages, then closes.
    void show_send_window(const std::vector<std::string>& replays, const std::string& name,
                          const SendReplay& send) override;
    std::vector<std::string> send_window_lines;
    std::string send_window_name;
    std::vector<std::pair<std::size_t, std::string>> send_presses;
    std::vector<SendResult> send_results;
    // Records the status and throws ProgramEnded, so that a test's program stops where the real
    // one would exit.
    [[noreturn]] void end_program(int status) override;

    // Scripting: an input delivered when the virtual clock reaches `time`.
    void at(double time, std::function<void(InputHandler&)> event);
    void press_at(double time, MouseButton button, double x, double y);
    void move_at(double time, double x, double y);
    void key_down_at(double time, int key_code);
    void key_press_at(double time, int char_code);
    void menu_at(double time, MenuCommand command);
    // Closes the version window, if it is open at `time` (a click on its picture, or its close box).
    void close_version_at(double time);
    // Runs events (and ticks) for `seconds` of virtual time.
    void run_for(double seconds) { run_events_until(now_ + seconds); }

    // Called on every refresh, so a test can look at each frame the moment it is shown.
    std::function<void()> on_refresh;
    // Called after every tick, shown or not (a tick that changes nothing presents nothing).
    std::function<void()> after_tick;

    // What the game did
    const Bitmap* picture() const { return picture_; }
    bool shown() const { return shown_; }
    int refresh_count() const { return refresh_count_; }
    // The parts the last refresh put on the screen (the whole picture for a plain refresh).
    const std::vector<Rect>& refreshed() const { return refreshed_; }
    const std::vector<std::string>& errors() const { return errors_; }
    const std::vector<std::string>& messages() const { return messages_; }
    int version_shown() const { return version_shown_; }  // how often the version window opened
    bool version_open() const { return version_open_; }
    const Bitmap& version_background() const { return version_background_; }  // the last one shown
    bool ended() const { return ended_; }
    int exit_status() const { return exit_status_; }
    int ticks_run() const { return ticks_run_; }

private:
    // Either input for the game window (held off while a modal window is open) or an action
    // on the platform's own windows.
    struct Scripted {
        std::function<void(InputHandler&)> input;
        std::function<void()> action;
    };
    bool deliver_next(double limit);

    InputHandler* handler_ = nullptr;
    double now_ = 0.0;
    std::multimap<double, Scripted> script_;
    int interval_ms_ = 0;
    bool timer_enabled_ = true;
    double next_tick_ = 0.0;
    bool in_tick_ = false;
    int ticks_run_ = 0;
    const Bitmap* picture_ = nullptr;
    bool shown_ = false;
    int refresh_count_ = 0;
    std::vector<Rect> refreshed_;
    std::vector<std::string> errors_;
    std::vector<std::string> messages_;
    int version_shown_ = 0;
    bool version_open_ = false;
    Bitmap version_background_;
    bool ended_ = false;
    int exit_status_ = 0;
};

// Records the sound calls by file name: "wave po.wav", "open kelvora1.mid", "play", "rewind",
// "close". A tune plays until the test says it has ended.
class RecordingSound : public SoundDevice {
public:
    void play_wave(const std::string& path) override;
    bool open_tune(const std::string& path) override;
    void play_tune() override;
    void rewind_tune() override;
    void close_tune() override;
    bool tune_open() const override { return open_; }
    bool tune_playing() const override { return open_ && playing_; }

    void end_tune() { playing_ = false; }   // the tune's last note has played
    void set_missing(bool missing) { missing_ = missing; }  // every open fails
    std::vector<std::string> waves() const;  // the wave file names, in order
    std::vector<std::string> calls;

private:
    bool open_ = false, playing_ = false, missing_ = false;
};

// Records every text drawn, and draws nothing.
class RecordingText : public TextRenderer {
public:
    struct Call {
        const Surface* surface;
        Font font;
        Colour colour;
        Rect rect;
        unsigned format;
        std::string text;
    };
    void draw_text(Surface& surface, const Font& font, Colour colour, const Rect& rect, unsigned format,
                   std::string_view utf8) override;
    std::vector<Call> calls;
};

// Answers every GET with `reply` and every POST with `post_reply`, and records the URLs asked
// for and the bodies posted.
class FakeHttp : public HttpClient {
public:
    std::optional<std::string> get(const std::string& url) override {
        urls.push_back(url);
        return reply;
    }
    std::optional<HttpReply> post(const std::string& url, const std::string& body, const std::string&) override {
        urls.push_back(url);
        posted.push_back(body);
        return post_reply;
    }
    std::optional<std::string> reply;
    std::optional<HttpReply> post_reply;
    std::vector<std::string> urls;
    std::vector<std::string> posted;
};

// Records every page asked for; with `failure` set, each open fails at once with that reason.
class RecordingBrowser : public Browser {
public:
    void open(const std::string& target, Failure failed) override {
        opened.push_back(target);
        if (failure && failed) failed(*failure);
    }
    std::vector<std::string> opened;
    std::optional<std::string> failure;
};

// All headless services together, ready to build an App from.
struct HeadlessServices {
    HeadlessPlatform platform;
    RecordingSound sound;
    RecordingText text;
    FakeHttp http;
    RecordingBrowser browser;
};

}  // namespace kelvora
