#pragma once
// Opens pages in the user's web browser through xdg-open.

#include "platform/platform.hpp"

namespace kelvora {

class QtBrowser : public Browser {
public:
    // Without a desktop session xdg-open runs the browser in the foreground, so it is started
    // detached; the target goes as one argument, never through a shell.
    void open(const std::string& target) override;
};

}  // namespace kelvora
