#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

#include "bench.hpp"

namespace kelvora::bench {

std::vector<Case>& cases() {
    static std::vector<Case> all;
    return all;
}

namespace {

// Median seconds of one call, over enough repetitions to last about 0.2 s in all.
double median_seconds(const Body& body) {
    using clock = std::chrono::steady_clock;
    auto once = [&] {
        auto start = clock::now();
        body();
        return std::chrono::duration<double>(clock::now() - start).count();
    };
    once();  // warm up caches and lazy tables
    double first = std::max(once(), 1e-7);
    int runs = std::clamp(int(0.2 / first), 5, 2000);
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) times.push_back(once());
    std::nth_element(times.begin(), times.begin() + runs / 2, times.end());
    return times[runs / 2];
}

}  // namespace
}  // namespace kelvora::bench

int main(int argc, char** argv) {
    using namespace kelvora::bench;
    const std::size_t bytes = 500 * 500 * 4;
    std::vector<unsigned char> from(bytes, 1), to(bytes);
    double base = median_seconds([&] {
        std::memcpy(to.data(), from.data(), bytes);
        asm volatile("" : : "r"(to.data()) : "memory");
    });
    std::printf("memcpy of 500 x 500 x 4 bytes: %.2f us\n", base * 1e6);
    for (const auto& c : cases()) {
        if (argc > 1 && std::strstr(c.name.c_str(), argv[1]) == nullptr) continue;
        double t = median_seconds(c.make());
        std::printf("%-48s %10.2f us %8.2f x memcpy\n", c.name.c_str(), t * 1e6, t / base);
    }
    return 0;
}
