#include "core/sound.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "test_app.hpp"

namespace kelvora {
namespace {

using Calls = std::vector<std::string>;

// The calls with runs of the same call counted once: the fake's open closes as well.
Calls collapsed(const Calls& calls) {
    Calls out;
    for (const auto& call : calls)
        if (out.empty() || out.back() != call) out.push_back(call);
    return out;
}

class SoundTest : public ::testing::Test {
protected:
    SoundTest() { test.app.app_dir = "/games/kelvora/"; }
    testing::TestApp test;
    RecordingSound& sound = test.sound;
};

// Keeps the whole paths the game asks for.
class PathSound : public RecordingSound {
public:
    void play_wave(const std::string& path) override { paths.push_back(path); }
    bool open_tune(const std::string& path) override {
        paths.push_back(path);
        return RecordingSound::open_tune(path);
    }
    Calls paths;
};

TEST(SoundFiles, AreReadFromTheProgramFolder) {
    HeadlessServices fakes;
    PathSound sound;
    App app(Services{fakes.platform, fakes.platform, fakes.platform, fakes.text, sound, fakes.http, fakes.browser});
    app.app_dir = "/games/kelvora/";
    play_wave(app, "start.wav");
    play_music(app, "kelvora2.mid");
    EXPECT_EQ(sound.paths, (Calls{"/games/kelvora/start.wav", "/games/kelvora/kelvora2.mid"}));
}

TEST_F(SoundTest, PlayMusicClosesThenOpensAndPlays) {
    play_music(test.app, "kelvora1.mid");
    EXPECT_EQ(collapsed(sound.calls), (Calls{"close", "open kelvora1.mid", "play"}));
    EXPECT_TRUE(sound.tune_playing());

    // The same tune again starts over from the beginning.
    sound.calls.clear();
    play_music(test.app, "kelvora1.mid");
    EXPECT_EQ(collapsed(sound.calls), (Calls{"close", "open kelvora1.mid", "play"}));
    EXPECT_TRUE(sound.tune_playing());
}

TEST_F(SoundTest, AnEmptyNameStopsTheMusicForGood) {
    play_music(test.app, "kelvora2.mid");
    sound.calls.clear();
    play_music(test.app, "");
    EXPECT_EQ(sound.calls, (Calls{"close"}));
    EXPECT_FALSE(sound.tune_open());
    for (int tick = 0; tick < 5; ++tick) music_loop_check(test.app);
    EXPECT_EQ(sound.calls, (Calls{"close"})) << "later loop checks stay silent";
}

TEST_F(SoundTest, AnEndedTuneStartsAgainAtTheNextCheck) {
    play_music(test.app, "kelvora2.mid");
    sound.calls.clear();
    music_loop_check(test.app);
    EXPECT_TRUE(sound.calls.empty()) << "a playing tune is left alone";

    sound.end_tune();
    music_loop_check(test.app);
    EXPECT_EQ(sound.calls, (Calls{"rewind", "play"}));
    EXPECT_TRUE(sound.tune_playing());
    music_loop_check(test.app);
    EXPECT_EQ(sound.calls.size(), 2u);
}

TEST_F(SoundTest, AMissingTunePlaysNothingAndIsNeverRetried) {
    sound.set_missing(true);
    play_music(test.app, "kelvora1.mid");
    EXPECT_EQ(collapsed(sound.calls), (Calls{"close", "open kelvora1.mid"}));
    EXPECT_FALSE(sound.tune_open());
    std::size_t before = sound.calls.size();
    music_loop_check(test.app);
    EXPECT_EQ(sound.calls.size(), before);
    EXPECT_TRUE(test.platform.errors().empty());
}

}  // namespace
}  // namespace kelvora
