#pragma once
// A fresh 64-bit seed for each game, from the operating system's random source.

#include <cstdint>

namespace kelvora {

std::uint64_t fresh_seed();

}  // namespace kelvora
