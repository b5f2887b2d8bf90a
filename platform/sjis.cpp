// Code page 932 conversion through iconv. Rank names and net ranking pages come from files and
// the network, so invalid input is replaced with "?" and never stops a conversion.
#include "platform/sjis.hpp"

#include <iconv.h>

#include <cerrno>

namespace kelvora {
namespace {

// How many bytes of a bad sequence at `p` to replace with one "?".
using SkipRule = std::size_t (*)(const unsigned char* p, std::size_t left);

std::size_t skip_utf8_character(const unsigned char* p, std::size_t left) {
    std::size_t length = p[0] >= 0xF0 && p[0] <= 0xF4 ? 4 : p[0] >= 0xE0 ? 3 : p[0] >= 0xC2 && p[0] < 0xE0 ? 2 : 1;
    if (length > left) length = left;
    // Stop at the first byte that is not a continuation byte: it starts the next character.
    for (std::size_t i = 1; i < length; ++i)
        if ((p[i] & 0xC0) != 0x80) return i;
    return length;
}

std::size_t skip_cp932_character(const unsigned char* p, std::size_t left) {
    return cp932_character_length({reinterpret_cast<const char*>(p), left});
}

std::string convert(std::string_view input, const char* to, const char* from, SkipRule skip) {
    std::string output;
    iconv_t cd = iconv_open(to, from);
    if (cd == iconv_t(-1)) {
        // No converter at all: keep plain ASCII, replace the rest.
        for (unsigned char c : input) output.push_back(c < 0x80 ? char(c) : '?');
        return output;
    }
    output.reserve(input.size() * 2);
    const unsigned char* in = reinterpret_cast<const unsigned char*>(input.data());
    std::size_t in_left = input.size();
    char buffer[1024];
    while (in_left > 0) {
        char* in_ptr = const_cast<char*>(reinterpret_cast<const char*>(in));
        char* out_ptr = buffer;
        std::size_t out_left = sizeof buffer;
        const std::size_t result = iconv(cd, &in_ptr, &in_left, &out_ptr, &out_left);
        const int error = errno;
        output.append(buffer, std::size_t(out_ptr - buffer));
        in = reinterpret_cast<const unsigned char*>(in_ptr);
        if (result != std::size_t(-1)) continue;
        if (error == E2BIG) continue;
        // EILSEQ or EINVAL (cut off at the end): one "?" for the bad character, then go on.
        if (in_left == 0) break;
        const std::size_t n = skip(in, in_left);
        in += n;
        in_left -= n;
        output.push_back('?');
        iconv(cd, nullptr, nullptr, nullptr, nullptr);  // back to the initial shift state
    }
    // Flush any pending shift sequence.
    char* out_ptr = buffer;
    std::size_t out_left = sizeof buffer;
    iconv(cd, nullptr, nullptr, &out_ptr, &out_left);
    output.append(buffer, std::size_t(out_ptr - buffer));
    iconv_close(cd);
    return output;
}

}  // namespace

std::size_t cp932_character_length(std::string_view text) {
    const auto first = static_cast<unsigned char>(text[0]);
    const bool lead = (first >= 0x81 && first <= 0x9F) || (first >= 0xE0 && first <= 0xFC);
    if (!lead || text.size() < 2) return 1;
    const auto second = static_cast<unsigned char>(text[1]);
    return second >= 0x40 && second <= 0xFC && second != 0x7F ? 2 : 1;
}

std::string utf8_to_cp932(std::string_view utf8) { return convert(utf8, "CP932", "UTF-8", skip_utf8_character); }

std::string cp932_to_utf8(std::string_view cp932) { return convert(cp932, "UTF-8", "CP932", skip_cp932_character); }

}  // namespace kelvora
