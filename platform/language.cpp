#include "platform/language.hpp"

#include <algorithm>
#include <cstdint>
#include <filesystem>

#include "platform/file_read.hpp"

namespace kelvora {

namespace {

// The game's catalogues hold a few hundred short texts; anything far larger is not one of them.
constexpr std::size_t max_catalogue_bytes = 4 * 1024 * 1024;

bool is_c_locale(std::string_view locale) {
    const std::string_view name = locale.substr(0, locale.find_first_of(".@"));
    return name.empty() || name == "C" || name == "POSIX";
}

// "en_GB.UTF-8@euro" -> "en_GB" and "en".
std::vector<std::string> names_of(std::string_view locale) {
    const std::string_view full = locale.substr(0, locale.find_first_of(".@"));
    std::vector<std::string> names{std::string(full)};
    if (const auto underscore = full.find('_'); underscore != std::string_view::npos)
        names.emplace_back(full.substr(0, underscore));
    return names;
}

// The choice one locale name makes: Japanese, a catalogue, or nothing.
std::string match(std::string_view locale, const std::vector<std::string>& catalogues) {
    for (const std::string& name : names_of(locale)) {
        if (name == japanese) return japanese;
        if (std::find(catalogues.begin(), catalogues.end(), name) != catalogues.end()) return name;
    }
    return {};
}

std::string non_empty(const EnvironmentReader& environment, const char* name) {
    const char* value = environment(name);
    return value != nullptr ? value : "";
}

struct Language {
    std::string name = japanese;
    Catalogue catalogue;
};

Language& language() {
    static Language current;
    return current;
}

}  // namespace

std::string choose_language(const EnvironmentReader& environment, const std::vector<std::string>& catalogues) {
    std::vector<std::string> wanted;
    if (std::string chosen = non_empty(environment, "KELVORA_LANG"); !chosen.empty()) {
        wanted.push_back(chosen);
    } else {
        std::string locale = non_empty(environment, "LC_ALL");
        if (locale.empty()) locale = non_empty(environment, "LC_MESSAGES");
        if (locale.empty()) locale = non_empty(environment, "LANG");
        // As gettext does, LANGUAGE counts only beside a locale other than C: the C locale is the
        // game as it always was.
        if (is_c_locale(locale)) return japanese;
        const std::string list = non_empty(environment, "LANGUAGE");
        for (std::size_t start = 0; start < list.size();) {
            const std::size_t end = std::min(list.find(':', start), list.size());
            if (end > start) wanted.push_back(list.substr(start, end - start));
            start = end + 1;
        }
        wanted.push_back(locale);
    }
    for (const std::string& locale : wanted) {
        if (is_c_locale(locale)) {
            if (wanted.size() == 1) return japanese;
            continue;
        }
        if (std::string found = match(locale, catalogues); !found.empty()) return found;
    }
    return english;
}

std::vector<std::string> installed_catalogues(const std::string& locale_dir) {
    std::vector<std::string> found;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(locale_dir, error)) {
        const std::string name = entry.path().filename().string();
        std::error_code missing;
        if (std::filesystem::is_regular_file(entry.path() / "LC_MESSAGES" / (std::string(text_domain) + ".mo"), missing))
            found.push_back(name);
    }
    std::sort(found.begin(), found.end());
    return found;
}

bool Catalogue::load(const std::string& path, std::string& error) {
    translations_.clear();
    std::string bytes;
    if (!read_file(path, max_catalogue_bytes, bytes, error)) return false;
    return parse(bytes, error);
}

bool Catalogue::parse(std::string_view bytes, std::string& error) {
    translations_.clear();
    // The layout of GNU .mo files: a magic number in the writer's byte order, a revision, the
    // count of strings and the offsets of two tables of (length, offset) pairs.
    auto word_at = [&](std::size_t at, bool swapped, std::uint32_t& word) {
        if (at > bytes.size() || bytes.size() - at < 4) return false;
        const auto* b = reinterpret_cast<const unsigned char*>(bytes.data() + at);
        word = swapped ? std::uint32_t(b[0]) << 24 | std::uint32_t(b[1]) << 16 | std::uint32_t(b[2]) << 8 | b[3]
                       : std::uint32_t(b[3]) << 24 | std::uint32_t(b[2]) << 16 | std::uint32_t(b[1]) << 8 | b[0];
        return true;
    };
    auto fail = [&](const char* reason) {
        translations_.clear();
        error = reason;
        return false;
    };
    std::uint32_t magic = 0, revision = 0, count = 0, originals = 0, translated = 0;
    if (!word_at(0, false, magic)) return fail("not a catalogue: too short");
    bool swapped = false;
    if (magic == 0xde120495u)
        swapped = true;
    else if (magic != 0x950412deu)
        return fail("not a catalogue: wrong magic number");
    if (!word_at(4, swapped, revision) || !word_at(8, swapped, count) || !word_at(12, swapped, originals) ||
        !word_at(16, swapped, translated))
        return fail("not a catalogue: header cut short");
    if ((revision >> 16) > 1) return fail("catalogue of an unknown revision");
    auto string_at = [&](std::uint32_t table, std::uint32_t index, std::string_view& text) {
        std::uint32_t length = 0, offset = 0;
        const std::size_t entry = std::size_t(table) + std::size_t(index) * 8;
        if (!word_at(entry, swapped, length) || !word_at(entry + 4, swapped, offset)) return false;
        // Each string is followed by a NUL that its length leaves out.
        if (offset > bytes.size() || bytes.size() - offset <= length || bytes[offset + length] != '\0') return false;
        text = bytes.substr(offset, length);
        return true;
    };
    if (count > bytes.size() / 16) return fail("damaged catalogue: more strings than the file holds");
    for (std::uint32_t i = 0; i < count; ++i) {
        std::string_view original, translation;
        if (!string_at(originals, i, original) || !string_at(translated, i, translation))
            return fail("damaged catalogue: a string lies outside the file");
        // The empty key is the catalogue's header; an empty translation is none.
        if (original.empty() || translation.empty()) continue;
        translations_.emplace(std::string(original), std::string(translation));
    }
    return true;
}

const std::string* Catalogue::find(std::string_view japanese_text) const {
    const auto found = translations_.find(japanese_text);
    return found == translations_.end() ? nullptr : &found->second;
}

void set_language(const std::string& name, Catalogue catalogue) {
    language().name = name;
    language().catalogue = std::move(catalogue);
}

const std::string& current_language() { return language().name; }

std::string_view tr(std::string_view japanese_text) {
    if (const std::string* translation = language().catalogue.find(japanese_text)) return *translation;
    return japanese_text;
}

}  // namespace kelvora
