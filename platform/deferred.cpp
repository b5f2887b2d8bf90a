#include "platform/deferred.hpp"

#include <dlfcn.h>

#include <filesystem>

namespace kelvora {

void* load_module_entry(const std::string& module_path, const char* entry) {
    // The loader would wait for ever on a FIFO standing in the module's place.
    std::error_code ec;
    if (!std::filesystem::is_regular_file(module_path, ec)) return nullptr;
    // The module stays loaded for the rest of the run: the objects it made live that long.
    void* module = ::dlopen(module_path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr) return nullptr;
    return ::dlsym(module, entry);
}

namespace {

std::unique_ptr<SoundDevice> make_sound(const std::string& module_path) {
    using Factory = SoundDevice* (*)();
    auto factory = reinterpret_cast<Factory>(load_module_entry(module_path, "kelvora_make_sound_device"));
    return std::unique_ptr<SoundDevice>(factory ? factory() : nullptr);
}

}  // namespace

DeferredSound::~DeferredSound() {
    if (loader_.joinable()) loader_.join();
}

void DeferredSound::start_in_background() {
    if (started_) return;
    started_ = true;
    loader_ = std::thread([this] { device_ = make_sound(module_path_); });
}

SoundDevice* DeferredSound::device() const {
    if (!started_) {
        started_ = true;
        device_ = make_sound(module_path_);
    } else if (loader_.joinable()) {
        loader_.join();
    }
    return device_.get();
}

void DeferredSound::play_wave(const std::string& path) {
    if (auto* d = device()) d->play_wave(path);
}

bool DeferredSound::open_tune(const std::string& path) {
    auto* d = device();
    return d != nullptr && d->open_tune(path);
}

void DeferredSound::play_tune() {
    if (auto* d = device()) d->play_tune();
}

void DeferredSound::rewind_tune() {
    if (auto* d = device()) d->rewind_tune();
}

void DeferredSound::close_tune() {
    if (auto* d = device()) d->close_tune();
}

bool DeferredSound::tune_open() const {
    auto* d = device();
    return d != nullptr && d->tune_open();
}

bool DeferredSound::tune_playing() const {
    auto* d = device();
    return d != nullptr && d->tune_playing();
}

HttpClient* DeferredHttp::client() {
    if (!tried_) {
        tried_ = true;
        using Factory = HttpClient* (*)();
        auto factory = reinterpret_cast<Factory>(load_module_entry(module_path_, "kelvora_make_http_client"));
        if (factory) client_.reset(factory());
    }
    return client_.get();
}

std::optional<std::string> DeferredHttp::get(const std::string& url) {
    if (HttpClient* http = client()) return http->get(url);
    return std::nullopt;
}

std::optional<HttpReply> DeferredHttp::post(const std::string& url, const std::string& body,
                                            const std::string& content_type) {
    if (HttpClient* http = client()) return http->post(url, body, content_type);
    return std::nullopt;
}

}  // namespace kelvora
