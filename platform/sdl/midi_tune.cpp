#include "platform/sdl/midi_tune.hpp"

#include <fluidsynth.h>

#include <malloc.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
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

constexpr int block_frames = 1024;           // recorded at a time: about 23 ms
constexpr int store_frames = 64 * 1024;      // frames per allocation of a recording
constexpr double longest_tune_seconds = 240; // a longer tune ends there and starts over
constexpr double longest_tail_seconds = 5;   // the last notes and the reverb die away within this
constexpr int quiet_sample = 2;              // silence, give or take the dither
constexpr double gain = 0.5;

// Everything besides the tune that shapes its recording, down to the soundfont file's change
// time: a recording made under any other description is made again.
std::string describe_synthesis(int sample_rate, const std::string& soundfont_path, const struct stat& soundfont) {
    return std::string("fluidsynth ") + fluid_version_str() + " rate " + std::to_string(sample_rate) + " gain " +
           std::to_string(gain) + " timing sample block " + std::to_string(block_frames) + " longest " +
           std::to_string(longest_tune_seconds) + " tail " + std::to_string(longest_tail_seconds) + " quiet " +
           std::to_string(quiet_sample) + " soundfont " + soundfont_path + " " + std::to_string(soundfont.st_size) +
           " " + std::to_string(soundfont.st_mtim.tv_sec) + "." + std::to_string(soundfont.st_mtim.tv_nsec);
}

