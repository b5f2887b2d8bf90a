#pragma once
// Code page 932 (Shift-JIS) <-> UTF-8, through iconv. Rank files and the net ranking page hold
// code page 932 bytes; the program draws UTF-8.

#include <cstddef>
#include <string>
#include <string_view>

namespace kelvora {

// The length in bytes (1 or 2) of the code page 932 character that starts `text`, which must not
// be empty. A lead byte without a valid trail byte is a character of its own.
std::size_t cp932_character_length(std::string_view text);

// Characters that code page 932 cannot hold become "?".
std::string utf8_to_cp932(std::string_view utf8);

// Bytes that are not valid code page 932 become "?".
std::string cp932_to_utf8(std::string_view cp932);

}  // namespace kelvora
