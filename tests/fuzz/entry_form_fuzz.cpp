// libFuzzer target for the ranking server's entry form: any body decodes without a crash or a
// read out of bounds; whatever decodes encodes and decodes back unchanged; the check either
// accepts an entry the game could have made or names a problem. Built only with clang.
// Run: entry_form_fuzz -max_total_time=60

#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "ranking/rank_file.hpp"
#include "server/entry_form.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace kelvora::server;
    const auto fields = decode_form(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!fields) return 0;
    if (decode_form(encode_form(*fields)) != fields) std::abort();
    const EntryCheck check = check_entry(*fields);
    if (check.entry.has_value() == !check.problems.empty()) std::abort();
    if (check.entry) {
        const Entry& e = *check.entry;
        if (e.name.empty() || e.name.size() > 3 || e.score < 0 || e.score > max_entry_score ||
            e.password != kelvora::make_password(e.score))
            std::abort();
        for (unsigned char c : e.name)
            if (c < 33 || c > 122 || c == '<' || c == '>' || c == '&' || c == '"' || c == '\'') std::abort();
    }
    return 0;
}
