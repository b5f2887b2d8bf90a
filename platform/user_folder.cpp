#include "platform/user_folder.hpp"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

namespace kelvora {
namespace {

bool absolute(const char* path) { return path != nullptr && path[0] == '/'; }

std::string normal_folder(const std::string& folder) {
    std::string normal = std::filesystem::path(folder).lexically_normal().string();
    if (normal.empty() || normal.back() != '/') normal.push_back('/');
    return normal;
}

}  // namespace

std::string user_folder(const char* xdg_variable, const char* under_home) {
    const char* base = std::getenv(xdg_variable);
    if (absolute(base)) return normal_folder(std::string(base) + "/kelvora/");
    const char* home = std::getenv("HOME");
    if (!absolute(home)) {
        const passwd* account = ::getpwuid(::getuid());
        home = account != nullptr ? account->pw_dir : nullptr;
    }
    if (!absolute(home)) return "";
    return normal_folder(std::string(home) + "/" + under_home + "/kelvora/");
}

}  // namespace kelvora
