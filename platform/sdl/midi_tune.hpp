#pragma once
// The background tune: a fluidsynth synthesiser and one MIDI file player on it, rendered on
// demand into 16-bit stereo. It knows nothing of SDL, so it can be driven offline as well as
// from the audio thread. Every method may be called from any thread.

#include <cstdint>
#include <mutex>
#include <string>

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
    // Loads the soundfont (this takes a moment); ok() tells whether it could be loaded.
    MidiTune(int sample_rate, const std::string& soundfont_path);
    ~MidiTune();
    MidiTune(const MidiTune&) = delete;
    MidiTune& operator=(const MidiTune&) = delete;

    bool ok() const { return synth_ != nullptr; }

    // Closes the open tune, then opens the file (or the bytes of one) without playing it.
    // False, with no tune open, when it cannot be read or is no MIDI file.
    bool open(const std::string& path);
    bool open_bytes(const std::string& bytes);
    void play();
    // Back to tick 0, so the next play begins at the first note.
    void rewind();
    // Stops and forgets the tune and silences every voice at once.
    void close();
    bool is_open() const;
    // True while the player plays; false from the moment the last event has played.
    bool playing() const;

    // Fills `frames` frames of interleaved stereo and moves the player on by that much time.
    void render(std::int16_t* stereo, int frames);

private:
    void close_locked();

    mutable std::mutex mutex_;
    fluid_settings_t* settings_ = nullptr;
    fluid_synth_t* synth_ = nullptr;
    fluid_player_t* player_ = nullptr;
    bool moving_ = false;  // played or rewound, and not yet rendered since
};

}  // namespace kelvora
