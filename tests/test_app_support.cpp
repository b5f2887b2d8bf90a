#include "test_app.hpp"

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

#include "core/picture_store.hpp"

namespace kelvora::testing {

std::unique_ptr<TestApp> make_test_app(const std::string& dir) {
    auto test = std::make_unique<TestApp>();
    std::string error = load_pictures(test->app.pictures, KELVORA_ASSET_DIR);
    if (!error.empty()) throw std::runtime_error(error);
    if (dir.empty()) test->owned_dir = make_temp_dir();
    test->app.app_dir = dir.empty() ? test->owned_dir : dir;
    test->app.data_dir = test->app.app_dir;
    test->platform.set_picture(&test->app.pictures.work_image.bitmap);
    // Games in tests rain the same on every run: seeds 1, 2, 3, ...
    test->app.next_seed = [seed = std::uint64_t(0)]() mutable { return ++seed; };
    return test;
}

TestApp::~TestApp() {
    if (owned_dir.empty()) return;
    std::error_code ignored;
    std::filesystem::remove_all(owned_dir, ignored);
}

std::string make_temp_dir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "kelvora-test-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot make a temporary folder");
    return pattern + "/";
}

}  // namespace kelvora::testing
