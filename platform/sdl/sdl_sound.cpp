#include "platform/sdl/sdl_sound.hpp"

#include <SDL.h>
#include <SDL_mixer.h>
#include <dlfcn.h>

#include <algorithm>
#include <string_view>

#include "platform/file_read.hpp"
#include "platform/sdl/midi_tune.hpp"
#include "platform/sdl/tune_cache.hpp"

namespace kelvora {
namespace {

constexpr int wanted_frequency = 44100;
constexpr int wanted_channels = 2;
constexpr int chunk_frames = 1024;  // about 23 ms: a new wave cuts in without a noticeable delay

// Every wave plays on this one channel, so each new wave cuts off the one before.
constexpr int wave_channel = 0;

// With no sound card, ALSA's library prints its failures to stderr while SDL looks for a device.
// SDL loads the same library, so a quiet handler set here silences it there too.
void quiet_alsa(const char*, int, const char*, int, const char*, ...) {}

void silence_alsa() {
    void* alsa = ::dlopen("libasound.so.2", RTLD_NOW);
    if (!alsa) return;
    using Handler = void (*)(const char*, int, const char*, int, const char*, ...);
    auto set_handler = reinterpret_cast<int (*)(Handler)>(::dlsym(alsa, "snd_lib_error_set_handler"));
    if (set_handler) set_handler(quiet_alsa);
    // The library stays loaded: SDL uses it for as long as the program runs.
}

// Six minutes of CD-quality stereo; the game's effects are a few seconds long.
constexpr std::size_t max_wave_bytes = 64 * 1024 * 1024;

// The wave player plays RIFF wave files only; SDL2_mixer alone would also decode MIDI, MP3 and
// others into a chunk.
bool is_wave_file(const std::string& bytes) {
    return bytes.size() >= 12 && std::string_view(bytes.data(), 4) == "RIFF" &&
           std::string_view(bytes.data() + 8, 4) == "WAVE";
}

// The file is read here and SDL decodes the bytes, so SDL never opens a path that could block.
Mix_Chunk* load_wave(const std::string& path) {
    std::string bytes, error;
    if (!read_file(path, max_wave_bytes, bytes, error) || !is_wave_file(bytes)) return nullptr;
    SDL_RWops* source = SDL_RWFromConstMem(bytes.data(), int(bytes.size()));
    return source ? Mix_LoadWAV_RW(source, 1) : nullptr;
}

}  // namespace

SdlSound::SdlSound() = default;

void SdlSound::start_in_background() {
    if (started_) return;
    started_ = true;
    starter_ = std::thread([this] { start(); });
}

SdlSound::~SdlSound() {
    if (!started_) return;
    wait_until_started();
    if (device_open_) {
        // Both wait for the audio thread, so neither the hook nor a chunk is in use afterwards.
        Mix_HookMusic(nullptr, nullptr);
        Mix_HaltChannel(-1);
        for (auto& [path, chunk] : waves_) Mix_FreeChunk(chunk);
        Mix_CloseAudio();
    }
    tune_.reset();
    if (audio_initialised_) SDL_QuitSubSystem(SDL_INIT_AUDIO);
    // SDL keeps its hints until it is quit altogether; nothing else of the game uses SDL.
    if (SDL_WasInit(SDL_INIT_EVERYTHING) == 0) SDL_Quit();
}

void SdlSound::start() {
    // SDL would otherwise turn Ctrl+C and SIGTERM into events that nobody reads here.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    silence_alsa();
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return;
    audio_initialised_ = true;
    if (Mix_OpenAudio(wanted_frequency, AUDIO_S16SYS, wanted_channels, chunk_frames) != 0) return;
    device_open_ = true;
    Mix_AllocateChannels(1);

    int frequency = 0, channels = 0;
    Uint16 format = 0;
    if (!Mix_QuerySpec(&frequency, &format, &channels) || format != AUDIO_S16SYS || channels < 1) return;
    channels_ = channels;
    auto tune = std::make_unique<MidiTune>(frequency, find_soundfont(), tune_cache_folder());
    if (!tune->ok()) return;
    tune_ = std::move(tune);
    Mix_HookMusic(render_music, this);
}

void SdlSound::wait_until_started() const {
    if (!started_) {
        // Nobody asked for the background start: the first sound call does the work itself.
        started_ = true;
        const_cast<SdlSound*>(this)->start();
        return;
    }
    if (starter_.joinable()) starter_.join();
}

// Runs on SDL's audio thread.
void SdlSound::render_music(void* self, std::uint8_t* stream, int length) {
    auto* sound = static_cast<SdlSound*>(self);
    auto* out = reinterpret_cast<std::int16_t*>(stream);
    int channels = sound->channels_;
    int frames = length / int(sizeof(std::int16_t)) / channels;
    if (channels == 2) {
        sound->tune_->render(out, frames);
        return;
    }
    std::vector<std::int16_t>& stereo = sound->stereo_;
    if (stereo.size() < std::size_t(2 * frames)) stereo.resize(std::size_t(2 * frames));
    sound->tune_->render(stereo.data(), frames);
    for (int f = 0; f < frames; ++f) {
        std::int16_t* frame = out + f * channels;
        if (channels == 1) {
            frame[0] = std::int16_t((stereo[2 * f] + stereo[2 * f + 1]) / 2);
        } else {
            frame[0] = stereo[2 * f];
            frame[1] = stereo[2 * f + 1];
            std::fill(frame + 2, frame + channels, std::int16_t{0});
        }
    }
}

void SdlSound::play_wave(const std::string& path) {
    wait_until_started();
    if (!device_open_) return;
    auto found = waves_.find(path);
    if (found == waves_.end()) {
        // A file that cannot be read is tried again next time rather than remembered.
        Mix_Chunk* chunk = load_wave(path);
        if (!chunk) return;
        found = waves_.emplace(path, chunk).first;
    }
    Mix_PlayChannel(wave_channel, found->second, 0);
}

bool SdlSound::open_tune(const std::string& path) {
    wait_until_started();
    if (!tune_) return false;
    return tune_->open(path);
}

void SdlSound::play_tune() {
    wait_until_started();
    if (tune_) tune_->play();
}

void SdlSound::rewind_tune() {
    wait_until_started();
    if (tune_) tune_->rewind();
}

void SdlSound::close_tune() {
    wait_until_started();
    if (tune_) tune_->close();
}

bool SdlSound::tune_open() const {
    wait_until_started();
    return tune_ && tune_->is_open();
}

bool SdlSound::tune_playing() const {
    wait_until_started();
    return tune_ && tune_->playing();
}

bool SdlSound::device_open() const {
    wait_until_started();
    return device_open_;
}

bool SdlSound::wave_playing() const {
    wait_until_started();
    return device_open_ && Mix_Playing(wave_channel) != 0;
}

}  // namespace kelvora
