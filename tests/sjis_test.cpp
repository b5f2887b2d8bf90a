#include "platform/sjis.hpp"

#include <gtest/gtest.h>

namespace kelvora {
namespace {

TEST(Sjis, RoundTripsJapaneseAndCodePage932Extras) {
    // "～" (U+FF5E) and "①" exist in code page 932 but not in plain Shift-JIS.
    const std::string text = "ケルボラ abc ～①";
    const std::string bytes = utf8_to_cp932(text);
    EXPECT_EQ(bytes, "\x83\x50\x83\x8B\x83\x7B\x83\x89 abc \x81\x60\x87\x40");
    EXPECT_EQ(cp932_to_utf8(bytes), text);
    EXPECT_EQ(utf8_to_cp932(""), "");
    EXPECT_EQ(cp932_to_utf8(std::string("a\0b", 3)), std::string("a\0b", 3));
}

TEST(Sjis, UnconvertibleCharactersBecomeQuestionMarks) {
    EXPECT_EQ(utf8_to_cp932("a€b"), "a?b");               // no euro sign in code page 932
    EXPECT_EQ(utf8_to_cp932("a\xFF\xFE" "b"), "a??b");   // not UTF-8 at all
    EXPECT_EQ(utf8_to_cp932("x\xE3\x82"), "x?");         // cut off in the middle of a character
    EXPECT_EQ(utf8_to_cp932("\xE3\x82" "a"), "?a");      // a broken character keeps the next one
}

TEST(Sjis, InvalidCodePage932BytesBecomeQuestionMarks) {
    EXPECT_EQ(cp932_to_utf8("a\x82"), "a?");                // lead byte at the very end
    EXPECT_EQ(cp932_to_utf8("\x82\x20" "b"), "? b");        // lead byte without a valid trail byte
    EXPECT_EQ(cp932_to_utf8("\xFF\x83\x50"), "?ケ");
    // Every byte pair at least converts without throwing or losing the following text.
    for (int lead = 0x80; lead < 0x100; ++lead) {
        std::string in{char(lead), char(0x7F), 'z'};
        EXPECT_EQ(cp932_to_utf8(in).back(), 'z');
    }
}

}  // namespace
}  // namespace kelvora
