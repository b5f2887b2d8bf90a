#pragma once
// The player's own folders after the XDG base directory rules, for what the game keeps per player.

#include <string>

namespace kelvora {

// $<xdg_variable>/kelvora/, else $HOME/<under_home>/kelvora/, else the same under the home folder
// of the account; a relative value of the variable is ignored, as XDG says. Ends in a separator;
// empty when no absolute folder is found.
std::string user_folder(const char* xdg_variable, const char* under_home);

}  // namespace kelvora
