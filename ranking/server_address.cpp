#include "ranking/server_address.hpp"

#include <cstdlib>
#include <fstream>
#include <string_view>

namespace kelvora {
namespace {

std::string_view trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::string(trimmed(value)) : std::string();
}

// $XDG_CONFIG_HOME/kelvora/kelvora.conf; a relative XDG_CONFIG_HOME is ignored, as the
// convention asks, in favour of ~/.config.
std::string config_path() {
    std::string base = environment("XDG_CONFIG_HOME");
    if (base.empty() || base.front() != '/') {
        const std::string home = environment("HOME");
        if (home.empty()) return {};
        base = home + "/.config";
    }
    return base + "/kelvora/kelvora.conf";
}

}  // namespace

std::string ranking_server_in_config(const std::string& config_path) {
    std::ifstream file(config_path);
    std::string value, line;
    while (std::getline(file, line)) {
        std::string_view text = trimmed(line);
        const auto equals = text.find('=');
        if (text.empty() || text.front() == '#' || equals == std::string_view::npos) continue;
        if (trimmed(text.substr(0, equals)) == "ranking_server") value = trimmed(text.substr(equals + 1));
    }
    return value;
}

std::string ranking_server_address() {
    if (std::string address = environment("KELVORA_RANKING_SERVER"); !address.empty()) return address;
    if (const std::string path = config_path(); !path.empty())
        if (std::string address = ranking_server_in_config(path); !address.empty()) return address;
    return default_ranking_server;
}

}  // namespace kelvora
