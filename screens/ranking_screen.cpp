#include "screens/ranking_screen.hpp"

#include <array>
#include <cstdint>

#include "core/app.hpp"
#include "core/program_end.hpp"
#include "platform/language.hpp"
#include "ranking/net_ranking.hpp"
#include "ranking/rank_drawing.hpp"
#include "ranking/rank_file.hpp"
#include "ranking/server_address.hpp"
#include "screens/compositor.hpp"
#include "screens/primitives.hpp"

namespace kelvora {

namespace {

constexpr std::int16_t no_tab = -1;
constexpr std::int16_t net_page = 1;

// rank_image2 is the highlighted form of the area from (30, 75): a tab's highlight is its own
// rectangle taken from there.
constexpr int highlight_left = 30, highlight_top = 75;

struct RankTab {
    std::int16_t left, top, width, height;
    const char* description;
    RankTableTexts texts;
    rank_table GameState::*table;
};

// In the order of their numbers: official, net, point, chain.
const std::array<RankTab, 4> rank_tabs{{
    {30, 75, 215, 45, N_("オフィシャルモードのランキングを表示します。"),
     {N_("オフィシャルランキング"), N_("得点"), N_("パスワード")}, &GameState::official_ranking},
    {320, 75, 110, 45,
     N_("インターネットのランキングを表示します。（ネットに接続できなかった場合は、以前のデータを表示します。）"),
     {N_("ネットランキング"), N_("得点"), N_("日付")}, &GameState::net_ranking},
    {75, 130, 140, 40,
     N_("オプションモードを含めたポイントのランキングを表示します。（モードはオプション画面の上からの設定値を意味します。）"),
     {N_("ポイントランキング"), N_("得点"), N_("モード")}, &GameState::point_ranking},
    {290, 125, 85, 45,
     N_("オプションモードを含めた連鎖のランキングを表示します。（モードはオプション画面の上からの設定値を意味します。）"),
     {N_("連鎖ランキング"), N_("連鎖数"), N_("モード")}, &GameState::chain_ranking},
}};

constexpr Rect description_rect{20, 200, 480, 250};

// The table takes the lower half of the picture.
constexpr std::int16_t table_left = 0, table_top = 250, table_width = 500, table_height = 250;

const RankTab* tab_numbered(std::int16_t number) {
    return number >= 0 && number < std::int16_t(rank_tabs.size()) ? &rank_tabs[std::size_t(number)] : nullptr;
}

// The last tab whose open rectangle holds the pointer (they do not overlap), or -1.
std::int16_t tab_at(double x, double y) {
    const std::int16_t px = pointer_pixel(x), py = pointer_pixel(y);
    std::int16_t found = no_tab;
    for (std::size_t i = 0; i < rank_tabs.size(); ++i) {
        const RankTab& tab = rank_tabs[i];
        if (point_in_rect(px, py, tab.left, tab.top, tab.width, tab.height)) found = std::int16_t(i);
    }
    return found;
}

}  // namespace

void save_ranking(App& app, const char* file_name, const rank_table& table) {
    std::string path = app.data_dir + file_name;
    std::string error;
    if (!save_rank_file(path, table, error))
        fatal_error(app, "The rank file " + path + " cannot be written (" + error + ").");
}

namespace {

// Once per run: the game waits for the reply (the HTTP client bounds it in time), and the table
// and its file change only when the whole page was read.
void fetch_net_ranking_once(App& app) {
    GameState& state = app.state;
    if (state.net_fetch_state != -1) return;
    const bool downloaded = download_net_ranking(app.platform.http, ranking_server_address(), state.net_ranking);
    state.net_fetch_state = downloaded ? 1 : 2;
    if (downloaded) save_ranking(app, net_rank_file, state.net_ranking);
}

}  // namespace

void compose_rankings(App& app) {
    GameState& state = app.state;
    PictureStore& pictures = app.pictures;
    Surface& buffer = pictures.buffer;

    // The picture is square, so the old copy of width x width is the whole of it.
    copy_whole(buffer, pictures.rank_image);

    if (const RankTab* tab = tab_numbered(state.ranking_hover)) {
        bit_blt(buffer, tab->left, tab->top, tab->width, tab->height, pictures.rank_image2,
                tab->left - highlight_left, tab->top - highlight_top, Rop::srccopy);
        app.platform.text.draw_text(buffer, app.fonts.text_font, white, description_rect, text_format::wordbreak,
                                    tr(tab->description));
    }

    if (state.ranking_page == net_page) fetch_net_ranking_once(app);

    if (const RankTab* tab = tab_numbered(state.ranking_page)) {
        const RankTableTexts texts{tr(tab->texts.title), tr(tab->texts.score_heading), tr(tab->texts.note_heading)};
        draw_rank_table(buffer, app.platform.text, app.fonts.heading_font, app.fonts.text_font, texts,
                        state.*(tab->table), table_left, table_top, table_width, table_height);
    }

    present_buffer(app);
}

void rankings_pointer_move(App& app, double x, double y) { app.state.ranking_hover = tab_at(x, y); }

void rankings_click(App& app, double x, double y) {
    // A press beside every tab keeps the table shown; no sound either way.
    const std::int16_t tab = tab_at(x, y);
    if (tab != no_tab) app.state.ranking_page = tab;
    draw_screen(app);
}

}  // namespace kelvora
