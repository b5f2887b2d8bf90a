#pragma once
// Opens pages in the user's web browser through xdg-open.

#include "platform/platform.hpp"

namespace kelvora {

class QtBrowser : public Browser {
public:
    // The target goes to xdg-open as one argument, never through a shell. xdg-open runs in a
    // session of its own, so it outlives the game, and is never waited for: without a desktop
    // session it runs the browser in the foreground. A start that fails, and xdg-open's own
    // failure statuses when it ends, are passed to `failed`.
    void open(const std::string& target, Failure failed) override;
};

// The reason for xdg-open's exit status, or an empty string for a status that is no failure of
// xdg-open's own (0, or what a browser it ran in the foreground returned).
std::string xdg_open_failure(int exit_status);

}  // namespace kelvora