// A recording never grows beyond the longest tune, its tail and a block of each.
std::int64_t longest_recording_frames(int sample_rate) {
    return std::int64_t((longest_tune_seconds + longest_tail_seconds) * sample_rate) + 2 * block_frames;
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

// A tune as the listener hears it, from its first note to the silence after its last one.
struct MidiTune::Recording {
    std::string bytes;  // the file it was made from
    std::uint64_t key = 0;
    std::string name;
    bool looked_up = false;  // the cache has been asked for it
    std::vector<std::unique_ptr<std::int16_t[]>> stores;
    std::unique_ptr<MappedTune> mapped;  // from the cache, in place of the stores
    std::int64_t frames = 0;  // recorded so far
    std::int64_t end = -1;    // where the last event has played, once recorded that far
    bool finished = false;    // recorded until its last notes have died away

    const std::int16_t* frame(std::int64_t at) const {
        if (mapped) return mapped->samples() + 2 * at;
        return stores[std::size_t(at / store_frames)].get() + 2 * (at % store_frames);
    }
    std::vector<std::span<const std::int16_t>> parts() const {
        std::vector<std::span<const std::int16_t>> parts;
        for (std::int64_t at = 0; at < frames; at += store_frames)
            parts.emplace_back(frame(at), std::size_t(2 * std::min<std::int64_t>(store_frames, frames - at)));
        return parts;
    }
    // Adds frames [from, from + count) to `out`, clipped to the recording and to 16 bits.
    void mix_into(std::int16_t* out, std::int64_t from, int count) const {
        for (int i = 0; i < count && from + i < frames; ++i) {
            const std::int16_t* in = frame(from + i);
            for (int c = 0; c < 2; ++c) {
                const int sum = out[2 * i + c] + in[c];
                out[2 * i + c] = std::int16_t(std::clamp(sum, -32768, 32767));
            }
        }
    }
};

MidiTune::MidiTune(int sample_rate, const std::string& soundfont_path, const std::string& cache_folder)
    : soundfont_path_(soundfont_path),
      sample_rate_(sample_rate),
      cache_(cache_folder, longest_recording_frames(sample_rate)) {
    silence_fluid_log();
    settings_ = new_fluid_settings();
    if (!settings_) return;
    fluid_settings_setnum(settings_, "synth.sample-rate", sample_rate);
    fluid_settings_setnum(settings_, "synth.gain", gain);
    // The player moves on with the rendered samples, not with a clock of its own: its time is
    // exactly the time the listener hears, and recording ahead works the same way.
    fluid_settings_setstr(settings_, "player.timing-source", "sample");
    // Changed: the soundfont was loaded here for every run; with a cache it is loaded only for a
    // tune that is not in it, and a soundfont that cannot be loaded then leaves that tune silent.
    struct stat soundfont {};
    usable_ = !soundfont_path.empty() && ::stat(soundfont_path.c_str(), &soundfont) == 0 && S_ISREG(soundfont.st_mode);
    if (!usable_) return;
    synthesis_ = describe_synthesis(sample_rate, soundfont_path, soundfont);
    if (!cache_.enabled()) {
        // Without a cache every tune is synthesised: the synthesiser is made at once, off the
        // window thread, and waits for the first tune.
        synth_ = make_synth();
        usable_ = synth_ != nullptr;
        if (!usable_) return;
    }
    recorder_ = std::thread([this] { run_recorder(); });
}

fluid_synth_t* MidiTune::make_synth() const {
    fluid_synth_t* synth = new_fluid_synth(settings_);
    if (synth && (soundfont_path_.empty() || fluid_synth_sfload(synth, soundfont_path_.c_str(), 1) == FLUID_FAILED)) {
        delete_fluid_synth(synth);
        synth = nullptr;
    }
    return synth;
}

MidiTune::~MidiTune() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    if (recorder_.joinable()) recorder_.join();
    {
        std::lock_guard lock(mutex_);
        close_locked();
        abandon_recording_locked();
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
    return open_bytes(bytes, std::filesystem::path(path).stem().string());
}

bool MidiTune::open_bytes(const std::string& bytes, const std::string& name) {
    std::lock_guard lock(mutex_);
    close_locked();
    if (!usable_ || !is_standard_midi_file(bytes)) return false;
    const std::uint64_t key = tune_key(bytes, synthesis_);
    if (auto kept = kept_.find(key); kept != kept_.end()) {
        open_ = kept->second;
        return true;
    }
    if (recording_ && recording_->key == key) {
        open_ = recording_;
        return true;
    }
    // One tune is recorded at a time: an unfinished recording of another is given up, and a
    // recording kept in memory makes room.
    abandon_recording_locked();
    std::erase_if(kept_, [](const auto& kept) { return !kept.second->mapped; });
    recording_ = std::make_shared<Recording>();
    recording_->bytes = bytes;
    recording_->key = key;
    recording_->name = name;
    recording_->looked_up = !cache_.enabled();
    open_ = recording_;
    // The recorder looks for the tune in the cache, then starts the player with the first block
    // recorded, on a synthesiser it makes if there is none.
    changed_.notify_all();
    return true;
}

void MidiTune::keep_locked(const std::shared_ptr<Recording>& recording) {
    // Recordings in the cache cost only pages the kernel may take back; of those in memory the
    // last is kept.
    std::erase_if(kept_, [&](const auto& kept) { return !kept.second->mapped && kept.second != recording; });
    kept_[recording->key] = recording;
}

void MidiTune::play() {
    std::lock_guard lock(mutex_);
    if (open_) playing_ = true;
}

void MidiTune::rewind() {
    std::lock_guard lock(mutex_);
    if (!open_) return;
    // Past the end the synthesiser would still be sounding the last notes when the first ones
    // begin again; mid-tune, a restart simply starts over.
    if (open_->end >= 0 && position_ >= open_->end) ringing_ = position_;
    position_ = 0;
}

void MidiTune::close() {
    std::lock_guard lock(mutex_);
    close_locked();
}

void MidiTune::close_locked() {
    // The recording goes on, so that the tune is ready when it is opened again.
    open_.reset();
    playing_ = false;
    position_ = 0;
    ringing_ = -1;
}

void MidiTune::abandon_recording_locked() {
    recording_.reset();
    if (!player_) return;
    fluid_player_stop(player_);
    delete_fluid_player(player_);
    player_ = nullptr;
    // The next recording starts from a silent synthesiser, effects included.
    fluid_synth_system_reset(synth_);
}

bool MidiTune::start_player_locked() {
    if (player_) return true;
    Recording& recording = *recording_;
    fluid_player_t* player = new_fluid_player(synth_);
    // The player keeps its own copy of the bytes.
    if (player && fluid_player_add_mem(player, recording.bytes.data(), recording.bytes.size()) == FLUID_OK &&
        fluid_player_play(player) == FLUID_OK) {
        player_ = player;
        return true;
    }
    if (player) delete_fluid_player(player);
    // A file the player refuses plays as a tune without notes.
    recording.end = recording.frames;
    recording.finished = true;
    recording_.reset();
    changed_.notify_all();
    return false;
}

bool MidiTune::is_open() const {
    std::lock_guard lock(mutex_);
    return open_ != nullptr;
}

bool MidiTune::playing() const {
    std::lock_guard lock(mutex_);
    // Changed: a synthesiser still sounds the last notes, and its player says "playing" for a
    // grace time after them; the tune itself has ended once its last event has played.
    return open_ && playing_ && !(open_->end >= 0 && position_ >= open_->end);
}

void MidiTune::record_block_locked() {
    if (!start_player_locked()) return;
    Recording& recording = *recording_;
    if (recording.frames % store_frames == 0) recording.stores.push_back(std::make_unique<std::int16_t[]>(2 * store_frames));
    std::int16_t* out = recording.stores.back().get() + 2 * (recording.frames % store_frames);
    fluid_synth_write_s16(synth_, block_frames, out, 0, 2, out, 1, 2);
    recording.frames += block_frames;
    frames_synthesised_ += block_frames;

    if (recording.end < 0) {
        // The player has read its first events by now, so its length is known.
        if (fluid_player_get_status(player_) != FLUID_PLAYER_PLAYING ||
            fluid_player_get_current_tick(player_) >= fluid_player_get_total_ticks(player_)) {
            recording.end = recording.frames;
        } else if (recording.frames >= std::int64_t(longest_tune_seconds * sample_rate_)) {
            // Changed: a tune too long to keep in memory ends here, letting its notes go.
            recording.end = recording.frames;
            fluid_player_stop(player_);
            fluid_synth_all_notes_off(synth_, -1);
        }
        return;
    }
    const bool quiet = fluid_synth_get_active_voice_count(synth_) == 0 &&
                       std::all_of(out, out + 2 * block_frames, [](std::int16_t s) { return std::abs(s) <= quiet_sample; });
    if (!quiet && recording.frames - recording.end < std::int64_t(longest_tail_seconds * sample_rate_)) return;

    recording.finished = true;
    keep_locked(recording_);
    to_store_ = recording_;
    abandon_recording_locked();
    synth_done_ = true;
    changed_.notify_all();
}

void MidiTune::record_until_locked(std::int64_t frames) {
    // The listener has caught up with the recorder: the synthesiser plays live, into the
    // recording.
    while (synth_ && open_ && open_ == recording_ && open_->looked_up && open_->frames < frames) record_block_locked();
}

void MidiTune::run_recorder() {
    // Recording ahead may wait whenever the window has work to do.
    ::setpriority(PRIO_PROCESS, ::gettid(), 10);
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return stopping_ || recording_ || to_store_ || (synth_ && synth_done_); });
        if (stopping_) return;
        if (recording_ && !recording_->looked_up) {
            look_up_cache(lock);
        } else if (to_store_) {
            store_in_cache(lock);
        } else if (recording_ && !synth_) {
            // Loading the soundfont takes a while: nobody waits for the lock meanwhile.
            lock.unlock();
            fluid_synth_t* synth = make_synth();
            lock.lock();
            synth_ = synth;
            synth_done_ = false;
            if (!synth_) {
                // The soundfont has gone since: the tune stays silent.
                recording_->end = recording_->frames;
                recording_->finished = true;
                recording_.reset();
                changed_.notify_all();
            }
        } else if (recording_) {
            record_block_locked();
        } else {
            fluid_synth_t* synth = synth_;
            synth_ = nullptr;
            lock.unlock();
            delete_fluid_synth(synth);
            // The soundfont's samples, and the recording given up for this one, go back to the
            // system rather than stay with the allocator.
            ::malloc_trim(0);
            lock.lock();
            continue;
        }
        // The listener and the window thread get the lock between blocks.
        lock.unlock();
        std::this_thread::yield();
        lock.lock();
    }
}

