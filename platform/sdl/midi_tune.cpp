#include "platform/sdl/midi_tune.hpp"

#include <fluidsynth.h>

#include <algorithm>
#include <filesystem>

#include "platform/file_read.hpp"

namespace kelvora {
namespace {

// Debian's small General MIDI soundfont first, so the music sounds the same on every machine;
// the system's default soundfont when it is missing.
constexpr const char* soundfont_candidates[] = {
    "/usr/share/sounds/sf2/TimGM6mb.sf2",
    "/usr/share/sounds/sf2/default-GM.sf2",
    "/usr/share/sounds/sf2/FluidR3_GM.sf2",
};

// An hour of dense MIDI is well below this; it keeps a wrong file from filling the memory.
constexpr std::size_t max_tune_bytes = 16 * 1024 * 1024;

// Sound failures are silent: fluidsynth's own messages would otherwise reach stderr.
void silence_fluid_log() {
    static std::once_flag once;
    std::call_once(once, [] {
        for (int level : {FLUID_ERR, FLUID_WARN, FLUID_INFO, FLUID_DBG})
            fluid_set_log_function(level, nullptr, nullptr);
    });
}

std::uint32_t read_be(const std::string& bytes, std::size_t at, int size) {
    std::uint32_t value = 0;
    for (int i = 0; i < size; ++i) value = (value << 8) | static_cast<unsigned char>(bytes[at + i]);
    return value;
}

}  // namespace

std::string find_soundfont() {
    std::error_code error;
    for (const char* path : soundfont_candidates)
        if (std::filesystem::is_regular_file(path, error)) return path;
    return {};
}

bool is_standard_midi_file(const std::string& bytes) {
    if (bytes.size() < 14 || bytes.compare(0, 4, "MThd") != 0) return false;
    std::uint32_t header_length = read_be(bytes, 4, 4);
    if (header_length < 6 || header_length > bytes.size() - 8) return false;
    std::uint32_t type = read_be(bytes, 8, 2);
    std::uint32_t tracks = read_be(bytes, 10, 2);
    std::uint32_t division = read_be(bytes, 12, 2);
    // The player reads neither type 2 files nor SMPTE time division.
    if (type > 1 || tracks == 0 || division == 0 || (division & 0x8000) != 0) return false;

    std::size_t at = 8 + header_length;
    std::uint32_t complete_tracks = 0;
    while (complete_tracks < tracks) {
        if (bytes.size() - at < 8) return false;
        std::uint32_t length = read_be(bytes, at + 4, 4);
        if (length > bytes.size() - at - 8) return false;
        if (bytes.compare(at, 4, "MTrk") == 0) ++complete_tracks;
        at += 8 + length;
    }
    return true;
}

MidiTune::MidiTune(int sample_rate, const std::string& soundfont_path) {
    silence_fluid_log();
    settings_ = new_fluid_settings();
    if (!settings_) return;
    fluid_settings_setnum(settings_, "synth.sample-rate", sample_rate);
    fluid_settings_setnum(settings_, "synth.gain", 0.5);
    // The player moves on with the rendered samples, not with a clock of its own: its time is
    // exactly the time the listener hears, and offline rendering works the same way.
    fluid_settings_setstr(settings_, "player.timing-source", "sample");
    synth_ = new_fluid_synth(settings_);
    if (synth_ && (soundfont_path.empty() || fluid_synth_sfload(synth_, soundfont_path.c_str(), 1) == FLUID_FAILED)) {
        delete_fluid_synth(synth_);
        synth_ = nullptr;
    }
}

MidiTune::~MidiTune() {
    {
        std::lock_guard lock(mutex_);
        close_locked();
    }
    if (synth_) delete_fluid_synth(synth_);
    if (settings_) delete_fluid_settings(settings_);
}

bool MidiTune::open(const std::string& path) {
    std::string bytes, error;
    if (!read_file(path, max_tune_bytes, bytes, error)) {
        close();
        return false;
    }
    return open_bytes(bytes);
}

bool MidiTune::open_bytes(const std::string& bytes) {
    std::lock_guard lock(mutex_);
    close_locked();
    if (!synth_ || !is_standard_midi_file(bytes)) return false;
    player_ = new_fluid_player(synth_);
    if (!player_) return false;
    // The player keeps its own copy of the bytes.
    if (fluid_player_add_mem(player_, bytes.data(), bytes.size()) != FLUID_OK) {
        close_locked();
        return false;
    }
    return true;
}

void MidiTune::play() {
    std::lock_guard lock(mutex_);
    if (!player_ || fluid_player_get_status(player_) == FLUID_PLAYER_PLAYING) return;
    fluid_player_play(player_);
    moving_ = true;
}

void MidiTune::rewind() {
    std::lock_guard lock(mutex_);
    if (player_ && fluid_player_seek(player_, 0) == FLUID_OK) moving_ = true;
}

void MidiTune::close() {
    std::lock_guard lock(mutex_);
    close_locked();
}

void MidiTune::close_locked() {
    if (!player_) return;
    fluid_player_stop(player_);
    delete_fluid_player(player_);
    player_ = nullptr;
    moving_ = false;
    // Cut every voice rather than release it, so the music stops at once.
    fluid_synth_all_sounds_off(synth_, -1);
}

bool MidiTune::is_open() const {
    std::lock_guard lock(mutex_);
    return player_ != nullptr;
}

bool MidiTune::playing() const {
    std::lock_guard lock(mutex_);
    if (!player_ || fluid_player_get_status(player_) != FLUID_PLAYER_PLAYING) return false;
    // Changed: the player stays "playing" while the last notes die away and for a grace time
    // after them; the tune itself has ended once the position has passed its last event.
    return moving_ || fluid_player_get_current_tick(player_) < fluid_player_get_total_ticks(player_);
}

void MidiTune::render(std::int16_t* stereo, int frames) {
    std::lock_guard lock(mutex_);
    if (!synth_) {
        std::fill(stereo, stereo + 2 * frames, std::int16_t{0});
        return;
    }
    fluid_synth_write_s16(synth_, frames, stereo, 0, 2, stereo, 1, 2);
    // A play or a rewind takes effect when the player is next called from the rendering; until
    // then its position still tells of the time before.
    if (moving_ && player_ &&
        (fluid_player_get_status(player_) != FLUID_PLAYER_PLAYING ||
         fluid_player_get_current_tick(player_) < fluid_player_get_total_ticks(player_)))
        moving_ = false;
}

}  // namespace kelvora
