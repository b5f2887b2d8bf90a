// The backends as the program uses them: loaded from their modules beside the program.
#include <gtest/gtest.h>

#include "platform/deferred.hpp"
#include "platform/module_entry.hpp"

namespace kelvora {
namespace {

const std::string app_dir = KELVORA_APP_DIR;

TEST(DeferredBackends, AMissingModuleLeavesTheGameSilentAndOffline) {
    DeferredSound sound(app_dir + "no_such_module.so");
    sound.start_in_background();
    sound.play_wave(app_dir + "po.wav");
    EXPECT_FALSE(sound.open_tune(app_dir + "kelvora1.mid"));
    sound.play_tune();
    EXPECT_FALSE(sound.tune_open());
    EXPECT_FALSE(sound.tune_playing());
    sound.close_tune();

    DeferredHttp http(app_dir + "no_such_module.so");
    EXPECT_FALSE(http.get("http://127.0.0.1:9/").has_value());
}

TEST(DeferredBackends, TheSoundModuleLoadsInTheBackgroundOrOnFirstUse) {
    // With the dummy driver there is a device, so the game's own tune opens and plays.
    DeferredSound background(app_dir + sound_module_file);
    background.start_in_background();
    ASSERT_TRUE(background.open_tune(app_dir + "kelvora1.mid"));
    background.play_tune();
    EXPECT_TRUE(background.tune_playing());
    background.close_tune();
    EXPECT_FALSE(background.tune_open());

    DeferredSound on_first_use(app_dir + sound_module_file);
    EXPECT_FALSE(on_first_use.tune_open());
    EXPECT_TRUE(on_first_use.open_tune(app_dir + "kelvora2.mid"));
}

TEST(DeferredBackends, TheHttpModuleRefusesWhatTheClientRefuses) {
    DeferredHttp http(app_dir + http_module_file);
    EXPECT_FALSE(http.get("file:///etc/hostname").has_value());
    EXPECT_FALSE(http.get("http://127.0.0.1:9/").has_value());
}

}  // namespace
}  // namespace kelvora
