#pragma once
// Where the ranking server is: the player may point the game at another one.

#include <string>

namespace kelvora {

inline constexpr const char* default_ranking_server = "http://127.0.0.1:8470";

// KELVORA_RANKING_SERVER, else ranking_server= in $XDG_CONFIG_HOME/kelvora/kelvora.conf (else
// ~/.config/kelvora/kelvora.conf), else http://127.0.0.1:8470.
std::string ranking_server_address();

// The value of the last "ranking_server=" line of a configuration file; empty when the file or
// the line is missing.
std::string ranking_server_in_config(const std::string& config_path);

}  // namespace kelvora
