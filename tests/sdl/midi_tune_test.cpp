#include "platform/sdl/midi_tune.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <thread>
#include <vector>

#include "sdl/midi_bytes.hpp"

namespace kelvora {
namespace {

using testing::midi_file;
using testing::ticks_per_second;

constexpr int rate = 44100;
constexpr int block = rate / 100;  // 10 ms
constexpr double block_seconds = 0.01;
constexpr int loud = 500;   // a note is sounding
constexpr int quiet = 100;  // nothing but the faint end of a tail

// A note for the first 0.2 s, a gap, a second note from 0.9 s to 1.0 s, and the end right after it.
std::string two_note_tune() {
    return midi_file({{60, 0, ticks_per_second * 2 / 10}, {67, ticks_per_second * 9 / 10, ticks_per_second}},
                     ticks_per_second);
}

class MidiTuneTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string soundfont = find_soundfont();
        if (soundfont.empty()) GTEST_SKIP() << "no General MIDI soundfont installed";
        tune = std::make_unique<MidiTune>(rate, soundfont);
        ASSERT_TRUE(tune->ok());
    }

    // Renders one block and returns its loudest sample.
    int render_block() {
        std::vector<std::int16_t> samples(2 * block);
        tune->render(samples.data(), block);
        clock += block_seconds;
        int peak = 0;
        for (std::int16_t s : samples) peak = std::max(peak, std::abs(int(s)));
        return peak;
    }

    // Renders until the tune stops playing; the clock then, or -1 after `limit` seconds.
    double time_of_end(double limit = 5.0) {
        for (double t = 0; t < limit; t += block_seconds) {
            render_block();
            if (!tune->playing()) return clock;
        }
        return -1;
    }

    // Renders until the output has died away.
    void render_until_quiet() {
        for (int i = 0; i < 500; ++i)
            if (render_block() < quiet) return;
        FAIL() << "the output never went quiet";
    }

    // The next `seconds` of output.
    std::vector<std::int16_t> render_seconds(double seconds) {
        std::vector<std::int16_t> all;
        for (double t = 0; t < seconds; t += block_seconds) {
            std::vector<std::int16_t> samples(2 * block);
            tune->render(samples.data(), block);
            clock += block_seconds;
            all.insert(all.end(), samples.begin(), samples.end());
        }
        return all;
    }

    // True when the output sounds within `limit` seconds.
    bool sounds_within(double limit) {
        for (double t = 0; t < limit; t += block_seconds)
            if (render_block() > loud) return true;
        return false;
    }

    std::unique_ptr<MidiTune> tune;
    double clock = 0;  // seconds rendered
};

TEST_F(MidiTuneTest, EndIsReportedWithinOneTickOfTheLastNote) {
    ASSERT_TRUE(tune->open_bytes(two_note_tune()));
    EXPECT_TRUE(tune->is_open());
    EXPECT_FALSE(tune->playing()) << "opening does not play";
    EXPECT_LT(render_block(), quiet);

    tune->play();
    double start = clock;
    EXPECT_TRUE(tune->playing());
    EXPECT_TRUE(sounds_within(0.05)) << "the first note sounds at once";
    double end = time_of_end() - start;
    // The last note ends at 1.0 s; the play timer ticks every 200 ms.
    EXPECT_GE(end, 1.0 - block_seconds);
    EXPECT_LE(end, 1.2);
    EXPECT_TRUE(tune->is_open()) << "an ended tune stays open";
}

TEST_F(MidiTuneTest, RewindAfterTheEndPlaysAgainFromTheFirstNote) {
    ASSERT_TRUE(tune->open_bytes(two_note_tune()));
    tune->play();
    ASSERT_GT(time_of_end(), 0);
    render_until_quiet();

    tune->rewind();
    tune->play();
    double start = clock;
    EXPECT_TRUE(tune->playing());
    EXPECT_TRUE(sounds_within(0.05)) << "the first note sounds right after the restart";
    double end = time_of_end() - start;
    EXPECT_GE(end, 1.0 - block_seconds);
    EXPECT_LE(end, 1.2);
}

TEST_F(MidiTuneTest, RewindLongAfterTheEndPlaysAgainFromTheFirstNote) {
    ASSERT_TRUE(tune->open_bytes(two_note_tune()));
    tune->play();
    ASSERT_GT(time_of_end(), 0);
    // Long past the end, when the player has wound itself up completely.
    for (int i = 0; i < 500; ++i) render_block();

    for (int round = 0; round < 2; ++round) {
        tune->rewind();
        tune->play();
        double start = clock;
        EXPECT_TRUE(tune->playing());
        EXPECT_TRUE(sounds_within(0.05));
        double end = time_of_end() - start;
        EXPECT_GE(end, 1.0 - block_seconds);
        EXPECT_LE(end, 1.2);
    }
}

