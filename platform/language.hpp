#pragma once
// The player's language. The game's own texts are Japanese and serve as the keys of gettext
// catalogues (po/<language>.po, compiled to <locale folder>/<language>/LC_MESSAGES/kelvora.mo),
// so Japanese needs no catalogue and every other language is one file.

#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace kelvora {

inline constexpr const char* japanese = "ja";
inline constexpr const char* english = "en";
inline constexpr const char* text_domain = "kelvora";

// Reads one environment variable; null when it is not set.
using EnvironmentReader = std::function<const char*(const char*)>;

// The language to play in, as gettext would choose it from the environment: KELVORA_LANG first,
// then the list in LANGUAGE, then the locale of LC_ALL, LC_MESSAGES or LANG. An unset, C or POSIX
// locale, and any "ja" met first, is Japanese; a language with one of `catalogues` ("pt_BR"
// before "pt") is that catalogue; any other language is English.
std::string choose_language(const EnvironmentReader& environment, const std::vector<std::string>& catalogues);

// The languages with a compiled catalogue in `locale_dir`.
std::vector<std::string> installed_catalogues(const std::string& locale_dir);

// A compiled gettext catalogue (.mo): its translations by their Japanese text.
class Catalogue {
public:
    // False with the reason when the file cannot be read or is not a whole catalogue; the
    // catalogue is then empty.
    bool load(const std::string& path, std::string& error);
    // Reads the bytes of a .mo file.
    bool parse(std::string_view bytes, std::string& error);
    // The translation of `japanese`, or null when it has none.
    const std::string* find(std::string_view japanese) const;
    std::size_t size() const { return translations_.size(); }

private:
    std::map<std::string, std::string, std::less<>> translations_;
};

// The language the game shows, Japanese until set. Set once at start-up, before anything is drawn.
void set_language(const std::string& language, Catalogue catalogue);
const std::string& current_language();
inline bool playing_in_japanese() { return current_language() == japanese; }

// A text of the game in the current language: its translation, or the Japanese text itself.
std::string_view tr(std::string_view japanese_text);

// Marks a Japanese text for the catalogues where it is only stored; tr() translates it at use.
#define N_(text) text

}  // namespace kelvora
