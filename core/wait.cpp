#include "core/wait.hpp"

#include "core/app.hpp"

namespace kelvora {

// Changed: a monotonic clock, so a wait across midnight (when the clock of seconds since
// midnight restarted) still ends.
void wait_seconds(App& app, float seconds) {
    if (!(seconds > 0.0f)) return;
    EventLoop& events = app.platform.events;
    const double deadline = events.clock_seconds() + double(seconds);
    while (events.clock_seconds() < deadline) events.run_events_until(deadline);
}

}  // namespace kelvora
