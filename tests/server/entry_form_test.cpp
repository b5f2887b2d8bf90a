#include "server/entry_form.hpp"

#include <gtest/gtest.h>

#include <random>

#include "ranking/rank_file.hpp"
#include "server/rate_limit.hpp"

namespace kelvora::server {
namespace {

FormFields form(const std::string& name, const std::string& score, const std::string& password) {
    return {{"name", name}, {"score", score}, {"password", password}};
}

TEST(EntryForm, DecodesWhatBrowsersSend) {
    const auto fields = decode_form("name=A%2BB+c&&score=%30%31&password=&flag&%E3%81%82=x");
    ASSERT_TRUE(fields);
    const FormFields expected{{"name", "A+B c"}, {"score", "01"}, {"password", ""}, {"flag", ""}, {"\xE3\x81\x82", "x"}};
    EXPECT_EQ(*fields, expected);
    EXPECT_EQ(decode_form(""), FormFields{});
    for (const char* broken : {"name=%", "name=%4", "name=%G1", "a%=1", "name=ab%4"})
        EXPECT_FALSE(decode_form(broken)) << broken;
}

// Random forms survive encoding and decoding, and random bytes never break the decoder.
TEST(EntryForm, RandomFormsRoundTripAndRandomBytesDecodeSafely) {
    std::mt19937 random(20010501);
    const std::string tricky("%+=&; aZ09\xE3\x81\x82\0\xFF", 15);
    auto random_text = [&](std::size_t max_length, bool any_byte) {
        std::string text(random() % (max_length + 1), '\0');
        for (char& c : text) c = any_byte ? char(random()) : tricky[random() % tricky.size()];
        return text;
    };
    for (int round = 0; round < 5000; ++round) {
        FormFields fields(random() % 5);
        for (auto& [key, value] : fields) {
            key = random_text(6, round % 2 == 0);
            if (key.empty()) key = "k";
            value = random_text(12, round % 2 == 1);
        }
        EXPECT_EQ(decode_form(encode_form(fields)), fields);

        const std::string body = random_text(40, round % 3 == 0);
        if (const auto decoded = decode_form(body)) {
            const EntryCheck check = check_entry(*decoded);
            EXPECT_NE(check.entry.has_value(), !check.problems.empty());
        }
    }
}

TEST(EntryCheck, AcceptsOfficialResults) {
    const struct {
        FormFields fields;
        Entry entry;
    } good[] = {
        {form("ABC", "12345", make_password(12345)), {"ABC", 12345, make_password(12345)}},
        {form("!", "0", "aaaaaa"), {"!", 0, "aaaaaa"}},
        {form("z`?", "999999999", make_password(999999999)), {"z`?", 999999999, make_password(999999999)}},
        // Blanks around a value, leading zeros and an upper-case password are forgiven.
        {form(" a1 ", " 0001 ", "AAAAAB"), {"a1", 1, "aaaaab"}},
    };
    for (const auto& [fields, entry] : good) {
        const EntryCheck check = check_entry(fields);
        ASSERT_TRUE(check.entry) << fields[0].second << " " << (check.problems.empty() ? "" : check.problems[0]);
        EXPECT_EQ(*check.entry, entry);
    }
    FormFields with_button = form("AB", "1", "aaaaab");
    with_button.emplace_back("submit", "");
    EXPECT_TRUE(check_entry(with_button).entry);
}

TEST(EntryCheck, NamesEveryProblem) {
    const std::string pw = make_password(500);
    const struct {
        FormFields fields;
        std::size_t problems;
        const char* says;
    } bad[] = {
        {form("ABCD", "500", pw), 1, "1〜3文字"},
        {form("A B", "500", pw), 1, "1〜3文字"},
        {form("a{", "500", pw), 1, "1〜3文字"},
        {form("\xE3\x81\x82", "500", pw), 1, "1〜3文字"},  // a kana in UTF-8
        {form("<b>", "500", pw), 1, "< > &"},
        {form("a'", "500", pw), 1, "< > &"},
        {form("ABC", "1,000", pw), 1, "数字だけ"},
        {form("ABC", "-5", pw), 1, "数字だけ"},
        {form("ABC", "1000000000", pw), 1, "999999999"},
        {form("ABC", "500", "abcde"), 1, "英字6文字"},
        {form("ABC", "500", "abc12d"), 1, "英字6文字"},
        {form("ABC", "501", pw), 1, "この得点のもの"},
        {form("", "", ""), 3, "入力してください"},
        {{{"name", "A"}, {"name", "B"}, {"score", "500"}, {"password", pw}}, 1, "二度"},
        {{{"score", "1"}}, 2, "名前を入力"},
    };
    for (const auto& [fields, count, says] : bad) {
        const EntryCheck check = check_entry(fields);
        EXPECT_FALSE(check.entry) << says;
        ASSERT_EQ(check.problems.size(), count) << says;
        EXPECT_NE(check.problems[0].find(says), std::string::npos) << check.problems[0];
    }
}

TEST(RateLimit, AllowsABurstThenOneEntryPerShare) {
    RateLimit limit(20);
    const auto start = RateLimit::Clock::now();
    int retry = 0;
    for (int i = 0; i < 20; ++i) EXPECT_TRUE(limit.allow("10.0.0.1", start, retry)) << i;
    EXPECT_FALSE(limit.allow("10.0.0.1", start, retry));
    EXPECT_EQ(retry, 3);  // 60 s / 20
    EXPECT_TRUE(limit.allow("10.0.0.2", start, retry));  // other addresses are not held up
    EXPECT_FALSE(limit.allow("10.0.0.1", start + std::chrono::seconds(2), retry));
    EXPECT_TRUE(limit.allow("10.0.0.1", start + std::chrono::seconds(3), retry));
    EXPECT_FALSE(limit.allow("10.0.0.1", start + std::chrono::seconds(3), retry));

    RateLimit unlimited(0);
    for (int i = 0; i < 1000; ++i) ASSERT_TRUE(unlimited.allow("10.0.0.1", start, retry));
}

}  // namespace
}  // namespace kelvora::server
