#include "shell/startup.hpp"

#include <array>
#include <filesystem>

#include "core/app.hpp"
#include "core/program_end.hpp"
#include "core/sound.hpp"
#include "game/game_setup.hpp"
#include "ranking/rank_file.hpp"
#include "screens/compositor.hpp"
#include "shell/opening.hpp"
#include "shell/folders.hpp"
#include "shell/option_help.hpp"

namespace kelvora {

namespace {

constexpr const char* title_music = "kelvora1.mid";

// A folder with exactly one trailing separator; the root keeps its one.
std::string with_one_separator(std::string folder) {
    if (folder.empty()) return "./";
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    if (folder.back() != '/') folder.push_back('/');
    return folder;
}

struct RankingFile {
    const char* file_name;
    rank_table GameState::*table;
};

// The order in which the rank files are created and loaded.
constexpr std::array<RankingFile, 4> ranking_files{{
    {official_rank_file, &GameState::official_ranking},
    {point_rank_file, &GameState::point_ranking},
    {chain_rank_file, &GameState::chain_ranking},
    {net_rank_file, &GameState::net_ranking},
}};

bool file_exists(const std::string& path) {
    std::error_code error;
    return std::filesystem::exists(path, error);
}

}  // namespace

std::string app_dir_of(const std::string& exe_path) {
    auto slash = exe_path.find_last_of('/');
    if (slash == std::string::npos) return "./";
    return with_one_separator(exe_path.substr(0, slash + 1));
}

void set_start_values(GameState& s) {
    s.screen_state = screen::busy;
    // The game quantities start at the official values, counters and score at 0.
    apply_official_values(s);
    s.settings = {0, 4, 3, 1, 3, 2, 2};
    s.blink_phase = false;
    s.rain_running = false;
    s.title_choice = 0;
    s.option_hover = 0;
    s.name_entry = false;
    s.name_length = 0;
    s.name_button_hover = 0;
    s.player_name.clear();
    s.ranking_page = -1;
    s.ranking_hover = -1;
    s.net_fetch_state = -1;
    s.escape_ready = false;
}

void start_up(App& app) {
    GameState& state = app.state;
    // Nothing that runs during start-up's waits may act before the title is shown.
    state.screen_state = screen::busy;
    state.escape_ready = false;

    // 1. The four fonts, in this order.
    app.fonts.score_font = Font{20, 0};
    app.fonts.text_font = Font{14, 128};
    app.fonts.heading_font = Font{25, 128};
    app.fonts.name_font = Font{45, 128};

    // 2. The program's folders, each ending in one separator; the rank files' folder is made on
    // the first run.
    app.app_dir = with_one_separator(app.app_dir);
    if (app.data_dir.empty()) {
        fatal_error(app, "There is no folder for the rank files: set HOME or XDG_DATA_HOME.");
        return;
    }
    app.data_dir = with_one_separator(app.data_dir);
    if (std::string error; !make_folder(app.data_dir, error)) {
        fatal_error(app, "The folder " + app.data_dir + " for the rank files cannot be made (" + error + ").");
        return;
    }

    // 3. The default tables.
    state.official_ranking = make_rank_table(1000, 1000);
    state.point_ranking = make_rank_table(1000, 1000);
    state.chain_ranking = make_rank_table(5, 1);
    state.net_ranking = make_rank_table(0, 0);
    const GameState defaults = state;

    // 4. Missing rank files are made from the defaults; existing ones are left alone.
    for (const auto& ranking : ranking_files) {
        std::string path = app.data_dir + ranking.file_name;
        if (file_exists(path)) continue;
        std::string error;
        if (!save_rank_file(path, state.*ranking.table, error)) {
            fatal_error(app, "The rank file " + path + " cannot be created (" + error + ").");
            return;
        }
    }

    // 5. The rankings in memory become those of the files. A damaged file keeps what it holds
    // whole, takes the defaults for the rest, and is rewritten when its ranking next changes.
    for (const auto& ranking : ranking_files) {
        std::string path = app.data_dir + ranking.file_name;
        std::string error;
        if (!load_rank_file(path, defaults.*ranking.table, state.*ranking.table, error)) {
            fatal_error(app, "The rank file " + path + " cannot be read (" + error + ").");
            return;
        }
    }

    // 6. The picture store; the window's client area is 500 x 500 by the window's own making.
    std::string picture_error = load_pictures(app.pictures, app.app_dir, app.language_dir);
    if (!picture_error.empty()) {
        fatal_error(app, "A picture of the game cannot be loaded: " + picture_error + ".");
        return;
    }

    // 7. work_image takes back_image's 501 x 501 and fills the window from (0, 0).
    app.platform.window.set_picture(&app.pictures.work_image.bitmap);

    // 8. The start values, then the play timer's interval.
    set_start_values(state);
    app.platform.timer.set_interval(state.tick_interval);
    app.platform.timer.set_enabled(true);

    // 9. The help texts of the options screen.
    state.option_help = make_option_help();

    // 10. The window.
    app.platform.window.show();

    // 11. The opening, which ends with the title picture faded in.
    play_opening(app);

    // 12. The title screen with its music.
    state.screen_state = screen::title;
    state.escape_ready = true;
    play_music(app, title_music);
    draw_screen(app);
}

}  // namespace kelvora
