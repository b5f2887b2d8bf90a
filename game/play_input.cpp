#include "game/play_input.hpp"

#include "core/app.hpp"
#include "core/program_end.hpp"
#include "core/sound.hpp"
#include "pictures/fade.hpp"
#include "ranking/rank_file.hpp"
#include "screens/ranking_screen.hpp"

namespace kelvora {

namespace {

constexpr std::size_t name_limit = 3;
constexpr int lowest_name_code = 33;   // "!"
constexpr int highest_name_code = 122; // "z"

// The name entry's buttons, inclusive bounds in whole pixels.
struct ButtonArea {
    std::int32_t left, top, right, bottom;
    bool contains(std::int32_t x, std::int32_t y) const {
        return left <= x && x <= right && top <= y && y <= bottom;
    }
};
constexpr ButtonArea delete_button{311, 281, 359, 309};  // "BAS"
constexpr ButtonArea ok_button{311, 316, 359, 344};      // "O.K"

// Marks an Esc as being handled; a second Esc during its fades finds it taken.
class EscapeGuard {
public:
    explicit EscapeGuard(GameState& state) : state_(state) { state_.escape_ready = false; }
    ~EscapeGuard() { state_.escape_ready = true; }
    EscapeGuard(const EscapeGuard&) = delete;
    EscapeGuard& operator=(const EscapeGuard&) = delete;

private:
    GameState& state_;
};

}  // namespace

void press_escape(App& app) {
    GameState& state = app.state;
    if (state.name_entry || !state.escape_ready) return;
    play_music(app, "");
    EscapeGuard guard(state);
    const std::int16_t left = state.screen_state;
    state.screen_state = screen::busy;
    fade_screen(app, 2);
    // Leaving play abandons the game: it never reaches the ranking checks.
    if (left == screen::official_play || left == screen::option_play) {
        state.rain_running = false;
        app.recording.reset();
    }
    if (left == screen::option_play) {
        copy_whole(app.pictures.buffer, app.pictures.option_image);
        fade_screen(app, 1);
        state.screen_state = screen::options;
    } else if (left != screen::title) {
        copy_whole(app.pictures.buffer, app.pictures.open_image);
        fade_screen(app, 1);
        state.title_choice = 0;
        state.screen_state = screen::title;
        play_music(app, "kelvora1.mid");
    } else {
        form_unload(app);
    }
}

void type_name_char(GameState& state, int char_code) {
    if (char_code == backspace_code) {
        if (!state.player_name.empty()) state.player_name.pop_back();
    } else if (state.player_name.size() < name_limit && char_code >= lowest_name_code &&
               char_code <= highest_name_code) {
        state.player_name.push_back(char(char_code));
    }
    state.name_length = std::int16_t(state.player_name.size());
}

bool name_is_blank(const std::string& name) {
    return name.empty() || (name.size() <= name_limit && name.find_first_not_of(' ') == std::string::npos);
}

void name_entry_hover(GameState& state, std::int32_t x, std::int32_t y) {
    state.name_button_hover = 0;
    if (delete_button.contains(x, y)) state.name_button_hover = 1;
    if (ok_button.contains(x, y) && !name_is_blank(state.player_name)) state.name_button_hover = 2;
}

void name_entry_press(App& app, std::int32_t x, std::int32_t y) {
    GameState& state = app.state;
    if (delete_button.contains(x, y)) {
        play_wave(app, "po.wav");
        if (!state.player_name.empty()) {
            state.name_length = std::int16_t(state.player_name.size() - 1);
            state.player_name.resize(std::size_t(state.name_length));
        }
    } else if (!name_is_blank(state.player_name) && ok_button.contains(x, y)) {
        register_game(app);
    }
}

std::string mode_text(const GameState& state) {
    if (state.screen_state == screen::official_play) return "official";
    std::string text;
    for (int i = 1; i <= 6; ++i) text += " " + std::to_string(state.settings[i]);
    return text;
}

void register_game(App& app) {
    GameState& state = app.state;
    const std::string mode = mode_text(state);
    // Names are codes 33 to 122, the same bytes in code page 932 as typed.
    if (state.official_rank_pos > 0) {
        state.official_ranking = insert_rank(state.official_ranking, state.official_rank_pos, state.total_score,
                                             state.player_name, make_password(state.total_score));
        save_ranking(app, official_rank_file, state.official_ranking);
    }
    if (state.point_rank_pos > 0) {
        state.point_ranking =
            insert_rank(state.point_ranking, state.point_rank_pos, state.total_score, state.player_name, mode);
        save_ranking(app, point_rank_file, state.point_ranking);
    }
    if (state.chain_rank_pos > 0) {
        state.chain_ranking =
            insert_rank(state.chain_ranking, state.chain_rank_pos, state.max_chain, state.player_name, mode);
        save_ranking(app, chain_rank_file, state.chain_ranking);
    }
    state.total_score = 0;
    state.max_chain = 0;
    state.name_entry = false;
    play_wave(app, "over.wav");
}


}  // namespace kelvora
