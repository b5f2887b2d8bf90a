#pragma once
// The background tune: a fluidsynth synthesiser and one MIDI file player on it, rendered into
// 16-bit stereo. It knows nothing of SDL, so it can be driven offline as well as from the audio
// thread. Every method may be called from any thread.
//
// Synthesis is the costliest thing the game does, so each tune is synthesised once per tune file,
// soundfont and settings: a thread of its own records the open tune into memory ahead of the
// listener, and render() plays the recording. Should the listener catch up with the recording,
// render() synthesises the next part itself, into the recording. A finished recording is stored
// in the cache folder and played from there, so opening a tune again, in this run or a later one,
// synthesises nothing. The synthesiser (its soundfont takes more memory than a recording) is made
// only to record and let go between recordings. Without a cache the last recording stays in memory.

#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/sdl/tune_cache.hpp"

typedef struct _fluid_hashtable_t fluid_settings_t;
typedef struct _fluid_synth_t fluid_synth_t;
typedef struct _fluid_player_t fluid_player_t;

namespace kelvora {

// The General MIDI soundfont of the system, or "" when none is installed.
std::string find_soundfont();

// True when the bytes are a standard MIDI file of type 0 or 1 whose header and track chunks are
// complete, which is what the player needs to read it.
bool is_standard_midi_file(const std::string& bytes);

class MidiTune {
public:
    // ok() tells whether the soundfont is there; it is loaded when a tune is first recorded.
    // Finished recordings are kept in `cache_folder` (none when it is empty).
    MidiTune(int sample_rate, const std::string& soundfont_path, const std::string& cache_folder = "");
    ~MidiTune();
    MidiTune(const MidiTune&) = delete;
    MidiTune& operator=(const MidiTune&) = delete;

    bool ok() const { return usable_; }

    // Closes the open tune, then opens the file (or the bytes of one) without playing it.
    // False, with no tune open, when it cannot be read or is no MIDI file.
    // `name` (the file's name by default) names its recording in the cache.
    bool open(const std::string& path);
    bool open_bytes(const std::string& bytes, const std::string& name = "tune");
    void play();
    // Back to the first note, so the next play begins there. A tune that has ended keeps its
    // last notes ringing under the new start, as a synthesiser would.
    void rewind();
    // Stops and forgets the tune and silences it at once.
    void close();
    bool is_open() const;
    // True while the tune plays; false from the moment its last event has played.
    bool playing() const;

    // Fills `frames` frames of interleaved stereo and moves the tune on by that much time.
    void render(std::int16_t* stereo, int frames);

    // Waits until the open tune is recorded to the end of its last notes and stored (for tests).
    void wait_until_recorded() const;
    // Frames the synthesiser has made so far in all (for tests).
    std::int64_t frames_synthesised() const;

private:
    struct Recording;

    fluid_synth_t* make_synth() const;
    void keep_locked(const std::shared_ptr<Recording>& recording);
    void look_up_cache(std::unique_lock<std::mutex>& lock);
    void store_in_cache(std::unique_lock<std::mutex>& lock);
    void close_locked();
    void abandon_recording_locked();
    bool start_player_locked();
    void record_block_locked();
    void record_until_locked(std::int64_t frames);
    void run_recorder();

    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    fluid_settings_t* settings_ = nullptr;
    std::string soundfont_path_;
    bool usable_ = false;  // the soundfont is there
    int sample_rate_ = 44100;
    std::string synthesis_;  // what shapes a recording besides the tune: part of its cache key
    TuneCache cache_;

    // The recording being made, the synthesiser (while there is one) and the player on it.
    std::shared_ptr<Recording> recording_;
    fluid_synth_t* synth_ = nullptr;
    fluid_player_t* player_ = nullptr;
    bool synth_done_ = false;  // a recording has finished: the synthesiser may go
    std::int64_t frames_synthesised_ = 0;
    // Finished recordings by key: every one played from the cache, and the last one in memory.
    std::map<std::uint64_t, std::shared_ptr<Recording>> kept_;
    std::shared_ptr<Recording> to_store_;  // finished, waiting to be written to the cache

    // The open tune and the listener's place in it.
    std::shared_ptr<Recording> open_;
    bool playing_ = false;
    std::int64_t position_ = 0;
    std::int64_t ringing_ = -1;  // after a rewind past the end: the place of the last notes' tail

    bool stopping_ = false;
    std::thread recorder_;
};

}  // namespace kelvora
