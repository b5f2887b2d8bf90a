#include "shell/send_window.hpp"

#include <cstdio>
#include <string>
#include <vector>

#include "core/app.hpp"
#include "game/replay_files.hpp"
#include "platform/file_read.hpp"
#include "platform/language.hpp"
#include "ranking/server_address.hpp"
#include "rules/replay.hpp"

namespace kelvora {

namespace {

// The window's texts, each whole; %1 and %2 stand for the numbers and the server's words.
constexpr const char* line_format = N_("得点 %1　最大連鎖 %2　%3");
constexpr const char* accepted_text = N_("ネットランキングの%1位に登録されました。");
constexpr const char* already_entered_text = N_("このゲームはもうネットランキングに登録されています。");
constexpr const char* refused_text = N_("登録できませんでした。サーバーの答え：%1");
constexpr const char* bad_name_text = N_("名前は半角の英数字と記号で1〜3文字です。");
constexpr const char* unreachable_text =
    N_("ランキングサーバーにつながりませんでした。リプレイはそのまま残っているので、あとで送れます。");
constexpr const char* unreadable_text = N_("このリプレイのファイルを読めませんでした。");

// A text of the window in the player's language.
std::string said(const char* japanese_text) { return std::string(tr(japanese_text)); }

std::string filled(std::string text, const std::vector<std::string>& values) {
    for (std::size_t i = 0; i < values.size(); ++i) {
        const std::string mark = "%" + std::to_string(i + 1);
        if (const std::size_t at = text.find(mark); at != std::string::npos) text.replace(at, mark.size(), values[i]);
    }
    return text;
}

// Everything but letters and digits escaped: the name may hold "&", "#", "+" and "%".
std::string query_escaped(const std::string& text) {
    std::string out;
    for (unsigned char c : text) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        char escaped[4];
        std::snprintf(escaped, sizeof escaped, "%%%02X", c);
        out += plain ? std::string(1, char(c)) : std::string(escaped);
    }
    return out;
}

// The server's one line, without its status word and newline: "place 3, ...", "the press ...".
std::string server_words(const std::string& body) {
    std::string line = body.substr(0, body.find('\n'));
    if (const std::size_t colon = line.find(": "); colon != std::string::npos && colon < 10) line.erase(0, colon + 2);
    return line.substr(0, 200);
}

Window::SendResult send_one(App& app, const UnsentReplay& replay, const std::string& name) {
    std::string bytes, error;
    if (!read_file(replay_folder(app) + replay.file, replay_size_limit, bytes, error)) return {said(unreadable_text), false};
    std::string base = ranking_server_address();
    while (!base.empty() && base.back() == '/') base.pop_back();
    const auto reply = app.platform.http.post(base + "/replay?name=" + query_escaped(name), bytes,
                                              "application/octet-stream");
    if (!reply) return {said(unreachable_text), false};
    if (reply->status == 200 || reply->status == 409) mark_replay_sent(app, replay.file);
    if (reply->status == 200) {
        // "accepted: place P, score S, max chain M"
        const std::string words = server_words(reply->body);
        const std::size_t at = words.find("place ");
        const std::string place = at == std::string::npos ? "?" : words.substr(at + 6, words.find(',', at) - at - 6);
        return {filled(said(accepted_text), {place}), true};
    }
    if (reply->status == 409) return {said(already_entered_text), true};
    if (reply->status == 400) return {said(bad_name_text), false};
    return {filled(said(refused_text), {server_words(reply->body)}), false};
}

}  // namespace

void open_send_window(App& app) {
    PlayTimer& timer = app.platform.timer;
    const bool saved_timer_enabled = timer.enabled();
    timer.set_enabled(false);

    std::vector<UnsentReplay> replays = unsent_replays(app);
    std::vector<std::string> lines;
    for (const UnsentReplay& replay : replays)
        lines.push_back(filled(said(line_format), {std::to_string(replay.score), std::to_string(replay.max_chain), replay.when}));
    app.platform.window.show_send_window(lines, app.state.player_name, [&](std::size_t index, const std::string& name) {
        Window::SendResult result = send_one(app, replays.at(index), name);
        if (result.done) replays.erase(replays.begin() + std::ptrdiff_t(index));
        return result;
    });
    timer.set_enabled(saved_timer_enabled);
}

}  // namespace kelvora
