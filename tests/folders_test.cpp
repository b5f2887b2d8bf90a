#include "shell/folders.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>

#include "core/picture_store.hpp"
#include "test_app.hpp"

namespace kelvora {
namespace {

namespace fs = std::filesystem;

// Sets environment variables for one test and restores them after it.
class Environment {
public:
    void set(const char* name, const char* value) {
        const char* old = std::getenv(name);
        saved_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
        value ? ::setenv(name, value, 1) : ::unsetenv(name);
    }
    ~Environment() {
        for (auto it = saved_.rbegin(); it != saved_.rend(); ++it)
            it->second ? ::setenv(it->first, it->second->c_str(), 1) : ::unsetenv(it->first);
    }

private:
    std::vector<std::pair<const char*, std::optional<std::string>>> saved_;
};

void put_pictures(const std::string& folder) {
    fs::create_directories(folder);
    std::ofstream(folder + picture_files()[0].file_name) << "BM";
}

TEST(ProgramFolders, BesideTheProgramOrInstalled) {
    const std::string dir = testing::make_temp_dir();
    Environment env;
    env.set("XDG_DATA_HOME", (dir + "xdg").c_str());

    // The build folder or an unpacked copy: everything beside the program.
    put_pictures(dir + "copy/");
    ProgramFolders copy = find_program_folders(dir + "copy/");
    EXPECT_EQ(copy.app_dir, dir + "copy/");
    EXPECT_EQ(copy.data_dir, dir + "copy/");
    EXPECT_EQ(copy.module_dir, dir + "copy/");

    // An installed prefix, wherever it was put: pictures and modules relative to bin/, rank
    // files in the player's data folder.
    const std::string bin = dir + "prefix/bin/";
    fs::create_directories(bin);
    put_pictures(bin + installed_asset_dir);
    fs::create_directories(bin + installed_module_dir);
    ProgramFolders installed = find_program_folders(bin);
    EXPECT_EQ(installed.app_dir, fs::weakly_canonical(bin + installed_asset_dir).string() + "/");
    EXPECT_EQ(installed.module_dir, fs::weakly_canonical(bin + installed_module_dir).string() + "/");
    EXPECT_EQ(installed.app_dir.find(".."), std::string::npos);
    EXPECT_EQ(installed.data_dir, dir + "xdg/kelvora/");

    // A folder with no pictures anywhere keeps the program's folder, so the missing picture is
    // reported there.
    fs::create_directories(dir + "empty/");
    EXPECT_EQ(find_program_folders(dir + "empty/").app_dir, dir + "empty/");
    fs::remove_all(dir);
}

TEST(ProgramFolders, PlayersDataFolder) {
    Environment env;
    env.set("XDG_DATA_HOME", "/data/ann/");
    env.set("HOME", "/home/ann");
    EXPECT_EQ(user_data_dir(), "/data/ann/kelvora/");
    env.set("XDG_DATA_HOME", "relative/share");  // not absolute: ignored, as XDG says
    EXPECT_EQ(user_data_dir(), "/home/ann/.local/share/kelvora/");
    env.set("XDG_DATA_HOME", nullptr);
    env.set("HOME", "");
    // The account's home folder, which every account on a normal system has.
    EXPECT_EQ(user_data_dir().rfind("/"), user_data_dir().size() - 1);
    EXPECT_NE(user_data_dir().find("/.local/share/kelvora/"), std::string::npos);
}

}  // namespace
}  // namespace kelvora
