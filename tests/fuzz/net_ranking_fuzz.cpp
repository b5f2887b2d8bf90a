// libFuzzer target for ranking pages: any bytes parse without a crash or a read out of bounds; a
// failed parse leaves the table exactly as it was, and no cell read holds a closing cell tag. The
// leading-number reader gets the same bytes. Built only with clang; not part of ctest.
// Run: net_ranking_fuzz -max_total_time=60 -dict=tests/fuzz/net_ranking.dict <corpus folder, e.g.
// a copy of tests/data>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "ranking/leading_number.hpp"
#include "ranking/net_ranking.hpp"
#include "ranking/rank_file.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace kelvora;
    const std::string_view page(reinterpret_cast<const char*>(data), size);
    static const rank_table before = insert_rank(make_rank_table(0, 0), 1, 4321, "OLD", "2000/12/31");

    rank_table table = before;
    if (!parse_net_ranking(page, table)) {
        if (!(table == before)) std::abort();
    } else {
        for (int p = 1; p <= 10; ++p) {
            for (std::string cell : {table.name[p], table.note[p]}) {
                std::transform(cell.begin(), cell.end(), cell.begin(), [](unsigned char c) { return std::tolower(c); });
                if (cell.find("</td>") != std::string::npos) std::abort();
            }
        }
    }
    (void)leading_int32(page);
    return 0;
}
