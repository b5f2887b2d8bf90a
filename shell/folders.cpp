#include "shell/folders.hpp"

#include <unistd.h>

#include <filesystem>

#include "core/picture_store.hpp"
#include "platform/user_folder.hpp"

namespace kelvora {

const char* const installed_asset_dir = KELVORA_INSTALLED_ASSET_DIR;
const char* const installed_module_dir = KELVORA_INSTALLED_MODULE_DIR;

namespace {

namespace fs = std::filesystem;

// "/usr/bin/../share/kelvora/" reads better as "/usr/share/kelvora/" in messages.
std::string normal_folder(const std::string& folder) {
    std::string normal = fs::path(folder).lexically_normal().string();
    if (normal.empty() || normal.back() != '/') normal.push_back('/');
    return normal;
}

bool holds_assets(const std::string& folder) {
    std::error_code error;
    return fs::is_regular_file(folder + picture_files()[0].file_name, error);
}

}  // namespace

std::string user_data_dir() { return user_folder("XDG_DATA_HOME", ".local/share"); }

ProgramFolders find_program_folders(const std::string& exe_dir) {
    const bool beside = holds_assets(exe_dir);
    const bool installed = !beside && holds_assets(exe_dir + installed_asset_dir);
    ProgramFolders folders;
    folders.app_dir = installed ? normal_folder(exe_dir + installed_asset_dir) : exe_dir;
    folders.module_dir = installed ? normal_folder(exe_dir + installed_module_dir) : exe_dir;
    // Changed: rank files were always written beside the program, which fails for every player
    // of an installed game; a folder that cannot be written sends them to the player's own.
    const bool writable = ::access(exe_dir.c_str(), W_OK) == 0;
    folders.data_dir = !installed && writable ? exe_dir : user_data_dir();
    return folders;
}

bool make_folder(const std::string& folder, std::string& error) {
    std::error_code failure;
    fs::create_directories(folder, failure);
    if (fs::is_directory(folder)) return true;
    error = failure ? failure.message() : "not a folder";
    return false;
}

}  // namespace kelvora
