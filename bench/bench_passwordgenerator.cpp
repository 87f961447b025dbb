// Generating the longest password the generator makes, with all four
// character classes, as a "Gen Pass" click does (construction included).

#include "generator/passwordgenerator.h"

#include <QString>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {

constexpr int passwordLength = 4096;
constexpr int runs = 501;

} // namespace

int main()
{
    using Clock = std::chrono::steady_clock;
    std::vector<double> seconds;
    seconds.reserve(runs);
    for (int run = 0; run < runs; ++run) {
        const Clock::time_point start = Clock::now();
        const QString password = PasswordGenerator(true, true, true, true, passwordLength).generate();
        seconds.push_back(std::chrono::duration<double>(Clock::now() - start).count());
        if (password.size() != passwordLength) {
            std::fprintf(stderr, "bench_passwordgenerator: got %d characters, not %d\n", password.size(),
                         passwordLength);
            return 1;
        }
    }
    std::sort(seconds.begin(), seconds.end());
    std::printf("PasswordGenerator(true, true, true, true, %d).generate()\n", passwordLength);
    std::printf("median of %d runs: %8.1f us  (fastest %.1f us, slowest %.1f us)\n", runs, seconds[runs / 2] * 1e6,
                seconds.front() * 1e6, seconds.back() * 1e6);
    std::printf("characters per second at the median: %.1f million\n", passwordLength / seconds[runs / 2] / 1e6);
    return 0;
}
