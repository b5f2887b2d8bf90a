#pragma once
// Finished tune recordings kept in the player's cache folder, so that a tune is synthesised once
// per tune file, soundfont and synthesis settings, not once per run. A cached recording is played
// from a read-only mapping of its file: pages the kernel may drop and read again, not memory of
// the game's own.

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace kelvora {

// A cached recording of 16-bit stereo frames, mapped read-only.
class MappedTune {
public:
    MappedTune(void* base, std::size_t length, std::int64_t frames, std::int64_t end);
    ~MappedTune();
    MappedTune(const MappedTune&) = delete;
    MappedTune& operator=(const MappedTune&) = delete;

    const std::int16_t* samples() const;
    std::int64_t frames() const { return frames_; }
    std::int64_t end() const { return end_; }  // where the tune's last event has played

private:
    void* base_;
    std::size_t length_;
    std::int64_t frames_, end_;
};

// The folder of the cache: $XDG_CACHE_HOME/kelvora/, else ~/.cache/kelvora/ ("" when neither).
std::string tune_cache_folder();

// What a recording is made from: the tune file's bytes and a description of everything else that
// shapes the sound (soundfont, synthesiser version and settings). Equal keys, equal recordings.
std::uint64_t tune_key(const std::string& tune_bytes, const std::string& synthesis);

class TuneCache {
public:
    // An empty folder caches nothing. No recording longer than `max_frames` is taken from it.
    TuneCache(std::string folder, std::int64_t max_frames);
    bool enabled() const { return !folder_.empty(); }

    // The cached recording of `key`, or nullptr. A file that is damaged, cut short or not one of
    // ours is removed, so that the recording made instead replaces it.
    std::unique_ptr<MappedTune> load(std::uint64_t key, const std::string& name) const;

    // Writes a recording (its frames in consecutive parts) under `name`, a tune file's name, and
    // removes the older recordings of that name, so the folder holds one per tune. Returns the
    // stored recording mapped, or nullptr, leaving nothing behind, when it cannot be written.
    std::unique_ptr<MappedTune> store(std::uint64_t key, const std::string& name,
                                      const std::vector<std::span<const std::int16_t>>& parts, std::int64_t end) const;

private:
    std::string path_of(std::uint64_t key, const std::string& name) const;

    std::string folder_;
    std::int64_t max_frames_;
};

}  // namespace kelvora
