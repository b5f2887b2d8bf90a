#pragma once
// The one context of the program: the game state, the picture store, the fonts, the random
// generator and the platform services. Everything of game/, screens/, ranking/, shell/ and
// pictures/ takes it by reference; tests build their own on the headless platform.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "core/game_state.hpp"
#include "core/picture_store.hpp"
#include "platform/fresh_seed.hpp"
#include "platform/platform.hpp"
#include "rules/random.hpp"
#include "rules/replay.hpp"

namespace kelvora {

struct Services {
    EventLoop& events;
    PlayTimer& timer;  // `thread`
    Window& window;
    TextRenderer& text;
    SoundDevice& sound;
    HttpClient& http;
    Browser& browser;
};

struct Fonts {
    Font score_font{20, 0};
    Font text_font{14, 128};
    Font heading_font{25, 128};
    Font name_font{45, 128};
    // At unload: a font of height 0 draws nothing.
    void release() { score_font = text_font = heading_font = name_font = Font{}; }
};

struct App {
    explicit App(Services services) : platform(services) {}
    GameState state;
    PictureStore pictures;
    Services platform;
    Fonts fonts;
    Random random;  // the rain of the game being played, seeded afresh for each game
    // Where each game's seed comes from: the operating system, or a test's fixed seeds.
    std::function<std::uint64_t()> next_seed = fresh_seed;
    std::optional<Replay> recording;  // the official game being played, while it runs
    std::string app_dir;   // the folder of pictures, sounds and tunes, ending in a separator
    std::string data_dir;  // the folder of the rank files, ending in a separator
    // Where in app_dir the pictures and the help page of the player's language are: "" for
    // Japanese, else a folder such as "en/".
    std::string language_dir;
};

}  // namespace kelvora
