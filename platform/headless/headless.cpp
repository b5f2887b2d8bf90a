#include "platform/headless/headless.hpp"

#include <algorithm>
#include <limits>

namespace kelvora {

namespace {
std::string base_name(const std::string& path) {
    auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}
}  // namespace

void HeadlessPlatform::process_events() { deliver_next(now_); }

void HeadlessPlatform::run_events_until(double deadline) {
    while (!ended_ && deliver_next(deadline)) {
    }
    // Once the program has ended nothing more is delivered, but time still passes, so that a
    // wait in the code that ended it returns.
    now_ = std::max(now_, deadline);
}

// Delivers every scripted event and tick due at or before `limit`, one at a time and in time
// order, advancing the clock to each. Returns false when nothing more is due.
bool HeadlessPlatform::deliver_next(double limit) {
    bool delivered = false;
    for (;;) {
        if (ended_) return delivered;
        double next_event = script_.empty() ? std::numeric_limits<double>::infinity() : script_.begin()->first;
        bool tick_due = timer_enabled_ && interval_ms_ > 0;
        double tick_time = tick_due ? next_tick_ : std::numeric_limits<double>::infinity();
        double next = std::min(next_event, tick_time);
        if (next > limit) return delivered;
        now_ = std::max(now_, next);
        if (next_event <= tick_time) {
            Scripted event = std::move(script_.begin()->second);
            script_.erase(script_.begin());
            if (event.action)
                event.action();
            else if (handler_ && !version_open_)
                event.input(*handler_);
        } else {
            next_tick_ = now_ + interval_ms_ / 1000.0;
            // Like a Qt timer, a tick never starts while the previous one is still running.
            if (!in_tick_ && handler_) {
                in_tick_ = true;
                ++ticks_run_;
                handler_->timer_tick();
                in_tick_ = false;
                if (after_tick) after_tick();
            }
        }
        delivered = true;
    }
}

void HeadlessPlatform::refresh() {
    ++refresh_count_;
    refreshed_.clear();
    if (picture_) refreshed_.push_back(Rect{0, 0, picture_->width(), picture_->height()});
    if (on_refresh) on_refresh();
}

void HeadlessPlatform::set_interval(int milliseconds) {
    interval_ms_ = milliseconds;
    next_tick_ = now_ + milliseconds / 1000.0;
}

void HeadlessPlatform::set_enabled(bool enabled) {
    if (enabled && !timer_enabled_) next_tick_ = now_ + interval_ms_ / 1000.0;
    timer_enabled_ = enabled;
}

void HeadlessPlatform::end_program(int status) {
    if (!ended_) exit_status_ = status;
    ended_ = true;
    throw ProgramEnded{exit_status_};
}

void HeadlessPlatform::show_send_window(const std::vector<std::string>& replays, const std::string& name,
                                        const SendReplay& send) {
    send_window_lines = replays;
    send_window_name = name;
    for (const auto& [index, typed] : send_presses)
        if (index < replays.size()) send_results.push_back(send(index, typed));
    send_presses.clear();
}

void HeadlessPlatform::show_version(const Bitmap& background) {
    version_background_ = background;
    ++version_shown_;
    version_open_ = true;
    while (version_open_ && !ended_ && !script_.empty()) deliver_next(script_.begin()->first);
    version_open_ = false;
}

void HeadlessPlatform::at(double time, std::function<void(InputHandler&)> event) {
    script_.emplace(time, Scripted{std::move(event), {}});
}

void HeadlessPlatform::close_version_at(double time) {
    script_.emplace(time, Scripted{{}, [this] { version_open_ = false; }});
}

void HeadlessPlatform::press_at(double time, MouseButton button, double x, double y) {
    at(time, [=](InputHandler& h) { h.pointer_press(button, x, y); });
}

void HeadlessPlatform::move_at(double time, double x, double y) {
    at(time, [=](InputHandler& h) { h.pointer_move(x, y); });
}

void HeadlessPlatform::key_down_at(double time, int key_code) {
    at(time, [=](InputHandler& h) { h.key_down(key_code); });
}

void HeadlessPlatform::key_press_at(double time, int char_code) {
    at(time, [=](InputHandler& h) { h.key_press(char_code); });
}

void HeadlessPlatform::menu_at(double time, MenuCommand command) {
    at(time, [=](InputHandler& h) { h.menu_command(command); });
}

void RecordingSound::play_wave(const std::string& path) { calls.push_back("wave " + base_name(path)); }

bool RecordingSound::open_tune(const std::string& path) {
    close_tune();
    calls.push_back("open " + base_name(path));
    open_ = !missing_ && !base_name(path).empty();
    playing_ = false;
    return open_;
}

void RecordingSound::play_tune() {
    calls.push_back("play");
    if (open_) playing_ = true;
}

void RecordingSound::rewind_tune() { calls.push_back("rewind"); }

void RecordingSound::close_tune() {
    calls.push_back("close");
    open_ = false;
    playing_ = false;
}

std::vector<std::string> RecordingSound::waves() const {
    std::vector<std::string> names;
    for (const auto& call : calls)
        if (call.rfind("wave ", 0) == 0) names.push_back(call.substr(5));
    return names;
}

void RecordingText::draw_text(Surface& surface, const Font& font, Colour colour, const Rect& rect,
                              unsigned format, std::string_view utf8) {
    calls.push_back({&surface, font, colour, rect, format, std::string(utf8)});
}

}  // namespace kelvora
