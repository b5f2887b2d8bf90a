#pragma once
// Wave sounds and the background tune on one SDL2_mixer device: waves on one mixer channel,
// the tune rendered by fluidsynth into the mixer's music hook.

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/platform.hpp"

struct Mix_Chunk;

namespace kelvora {

class MidiTune;

class SdlSound : public SoundDevice {
public:
    // Returns at once and opens nothing. start_in_background() opens the device and loads the
    // soundfont on a thread of its own, so that a window shown meanwhile never waits for them;
    // without it the first sound call does that work itself. Every sound call waits until it is done.
    SdlSound();
    void start_in_background();
    ~SdlSound() override;
    SdlSound(const SdlSound&) = delete;
    SdlSound& operator=(const SdlSound&) = delete;

    void play_wave(const std::string& path) override;
    bool open_tune(const std::string& path) override;
    void play_tune() override;
    void rewind_tune() override;
    void close_tune() override;
    bool tune_open() const override;
    bool tune_playing() const override;

    // False when there is no sound device: then nothing plays and no tune opens.
    bool device_open() const;
    bool wave_playing() const;

private:
    void start();
    void wait_until_started() const;
    static void render_music(void* self, std::uint8_t* stream, int length);

    mutable std::thread starter_;
    mutable bool started_ = false;
    bool audio_initialised_ = false;
    bool device_open_ = false;
    int channels_ = 2;
    std::unique_ptr<MidiTune> tune_;
    std::vector<std::int16_t> stereo_;  // the tune before it is spread over other channel counts
    std::map<std::string, Mix_Chunk*> waves_;
};

}  // namespace kelvora
