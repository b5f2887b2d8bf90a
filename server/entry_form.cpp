#include "server/entry_form.hpp"

#include "ranking/rank_file.hpp"

namespace kelvora::server {
namespace {

int hex_value(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::optional<std::string> decode_component(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '+') {
            out.push_back(' ');
        } else if (c == '%') {
            if (i + 2 >= text.size()) return std::nullopt;
            const int high = hex_value(text[i + 1]), low = hex_value(text[i + 2]);
            if (high < 0 || low < 0) return std::nullopt;
            out.push_back(char(high * 16 + low));
            i += 2;
        } else {
            out.push_back(c);
        }
    }
    return out;
}

std::string_view trim_blanks(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

// The value of a field sent exactly once; a problem is noted when it is missing or repeated.
std::optional<std::string_view> single_field(const FormFields& fields, std::string_view key,
                                             const char* label, std::vector<std::string>& problems) {
    std::optional<std::string_view> value;
    for (const auto& [k, v] : fields) {
        if (k != key) continue;
        if (value) {
            problems.push_back(std::string(label) + "が二度送られました。");
            return std::nullopt;
        }
        value = trim_blanks(v);
    }
    if (!value || value->empty()) {
        problems.push_back(std::string(label) + "を入力してください。");
        return std::nullopt;
    }
    return value;
}

bool is_markup_character(char c) { return c == '<' || c == '>' || c == '&' || c == '"' || c == '\''; }

}  // namespace

std::optional<std::string> check_name(std::string_view name, std::vector<std::string>& problems) {
    for (char c : name) {
        if (is_markup_character(c)) {
            problems.push_back("名前に < > & \" ' は使えません。");
            return std::nullopt;
        }
    }
    bool typeable = name.size() <= 3;
    for (unsigned char c : name) typeable = typeable && c >= 33 && c <= 122;
    if (!typeable) {
        problems.push_back("名前は、ゲームの名前入力と同じく、半角の英数字と記号で1〜3文字です"
                           "（空白と { | } ~ は使えません）。");
        return std::nullopt;
    }
    return std::string(name);
}

namespace {

std::optional<std::int32_t> check_score(std::string_view score, std::vector<std::string>& problems) {
    for (char c : score) {
        if (c < '0' || c > '9') {
            problems.push_back("得点は半角の数字だけで入力してください（区切りのコンマもなしで）。");
            return std::nullopt;
        }
    }
    while (score.size() > 1 && score.front() == '0') score.remove_prefix(1);
    std::int64_t value = 0;
    for (char c : score) {
        value = value * 10 + (c - '0');
        if (value > max_entry_score) {
            problems.push_back("得点は 0 から 999999999 までです。");
            return std::nullopt;
        }
    }
    return std::int32_t(value);
}

std::optional<std::string> check_password_form(std::string_view password, std::vector<std::string>& problems) {
    std::string lower;
    for (char c : password) {
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
        if (c < 'a' || c > 'z') break;
        lower.push_back(c);
    }
    if (lower.size() != password.size() || lower.size() != 6) {
        problems.push_back("パスワードは半角の英字6文字です。");
        return std::nullopt;
    }
    return lower;
}

}  // namespace

std::optional<FormFields> decode_form(std::string_view body) {
    FormFields fields;
    while (!body.empty()) {
        const std::size_t end = body.find('&');
        const std::string_view pair = body.substr(0, end);
        body = end == std::string_view::npos ? std::string_view{} : body.substr(end + 1);
        if (pair.empty()) continue;
        const std::size_t equals = pair.find('=');
        auto key = decode_component(pair.substr(0, equals));
        auto value = decode_component(equals == std::string_view::npos ? std::string_view{} : pair.substr(equals + 1));
        if (!key || !value) return std::nullopt;
        fields.emplace_back(std::move(*key), std::move(*value));
    }
    return fields;
}

std::string encode_form(const FormFields& fields) {
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string out;
    auto encode = [&out](const std::string& text) {
        for (unsigned char c : text) {
            const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                               c == '-' || c == '.' || c == '_' || c == '*';
            if (plain) {
                out.push_back(char(c));
            } else {
                out.push_back('%');
                out.push_back(digits[c >> 4]);
                out.push_back(digits[c & 15]);
            }
        }
    };
    for (const auto& [key, value] : fields) {
        if (!out.empty()) out.push_back('&');
        encode(key);
        out.push_back('=');
        encode(value);
    }
    return out;
}

EntryCheck check_entry(const FormFields& fields) {
    EntryCheck check;
    auto& problems = check.problems;
    const auto name_text = single_field(fields, "name", "名前", problems);
    const auto score_text = single_field(fields, "score", "得点", problems);
    const auto password_text = single_field(fields, "password", "パスワード", problems);
    const auto name = name_text ? check_name(*name_text, problems) : std::nullopt;
    const auto score = score_text ? check_score(*score_text, problems) : std::nullopt;
    const auto password = password_text ? check_password_form(*password_text, problems) : std::nullopt;
    if (score && password && *password != make_password(*score))
        problems.push_back("パスワードがこの得点のものではありません。ゲームの公式ランキングに"
                           "表示されたとおりに、得点と合わせて入力してください。");
    if (problems.empty() && name && score && password) check.entry = Entry{*name, *score, *password};
    return check;
}

}  // namespace kelvora::server
