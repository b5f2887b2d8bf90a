#include "platform/sdl/sdl_sound.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "sdl/midi_bytes.hpp"

namespace kelvora {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

void put_le(std::string& out, std::uint32_t value, int size) {
    for (int i = 0; i < size; ++i) out += char((value >> (8 * i)) & 0xff);
}

// A 16-bit mono wave file of a 440 Hz tone.
std::string wave_file(int milliseconds) {
    constexpr int rate = 22050;
    int samples = rate * milliseconds / 1000;
    std::string data;
    for (int i = 0; i < samples; ++i)
        put_le(data, std::uint32_t(std::int16_t(8000 * std::sin(2 * M_PI * 440 * i / rate))) & 0xffff, 2);
    std::string file = "RIFF";
    put_le(file, std::uint32_t(36 + data.size()), 4);
    file += "WAVEfmt ";
    put_le(file, 16, 4);
    put_le(file, 1, 2);
    put_le(file, 1, 2);
    put_le(file, rate, 4);
    put_le(file, rate * 2, 4);
    put_le(file, 2, 2);
    put_le(file, 16, 2);
    file += "data";
    put_le(file, std::uint32_t(data.size()), 4);
    return file + data;
}

class SdlSoundFiles : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("kelvora-sdl-" + std::to_string(::getpid()));
        fs::create_directories(dir);
        // The tune cache goes with the test's files, never into the machine's ~/.cache.
        ::setenv("XDG_CACHE_HOME", path("cache").c_str(), 1);
        write("long.wav", wave_file(1500));
        write("short.wav", wave_file(50));
        write("garbage.wav", "RIFF\x10\0\0\0WAVEjunkjunkjunk");
        write("garbage.mid", "MThd\0\0\0\x06\0\0\0\x01\x01\xe0MTrk\0\0\x10\0\x90");
        write("tune.mid", testing::midi_file({{60, 0, testing::ticks_per_second * 3 / 10}},
                                             testing::ticks_per_second * 3 / 10));
        // Files that are no files: each stays silent at once, without waiting or throwing.
        for (const char* name : {"folder.wav", "folder.mid"}) fs::create_directory(dir / name);
        for (const char* name : {"fifo.wav", "fifo.mid"}) ::mkfifo(path(name).c_str(), 0644);
    }
    void TearDown() override { fs::remove_all(dir); }

    void write(const std::string& name, const std::string& bytes) {
        std::ofstream(dir / name, std::ios::binary) << bytes;
    }
    std::string path(const std::string& name) const { return (dir / name).string(); }

    // Waits up to `limit` seconds for the condition; the seconds it took, or -1.
    template <typename Condition>
    static double seconds_until(Condition condition, double limit) {
        auto start = Clock::now();
        while (std::chrono::duration<double>(Clock::now() - start).count() < limit) {
            if (condition()) return std::chrono::duration<double>(Clock::now() - start).count();
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return -1;
    }

    fs::path dir;
};

TEST_F(SdlSoundFiles, WithoutADeviceEverythingIsSilent) {
    ::setenv("SDL_AUDIODRIVER", "kelvora-no-such-driver", 1);
    SdlSound sound;
    EXPECT_FALSE(sound.device_open());
    sound.play_wave(path("long.wav"));
    EXPECT_FALSE(sound.wave_playing());
    EXPECT_FALSE(sound.open_tune(path("tune.mid")));
    sound.play_tune();
    sound.rewind_tune();
    EXPECT_FALSE(sound.tune_open());
    EXPECT_FALSE(sound.tune_playing());
    sound.close_tune();
}

class DummyDevice : public SdlSoundFiles {
protected:
    void SetUp() override {
        SdlSoundFiles::SetUp();
        // SDL's dummy driver consumes the sound in real time and sends it nowhere.
        ::setenv("SDL_AUDIODRIVER", "dummy", 1);
    }
};

TEST_F(DummyDevice, WavesPlayOnOneChannelAndBadFilesPlayNothing) {
    SdlSound sound;
    ASSERT_TRUE(sound.device_open());
    for (const char* bad : {"missing.wav", "garbage.wav", "tune.mid", "folder.wav", "fifo.wav"}) {
        sound.play_wave(path(bad));
        EXPECT_FALSE(sound.wave_playing()) << bad;
    }
    sound.play_wave(path("long.wav"));
    EXPECT_TRUE(sound.wave_playing());
    // The short wave cuts off the long one, so the channel falls silent well before 1.5 s.
    sound.play_wave(path("short.wav"));
    double silent = seconds_until([&] { return !sound.wave_playing(); }, 1.2);
    EXPECT_GE(silent, 0);
    // The same file again comes from the cache and plays just the same.
    sound.play_wave(path("long.wav"));
    EXPECT_TRUE(sound.wave_playing());
}

TEST_F(DummyDevice, TuneOpensPlaysEndsAndRestarts) {
    SdlSound sound;
    ASSERT_TRUE(sound.device_open());
    for (const char* bad : {"missing.mid", "garbage.mid", "long.wav", "folder.mid", "fifo.mid"}) {
        EXPECT_FALSE(sound.open_tune(path(bad))) << bad;
        EXPECT_FALSE(sound.tune_open());
    }

    ASSERT_TRUE(sound.open_tune(path("tune.mid")));
    EXPECT_TRUE(sound.tune_open());
    EXPECT_FALSE(sound.tune_playing());
    sound.play_tune();
    EXPECT_TRUE(sound.tune_playing());
    // The tune's one note lasts 0.3 s.
    double end = seconds_until([&] { return !sound.tune_playing(); }, 3.0);
    EXPECT_GE(end, 0.2);
    EXPECT_LE(end, 1.0);
    EXPECT_TRUE(sound.tune_open());

    sound.rewind_tune();
    sound.play_tune();
    EXPECT_TRUE(sound.tune_playing());
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_TRUE(sound.tune_playing());

    sound.close_tune();
    EXPECT_FALSE(sound.tune_open());
    EXPECT_FALSE(sound.tune_playing());
    EXPECT_FALSE(sound.open_tune(path("missing.mid")));
}

TEST_F(DummyDevice, ClosesCleanlyWhilePlaying) {
    auto sound = std::make_unique<SdlSound>();
    ASSERT_TRUE(sound->device_open());
    sound->play_wave(path("long.wav"));
    ASSERT_TRUE(sound->open_tune(path("tune.mid")));
    sound->play_tune();
    sound.reset();
    // A second device after the first is gone works as well.
    SdlSound again;
    EXPECT_TRUE(again.device_open());
}

TEST_F(DummyDevice, DestroyedBeforeEverUsed) {
    SdlSound sound;
}

}  // namespace
}  // namespace kelvora
