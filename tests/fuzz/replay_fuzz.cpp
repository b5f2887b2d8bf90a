// libFuzzer target for replays: any bytes are decoded and played again without a crash, a read
// out of bounds or a long run, and whatever decodes encodes and decodes back to the same replay.
// The build skips the checksum (FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION), so mutations reach
// the events and the simulation.
// Built only with clang; not part of ctest.
// Run: replay_fuzz -max_total_time=300 -max_len=16500 <corpus folder of .kvr files>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "rules/replay.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace kelvora;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    std::string refusal;
    const auto replay = decode_replay(bytes, refusal);
    if (!replay) {
        if (refusal.empty()) std::abort();
        return 0;
    }
    if (decode_replay(encode_replay(*replay), refusal) != replay) std::abort();
    const auto result = verify_replay(bytes, refusal);
    if (result && (result->score != replay->score || result->ticks != replay->end_tick)) std::abort();
    return 0;
}
