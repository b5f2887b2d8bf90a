#pragma once
// The rain's generator: a 64-bit Mersenne Twister, whose sequence the C++ standard fixes, and
// integer draws by multiplication, so every standard library and machine draws the same rain.

#include <cstdint>
#include <random>

namespace kelvora {

// Raised whenever the rules or the draws change, so an old replay is never replayed wrongly.
inline constexpr std::uint8_t rules_version = 1;

// Changed: one generator seeded once per run fed every game, with floating-point draws that
// differ between standard libraries; each game now seeds its own, and draws integers.
class Random {
public:
    void seed(std::uint64_t value) { engine_.seed(value); }
    // 1 to count, from the draw's upper 32 bits: 1 + (u32 x count >> 32).
    std::int16_t one_to(std::int16_t count) {
        const std::uint64_t u32 = engine_() >> 32;
        return std::int16_t(1 + ((u32 * std::uint64_t(count)) >> 32));
    }

private:
    std::mt19937_64 engine_{1};
};

}  // namespace kelvora