TEST_F(MidiTuneTest, RewindWhilePlayingStartsOverAtOnce) {
    ASSERT_TRUE(tune->open_bytes(two_note_tune()));
    tune->play();
    for (int i = 0; i < 70; ++i) render_block();  // 0.7 s: in the silent gap
    ASSERT_LT(render_block(), quiet);

    tune->rewind();
    tune->play();
    double start = clock;
    EXPECT_TRUE(tune->playing());
    EXPECT_TRUE(sounds_within(0.05));
    double end = time_of_end() - start;
    EXPECT_GE(end, 1.0 - block_seconds) << "the whole tune plays again";
    EXPECT_LE(end, 1.2);
}

TEST_F(MidiTuneTest, CloseAndReopenSilenceAtOnce) {
    ASSERT_TRUE(tune->open_bytes(two_note_tune()));
    tune->play();
    ASSERT_TRUE(sounds_within(0.05));
    tune->close();
    EXPECT_FALSE(tune->is_open());
    EXPECT_FALSE(tune->playing());
    render_block();  // the cut itself
    EXPECT_LT(render_block(), quiet);

    ASSERT_TRUE(tune->open_bytes(two_note_tune()));
    tune->play();
    ASSERT_TRUE(sounds_within(0.05));
    ASSERT_TRUE(tune->open_bytes(two_note_tune()));
    EXPECT_FALSE(tune->playing()) << "a newly opened tune waits for play";
    render_block();
    EXPECT_LT(render_block(), quiet);
}

TEST_F(MidiTuneTest, ATuneIsSynthesisedOnceAndItsLastNotesRingUnderTheRestart) {
    ASSERT_TRUE(tune->open_bytes(two_note_tune()));
    tune->play();
    const std::vector<std::int16_t> first = render_seconds(0.5);
    ASSERT_GT(time_of_end(), 0);
    tune->wait_until_recorded();

    // A restart at the end: the first note begins while the last one still dies away.
    tune->rewind();
    tune->play();
    const std::vector<std::int16_t> restart = render_seconds(0.5);
    EXPECT_NE(restart, first);
    int louder = 0;
    for (std::size_t i = 0; i < 2 * block; ++i) louder += std::abs(restart[i]) > std::abs(first[i]);
    EXPECT_GT(louder, 0);

    // Opened again, the tune plays its recording: the very samples of the first time, where a
    // synthesiser's dither would differ.
    ASSERT_TRUE(tune->open_bytes(two_note_tune()));
    tune->play();
    EXPECT_EQ(render_seconds(0.5), first);

    // Another tune needs a synthesiser again, long after the last one was let go.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    ASSERT_TRUE(tune->open_bytes(midi_file({{72, 0, ticks_per_second / 2}}, ticks_per_second / 2)));
    tune->wait_until_recorded();
    tune->play();
    double start = clock;
    EXPECT_TRUE(sounds_within(0.05));
    double end = time_of_end() - start;
    EXPECT_GE(end, 0.5 - block_seconds);
    EXPECT_LE(end, 0.7);
}

TEST_F(MidiTuneTest, UnreadableFilesOpenNothing) {
    ASSERT_TRUE(tune->open_bytes(two_note_tune()));
    EXPECT_FALSE(tune->open("/nonexistent/kelvora1.mid"));
    EXPECT_FALSE(tune->is_open()) << "a failed open still closes the previous tune";

    std::string good = two_note_tune();
    std::string truncated = good.substr(0, good.size() - 3);
    std::string type2 = good;
    type2[9] = 2;
    for (const std::string& bad : {std::string(), std::string("RIFF....WAVEfmt "), truncated, type2,
                                   std::string(good.data(), 14)}) {
        EXPECT_FALSE(tune->open_bytes(bad));
        EXPECT_FALSE(tune->is_open());
        tune->play();
        tune->rewind();
        EXPECT_FALSE(tune->playing());
        EXPECT_LT(render_block(), quiet);
    }
}

