// The language picked from the environment, and the compiled catalogues read back.
#include "platform/language.hpp"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace kelvora {
namespace {

std::string chosen(const std::map<std::string, std::string>& environment,
                   const std::vector<std::string>& catalogues = {"en"}) {
    return choose_language(
        [&](const char* name) {
            auto found = environment.find(name);
            return found == environment.end() ? nullptr : found->second.c_str();
        },
        catalogues);
}

TEST(Language, FollowsTheLocaleAsGettextDoes) {
    // The game as it always was: no locale, C, POSIX and Japanese.
    EXPECT_EQ(chosen({}), "ja");
    EXPECT_EQ(chosen({{"LANG", "C"}}), "ja");
    EXPECT_EQ(chosen({{"LANG", "C.UTF-8"}}), "ja");
    EXPECT_EQ(chosen({{"LC_ALL", "POSIX"}, {"LANG", "en_US.UTF-8"}}), "ja");
    EXPECT_EQ(chosen({{"LANG", "ja_JP.UTF-8"}}), "ja");
    // LANGUAGE is not read beside the C locale, as gettext leaves it.
    EXPECT_EQ(chosen({{"LANGUAGE", "en"}, {"LANG", "C.UTF-8"}}), "ja");
    // LC_ALL before LC_MESSAGES before LANG; empty ones count as unset.
    EXPECT_EQ(chosen({{"LC_ALL", ""}, {"LC_MESSAGES", "en_GB.UTF-8"}, {"LANG", "ja_JP.UTF-8"}}), "en");
    EXPECT_EQ(chosen({{"LC_ALL", "ja_JP.eucJP"}, {"LC_MESSAGES", "en_GB.UTF-8"}}), "ja");
    // Any other language is English until it has a catalogue, which then wins, country first.
    EXPECT_EQ(chosen({{"LANG", "de_DE.UTF-8"}}), "en");
    EXPECT_EQ(chosen({{"LANG", "de_DE.UTF-8@euro"}}, {"de", "en"}), "de");
    EXPECT_EQ(chosen({{"LANG", "pt_BR.UTF-8"}}, {"en", "pt", "pt_BR"}), "pt_BR");
    // LANGUAGE lists preferences in order, before the locale's own language.
    EXPECT_EQ(chosen({{"LANGUAGE", "fr:ja:en"}, {"LANG", "fr_FR.UTF-8"}}), "ja");
    EXPECT_EQ(chosen({{"LANGUAGE", "fr::en_US"}, {"LANG", "ja_JP.UTF-8"}}), "en");
    EXPECT_EQ(chosen({{"LANGUAGE", "fr"}, {"LANG", "ja_JP.UTF-8"}}), "ja");
    // KELVORA_LANG overrides everything.
    EXPECT_EQ(chosen({{"KELVORA_LANG", "en"}, {"LC_ALL", "ja_JP.UTF-8"}}), "en");
    EXPECT_EQ(chosen({{"KELVORA_LANG", "ja"}, {"LANGUAGE", "en"}, {"LANG", "en_US.UTF-8"}}), "ja");
    EXPECT_EQ(chosen({{"KELVORA_LANG", "C"}, {"LANG", "en_US.UTF-8"}}), "ja");
}

TEST(Language, ReadsTheBuiltCatalogueAndRefusesDamagedOnes) {
    const std::string locale_dir = std::string(KELVORA_APP_DIR) + "locale/";
    EXPECT_EQ(installed_catalogues(locale_dir), std::vector<std::string>{"en"});
    Catalogue english_texts;
    std::string error;
    ASSERT_TRUE(english_texts.load(locale_dir + "en/LC_MESSAGES/kelvora.mo", error)) << error;
    ASSERT_NE(english_texts.find("終了"), nullptr);
    EXPECT_EQ(*english_texts.find("終了"), "Quit");
    EXPECT_EQ(english_texts.find("no such text"), nullptr);

    // tr() uses the catalogue once set, and Japanese again without it.
    set_language("en", english_texts);
    EXPECT_EQ(tr("10位"), "10th");
    EXPECT_EQ(tr("untranslated"), "untranslated");
    set_language("ja", Catalogue{});
    EXPECT_EQ(tr("10位"), "10位");

    // A catalogue written in the other byte order reads the same.
    std::string big_endian;
    // Magic, revision, one string, its two tables at 28 and 36, no hash table; then "A" -> "B".
    const unsigned char header[] = {0x95, 0x04, 0x12, 0xde, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0,
                                    0,    28,   0,    0,    0, 36, 0, 0, 0, 0, 0, 0, 0, 0};
    big_endian.assign(reinterpret_cast<const char*>(header), sizeof header);
    const unsigned char table[] = {0, 0, 0, 1, 0, 0, 0, 44, 0, 0, 0, 1, 0, 0, 0, 46};
    big_endian.append(reinterpret_cast<const char*>(table), sizeof table);
    big_endian.append("A\0B\0", 4);
    Catalogue swapped;
    ASSERT_TRUE(swapped.parse(big_endian, error)) << error;
    ASSERT_NE(swapped.find("A"), nullptr);
    EXPECT_EQ(*swapped.find("A"), "B");

    // Cut anywhere, or with a string pointing past its end, the file is refused and nothing kept.
    ASSERT_TRUE(swapped.parse(big_endian, error));
    for (std::size_t size = 0; size < big_endian.size(); ++size) {
        EXPECT_FALSE(swapped.parse(big_endian.substr(0, size), error)) << size;
        EXPECT_EQ(swapped.size(), 0u);
    }
    std::string pointing_out = big_endian;
    pointing_out[31] = char(0xff);
    EXPECT_FALSE(swapped.parse(pointing_out, error));
    EXPECT_FALSE(english_texts.load(std::string(KELVORA_TEST_DATA_DIR), error));
    EXPECT_EQ(english_texts.size(), 0u);
}

}  // namespace
}  // namespace kelvora