void MidiTune::look_up_cache(std::unique_lock<std::mutex>& lock) {
    const std::shared_ptr<Recording> recording = recording_;
    // Reading the file and checking its sum takes a moment: nobody waits for the lock meanwhile,
    // and nothing is synthesised into the recording until it is known to be needed.
    lock.unlock();
    std::unique_ptr<MappedTune> found = cache_.load(recording->key, recording->name);
    lock.lock();
    recording->looked_up = true;
    if (!found) return;
    recording->frames = found->frames();
    recording->end = found->end();
    recording->mapped = std::move(found);
    recording->finished = true;
    keep_locked(recording);
    if (recording_ == recording) recording_.reset();
    changed_.notify_all();
}

void MidiTune::store_in_cache(std::unique_lock<std::mutex>& lock) {
    // A finished recording no longer changes, so it is written without the lock.
    const std::shared_ptr<Recording> recording = to_store_;
    const auto parts = recording->parts();
    lock.unlock();
    std::unique_ptr<MappedTune> stored = cache_.store(recording->key, recording->name, parts, recording->end);
    lock.lock();
    if (to_store_ == recording) to_store_.reset();
    changed_.notify_all();
    // A cache that cannot be written leaves the recording in memory.
    if (!stored) return;
    recording->mapped = std::move(stored);
    recording->stores.clear();
    keep_locked(recording);
}

void MidiTune::render(std::int16_t* stereo, int frames) {
    std::fill(stereo, stereo + 2 * frames, std::int16_t{0});
    std::lock_guard lock(mutex_);
    if (!open_) return;
    if (playing_) {
        record_until_locked(position_ + frames);
        open_->mix_into(stereo, position_, frames);
        // Before the first synthesiser is ready the tune waits rather than skip its start.
        position_ += open_->finished ? frames : std::clamp<std::int64_t>(open_->frames - position_, 0, frames);
    }
    if (ringing_ >= 0) {
        record_until_locked(ringing_ + frames);
        open_->mix_into(stereo, ringing_, frames);
        ringing_ += frames;
        if (open_->finished && ringing_ >= open_->frames) ringing_ = -1;
    }
}

void MidiTune::wait_until_recorded() const {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return (!open_ || open_->finished) && !to_store_; });
}

std::int64_t MidiTune::frames_synthesised() const {
    std::lock_guard lock(mutex_);
    return frames_synthesised_;
}

}  // namespace kelvora
