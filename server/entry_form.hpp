#pragma once
// The entry form of the top page: decoding its urlencoded body and checking an official result.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kelvora::server {

using FormFields = std::vector<std::pair<std::string, std::string>>;

// Decodes an application/x-www-form-urlencoded body into its fields, in order ("+" is a blank,
// "%XY" a byte). Nothing for a broken escape, which a browser never sends.
std::optional<FormFields> decode_form(std::string_view body);

// The inverse, for clients and tests: every byte but letters, digits and "-._*" escaped.
std::string encode_form(const FormFields& fields);

struct Entry {
    std::string name;
    std::int32_t score = 0;
    std::string password;
    std::optional<std::uint64_t> seed{};  // a verified replay's seed; none for a password entry
    std::int32_t max_chain = 0;
    friend bool operator==(const Entry&, const Entry&) = default;
};

inline constexpr std::int32_t max_entry_score = 999'999'999;

// An entry, or the reasons (in Japanese, one per line) why the form is not one: the name must be
// one to three characters the game's name entry can type, without markup characters; the score
// 0 to 999,999,999; the password the six letters the game shows for that score.
struct EntryCheck {
    std::optional<Entry> entry;
    std::vector<std::string> problems;
};
EntryCheck check_entry(const FormFields& fields);

// The name alone, by the same rules; nothing, with the reasons added to `problems`, when bad.
std::optional<std::string> check_name(std::string_view name, std::vector<std::string>& problems);

}  // namespace kelvora::server
