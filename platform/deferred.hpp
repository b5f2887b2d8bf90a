#pragma once
// Sound and HTTP backends loaded from modules (beside the program, or in its private library folder
// once installed) when they are first needed, so that their libraries never delay the window. A
// module that cannot be loaded leaves the game silent, or every download failed: nothing else
// changes.

#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "platform/platform.hpp"

namespace kelvora {

class DeferredSound : public SoundDevice {
public:
    explicit DeferredSound(std::string module_path) : module_path_(std::move(module_path)) {}
    ~DeferredSound() override;
    DeferredSound(const DeferredSound&) = delete;
    DeferredSound& operator=(const DeferredSound&) = delete;

    // Loads the module on a thread of its own; the first sound call waits for it.
    void start_in_background();

    void play_wave(const std::string& path) override;
    bool open_tune(const std::string& path) override;
    void play_tune() override;
    void rewind_tune() override;
    void close_tune() override;
    bool tune_open() const override;
    bool tune_playing() const override;

private:
    SoundDevice* device() const;  // null when the module cannot be loaded

    std::string module_path_;
    mutable bool started_ = false;
    mutable std::thread loader_;
    mutable std::unique_ptr<SoundDevice> device_;
};

class DeferredHttp : public HttpClient {
public:
    explicit DeferredHttp(std::string module_path) : module_path_(std::move(module_path)) {}
    std::optional<std::string> get(const std::string& url) override;
    std::optional<HttpReply> post(const std::string& url, const std::string& body,
                                  const std::string& content_type) override;

private:
    HttpClient* client();
    std::string module_path_;
    bool tried_ = false;
    std::unique_ptr<HttpClient> client_;
};

// Opens a module and finds one of its entry points; null (and nothing loaded) on failure.
void* load_module_entry(const std::string& module_path, const char* entry);

}  // namespace kelvora
