// Writes a synthetic Tucson ring-width file for the benchmark:
//
//   synthetic_rwl SERIES SEED FILE [one-identifier]
//
// Each series is 300 to 1000 years long and ends between 1980 and 2020, with
// ring widths (0.01 mm) that follow a negative exponential age trend, times a
// common year-to-year signal shared by every tree of the site and a noise of
// the tree's own (both autocorrelated), so that the file has the rbar,
// autocorrelation and age trend of a real collection. Two cores per tree:
// identifiers SYN + two characters of tree + two of core, as the default
// site-tree-core mask reads them; with "one-identifier" every series is
// SYN0101 instead, as in a file of the segments of one core, which times the
// reader's search for lines written twice among the series of an identifier.
// The same arguments always give the same
// file: the generator is a fixed integer one and the normal deviates are
// taken from it by the polar method.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct Rng {
    std::uint64_t s;
    std::uint64_t next() {  // splitmix64
        std::uint64_t z = (s += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    double uniform() { return static_cast<double>(next() >> 11) * 0x1.0p-53; }
    double uniform(double a, double b) { return a + (b - a) * uniform(); }
    double normal() {
        for (;;) {
            const double u = 2 * uniform() - 1, v = 2 * uniform() - 1, s2 = u * u + v * v;
            if (s2 > 0 && s2 < 1) return u * std::sqrt(-2 * std::log(s2) / s2);
        }
    }
};

constexpr int first_possible = 900, last_possible = 2020;

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4 && !(argc == 5 && std::string(argv[4]) == "one-identifier")) {
        std::fprintf(stderr, "usage: %s SERIES SEED FILE [one-identifier]\n", argv[0]);
        return 2;
    }
    const bool one_identifier = argc == 5;
    const int n = std::atoi(argv[1]);
    Rng rng{std::strtoull(argv[2], nullptr, 10)};
    if (n < 1 || n > 8001) {
        std::fprintf(stderr, "*** SERIES must be 1 to 8001\n");
        return 2;
    }
    std::FILE* f = std::fopen(argv[3], "w");
    if (!f) {
        std::perror(argv[3]);
        return 1;
    }

    // The site's common signal, one value per calendar year.
    std::vector<double> common(last_possible - first_possible + 1);
    double c = 0;
    for (double& v : common) v = c = 0.45 * c + 0.22 * rng.normal();

    std::fprintf(f, "%-80s\n", "SYN    1 Synthetic benchmark site                             PIGL");
    std::fprintf(f, "%-80s\n", "SYN    2 Nowhere      White Spruce       100M +6700-15900    __     900 2020");
    std::fprintf(f, "%-80s\n", "SYN    3 kovrin benchmark");
    static const char symbols[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    for (int k = 0; k < n; ++k) {
        // 3844 two-symbol trees of two cores each; past them, further core
        // numbers, so that no identifier repeats
        const int tree = (k / 2) % 3844, core = k % 2 + 1 + 2 * (k / 7688);
        char id[9];
        std::snprintf(id, sizeof id, "SYN%c%c%02d", symbols[tree / 62], symbols[tree % 62], core);
        if (one_identifier) std::snprintf(id, sizeof id, "SYN0101");
        const int length = 300 + static_cast<int>(rng.next() % 701);
        const int last = 1980 + static_cast<int>(rng.next() % 41);
        const int first = last - length + 1;
        // Age trend in mm: a fast start that settles to a slow level.
        const double a = rng.uniform(0.6, 2.4), b = rng.uniform(0.006, 0.03), base = rng.uniform(0.25, 0.7);
        double own = 0;
        std::string line;
        for (int year = first; year <= last; ++year) {
            own = 0.55 * own + 0.25 * rng.normal();
            const int age = year - first;
            const double mm = (a * std::exp(-b * age) + base) * std::exp(common[year - first_possible] + own);
            long width = std::lround(mm * 100);
            if (width < 1) width = 1;
            if (width > 2500) width = 2500;
            if (width == 999) width = 998;  // 999 ends a series
            if (year == first || year % 10 == 0) {
                if (!line.empty()) std::fprintf(f, "%s\n", line.c_str());
                char head[16];
                std::snprintf(head, sizeof head, "%-8s%4d", id, year);
                line = head;
            }
            char v[8];
            std::snprintf(v, sizeof v, "%6ld", width);
            line += v;
        }
        if (last % 10 == 9) {  // the decade line is full: the end marker gets its own
            std::fprintf(f, "%s\n", line.c_str());
            char head[16];
            std::snprintf(head, sizeof head, "%-8s%4d", id, last + 1);
            line = head;
        }
        line += "   999";
        std::fprintf(f, "%s\n", line.c_str());
    }
    return std::fclose(f) == 0 ? 0 : 1;
}
