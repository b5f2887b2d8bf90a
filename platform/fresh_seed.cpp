#include "platform/fresh_seed.hpp"

#include <sys/random.h>

#include <cerrno>
#include <cstring>
#include <random>

namespace kelvora {

std::uint64_t fresh_seed() {
    unsigned char bytes[8];
    std::size_t got = 0;
    while (got < sizeof bytes) {
        const ssize_t n = getrandom(bytes + got, sizeof bytes - got, 0);
        if (n > 0) {
            got += std::size_t(n);
        } else if (n < 0 && errno != EINTR) {
            // No getrandom (a very old kernel): the library's own source still differs per game.
            std::random_device device;
            return (std::uint64_t(device()) << 32) ^ device();
        }
    }
    std::uint64_t seed;
    std::memcpy(&seed, bytes, sizeof seed);
    return seed;
}

}  // namespace kelvora
