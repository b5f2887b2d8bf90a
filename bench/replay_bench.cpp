// Verifying a replay as the server does: decode, play again, compare, for a five-minute game.

#include <cstdio>

#include "bench.hpp"
#include "official_replay.hpp"

namespace kelvora::bench {
namespace {

constexpr std::int32_t five_minutes_of_ticks = 2100;  // 200 ms falling to 80 ms over two levels

Register verify_case("verify a replay of a five-minute official game", [] {
    const std::string bytes = encode_replay(testing::play_official_game(20261209, five_minutes_of_ticks));
    std::string refusal;
    const auto result = verify_replay(bytes, refusal);
    std::printf("(the replay: %zu bytes, %d ticks, score %d; %s)\n", bytes.size(), result ? result->ticks : 0,
                result ? result->score : 0, result ? "verified" : refusal.c_str());
    return [bytes] {
        std::string why;
        auto verified = verify_replay(bytes, why);
        asm volatile("" : : "r"(&verified) : "memory");
    };
});

}  // namespace
}  // namespace kelvora::bench