// A tune with a cache folder of its own, which the test may damage.
class MidiTuneCacheTest : public MidiTuneTest {
protected:
    void SetUp() override {
        MidiTuneTest::SetUp();
        if (IsSkipped()) return;
        folder = (std::filesystem::temp_directory_path() / "kelvora-tunes-XXXXXX").string();
        ASSERT_TRUE(::mkdtemp(folder.data()));
        new_run(folder);
    }
    void TearDown() override {
        tune.reset();
        if (!folder.empty()) std::filesystem::remove_all(folder);
    }
    void new_run(const std::string& cache) { tune = std::make_unique<MidiTune>(rate, find_soundfont(), cache); }

    // Opens a tune, lets it be recorded or found, and plays its first half second.
    std::vector<std::int16_t> play_recorded(const std::string& bytes, const std::string& name) {
        EXPECT_TRUE(tune->open_bytes(bytes, name));
        tune->wait_until_recorded();
        tune->play();
        return render_seconds(0.5);
    }
    std::vector<std::filesystem::path> cached_files() const {
        std::vector<std::filesystem::path> files;
        for (const auto& entry : std::filesystem::directory_iterator(folder)) files.push_back(entry.path());
        return files;
    }

    std::string folder;
};

TEST_F(MidiTuneCacheTest, TunesAreSynthesisedOnceAcrossSwitchesAndRuns) {
    const std::string title = two_note_tune();
    const std::string game = midi_file({{72, 0, ticks_per_second / 2}}, ticks_per_second / 2);
    const std::vector<std::int16_t> first = play_recorded(title, "kelvora1");
    play_recorded(game, "kelvora2");
    const std::int64_t synthesised = tune->frames_synthesised();
    for (int round = 0; round < 3; ++round) {
        EXPECT_EQ(play_recorded(title, "kelvora1"), first);
        play_recorded(game, "kelvora2");
    }
    EXPECT_EQ(tune->frames_synthesised(), synthesised) << "switching back synthesises nothing";
    EXPECT_EQ(cached_files().size(), 2u);

    // The next run plays the stored samples, ending where the tune ends, with no synthesiser.
    new_run(folder);
    const double start = clock;
    EXPECT_EQ(play_recorded(title, "kelvora1"), first);
    const double end = time_of_end() - start;
    EXPECT_GE(end, 1.0 - block_seconds);
    EXPECT_LE(end, 1.2);
    EXPECT_EQ(tune->frames_synthesised(), 0);
    // A changed tune file replaces the recording of the old one.
    play_recorded(midi_file({{64, 0, ticks_per_second / 4}}, ticks_per_second / 4), "kelvora1");
    EXPECT_EQ(cached_files().size(), 2u);

    // A cache that cannot be written: the tunes still play, and the last one stays in memory.
    new_run(cached_files().front().string() + "/cache");
    EXPECT_EQ(play_recorded(title, "kelvora1"), first);
    const std::int64_t in_memory = tune->frames_synthesised();
    EXPECT_GT(in_memory, 0);
    play_recorded(title, "kelvora1");
    EXPECT_EQ(tune->frames_synthesised(), in_memory);
}

TEST_F(MidiTuneCacheTest, ADamagedRecordingIsMadeAgainAndReplaced) {
    play_recorded(two_note_tune(), "kelvora1");
    const std::filesystem::path file = cached_files().at(0);
    const auto size = std::filesystem::file_size(file);
    for (int damage = 0; damage < 3; ++damage) {
        if (damage == 0) {
            std::fstream bytes(file, std::ios::binary | std::ios::in | std::ios::out);
            bytes.seekp(std::streamoff(size / 2));
            bytes.write("\x55\x55\x55\x55", 4);
        } else {
            std::filesystem::resize_file(file, damage == 1 ? size - 4 : 20);
        }
        new_run(folder);
        const std::vector<std::int16_t> made = play_recorded(two_note_tune(), "kelvora1");
        EXPECT_GT(tune->frames_synthesised(), 0) << damage;
        EXPECT_EQ(std::filesystem::file_size(file), size) << damage;

        new_run(folder);
        EXPECT_EQ(play_recorded(two_note_tune(), "kelvora1"), made) << damage;
        EXPECT_EQ(tune->frames_synthesised(), 0) << damage;
    }
}

TEST(MidiTuneWithoutSoundfont, IsSilentAndOpensNothing) {
    MidiTune tune(rate, "/nonexistent/none.sf2");
    EXPECT_FALSE(tune.ok());
    EXPECT_FALSE(tune.open_bytes(two_note_tune()));
    std::vector<std::int16_t> samples(2 * block, 7);
    tune.render(samples.data(), block);
    EXPECT_TRUE(std::all_of(samples.begin(), samples.end(), [](std::int16_t s) { return s == 0; }));
}

}  // namespace
}  // namespace kelvora
