// libFuzzer target for rank files: any bytes load without a crash or a read out of bounds,
// and whatever loads saves and loads back unchanged. Built only with clang; not part of ctest.
// Run: rank_file_fuzz -max_total_time=60 <corpus folder, e.g. a copy of tests/data>

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "ranking/rank_file.hpp"

namespace {

std::string scratch_file() {
    char pattern[] = "/tmp/kelvora-fuzz-XXXXXX";
    int fd = mkstemp(pattern);
    if (fd < 0) std::abort();
    close(fd);
    return pattern;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace kelvora;
    static const std::string path = scratch_file();
    static const rank_table defaults = make_rank_table(5, 1);

    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) std::abort();
    if (size) std::fwrite(data, 1, size, file);
    std::fclose(file);

    rank_table loaded, again;
    std::string error;
    if (!load_rank_file(path, defaults, loaded, error)) std::abort();
    if (!save_rank_file(path, loaded, error)) std::abort();
    if (!load_rank_file(path, defaults, again, error) || !(again == loaded)) std::abort();
    return 0;
}
