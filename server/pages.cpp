#include "server/pages.hpp"

#include "platform/sjis.hpp"

namespace kelvora::server {
namespace {

constexpr const char* ranking_title = "ケルボラ ネットランキング";

// 123456789 -> "123,456,789", for people; the game's page keeps plain digits, since its reader
// stops a number at the first comma.
std::string grouped(std::int32_t value) {
    std::string digits = std::to_string(value), out;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) out.push_back(',');
        out.push_back(digits[i]);
    }
    return out;
}

// Entries are checked on the way in; this keeps the game's table intact even for a row that was
// put into the database by other means.
std::string without_markup(std::string text) {
    for (char& c : text)
        if (c == '<' || c == '>' || c == '&' || c == '"' || c == '\'') c = '?';
    return text;
}

constexpr const char* page_style =
    "<style>body{font-family:sans-serif;max-width:40em;margin:1em auto;padding:0 1em}"
    "table{border-collapse:collapse}th,td{border:1px solid #999;padding:.2em .6em}"
    "td.n{text-align:right}label{display:block;margin:.4em 0}.note{color:#555}</style>";

std::string page_head(std::string_view title) {
    std::string page = "<!DOCTYPE html>\n<html lang=\"ja\"><head><meta charset=\"UTF-8\">"
                       "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\"><title>";
    page += html_escape(title);
    page += "</title>";
    page += page_style;
    page += "</head><body>\n";
    return page;
}

}  // namespace

std::string list_page(const std::vector<StoredEntry>& best) {
    std::string page =
        "<HTML><HEAD><META http-equiv=\"Content-Type\" content=\"text/html; charset=Shift_JIS\">"
        "<TITLE>";
    page += ranking_title;
    page += "</TITLE></HEAD><BODY>\n<TABLE border=\"1\">\n<TR><TH>順位</TH><TH>名前</TH><TH>日付</TH><TH>得点</TH></TR>\n";
    for (int place = 1; place <= list_places; ++place) {
        const bool filled = std::size_t(place) <= best.size();
        const StoredEntry* entry = filled ? &best[std::size_t(place - 1)] : nullptr;
        page += "<TR><TD>" + std::to_string(place) + "位</TD><TD>";
        page += filled ? without_markup(entry->name) : "-";
        page += "</TD><TD>";
        page += filled ? without_markup(entry->date) : "-";
        page += "</TD><TD>";
        page += filled ? std::to_string(entry->score) : "0";
        page += "</TD></TR>\n";
    }
    page += "</TABLE>\n</BODY></HTML>\n";
    return utf8_to_cp932(page);
}

std::string top_page(const std::vector<StoredEntry>& best, bool accept_passwords) {
    std::string page = page_head(ranking_title);
    page += "<h1>";
    page += ranking_title;
    page += "</h1>\n";
    if (best.empty()) {
        page += "<p>まだ登録はありません。</p>\n";
    } else {
        page += "<table>\n<tr><th>順位</th><th>名前</th><th>日付</th><th>得点</th><th>確認</th></tr>\n";
        for (std::size_t i = 0; i < best.size(); ++i) {
            page += "<tr><td class=\"n\">" + std::to_string(i + 1) + "位</td><td>" + html_escape(best[i].name) +
                    "</td><td>" + html_escape(best[i].date) + "</td><td class=\"n\">" + grouped(best[i].score) +
                    "</td><td>" + (best[i].verified ? "リプレイで確認済み" : "未確認") + "</td></tr>\n";
        }
        page += "</table>\n";
    }
    page +=
        "<h2>公式ゲームのリプレイを登録する</h2>\n"
        "<p class=\"note\">公式ゲームを最後まで遊ぶと、ゲームはそのリプレイ（.kvr）をランキングの"
        "ファイルと同じフォルダーの replays に残します。サーバーがリプレイを再生して確かめた"
        "得点だけが登録されます。</p>\n"
        "<form method=\"post\" action=\"/replay\" enctype=\"multipart/form-data\" accept-charset=\"UTF-8\">\n"
        "<label>名前（半角1〜3文字） <input name=\"name\" maxlength=\"3\" size=\"4\" required "
        "autocomplete=\"off\"></label>\n"
        "<label>リプレイ <input type=\"file\" name=\"replay\" accept=\".kvr\" required></label>\n"
        "<button type=\"submit\">登録する</button>\n</form>\n";
    if (!accept_passwords) return page + "</body></html>\n";
    page +=
        "<h2>パスワードで結果を登録する（未確認）</h2>\n"
        "<p class=\"note\">パスワードは、公式ゲームでランクインして名前を入れたあと、"
        "ゲームの公式ランキングの「パスワード」の欄に表示されます。名前・得点・パスワードを"
        "そのとおりに入力してください。</p>\n"
        "<form method=\"post\" action=\"/entry\" accept-charset=\"UTF-8\">\n"
        "<label>名前（半角1〜3文字） <input name=\"name\" maxlength=\"3\" size=\"4\" required "
        "autocomplete=\"off\"></label>\n"
        "<label>得点 <input name=\"score\" maxlength=\"9\" size=\"10\" inputmode=\"numeric\" required "
        "autocomplete=\"off\"></label>\n"
        "<label>パスワード <input name=\"password\" maxlength=\"6\" size=\"7\" required "
        "autocomplete=\"off\"></label>\n"
        "<button type=\"submit\">登録する</button>\n</form>\n</body></html>\n";
    return page;
}

std::string message_page(std::string_view heading, const std::vector<std::string>& lines) {
    std::string page = page_head(heading);
    page += "<h1>" + html_escape(heading) + "</h1>\n";
    for (const auto& line : lines) page += "<p>" + html_escape(line) + "</p>\n";
    page += "<p><a href=\"/\">ランキングへ戻る</a></p>\n</body></html>\n";
    return page;
}

std::string html_escape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '&': out += "&amp;"; break;
            case '"': out += "&quot;"; break;
            case '\'': out += "&#39;"; break;
            default: out.push_back(c);
        }
    }
    return out;
}

}  // namespace kelvora::server
