#pragma once
// Code page 932 (Shift-JIS) <-> UTF-8, through iconv. Rank files and the net ranking page hold
// code page 932 bytes; the program draws UTF-8.

#include <string>
#include <string_view>

namespace kelvora {

// Characters that code page 932 cannot hold become "?".
std::string utf8_to_cp932(std::string_view utf8);

// Bytes that are not valid code page 932 become "?".
std::string cp932_to_utf8(std::string_view cp932);

}  // namespace kelvora
