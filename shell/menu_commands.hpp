#pragma once
// The menu bar's two web commands: the help page beside the program and the home page.

#include <string>

namespace kelvora {

struct App;

// The home page: the ranking server's top page, where players read the net ranking and enter
// their official results. The server is the one the net ranking is downloaded from.
std::string home_page_address();

// Opens `target` in the user's browser; when that fails, a message box names the page and says
// why.
void open_browser(App& app, const std::string& target);

// open_help_Click: app_dir + "help.html".
void open_help(App& app);

// homepage_Click.
void open_home_page(App& app);

}  // namespace kelvora
