// Malformed data files, made by seeded mutations of real and fixture files in
// every read mode: the series reader must end each one with a series read or
// with one of its messages, never with any other exception, a value that is
// not a number, or "NaN"/"Inf" in the listing or on the console. The
// sanitizer build turns an out-of-bounds access or undefined behaviour on
// any of them into a failure.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "series/fixed_text.hpp"
#include "series/series_fixture.hpp"
#include "series/series_reader.hpp"
#include "shared/capacities.hpp"
#include "shared/stop.hpp"

using namespace kov;

namespace {

// xorshift64: the same mutants on every platform and library.
struct Rng {
    std::uint64_t s;
    std::uint32_t next() {
        s ^= s << 13;
        s ^= s >> 7;
        s ^= s << 17;
        return static_cast<std::uint32_t>(s >> 32);
    }
    size_t below(size_t n) { return n == 0 ? 0 : next() % n; }
};

std::vector<std::string> split_keep_empty(const std::string& text) {
    std::vector<std::string> lines;
    size_t at = 0;
    while (at <= text.size()) {
        size_t stop = text.find('\n', at);
        if (stop == std::string::npos) stop = text.size();
        lines.push_back(text.substr(at, stop - at));
        at = stop + 1;
    }
    return lines;
}

std::string join(const std::vector<std::string>& lines) {
    std::string out;
    for (size_t i = 0; i < lines.size(); ++i) out += lines[i] + (i + 1 < lines.size() ? "\n" : "");
    return out;
}

std::string mutate(const std::string& text, Rng& r) {
    static const std::string chars("0123456789- #.\t*e(\0", 19);
    static const char* const numbers[] = {"999999", "-99999", "2147483647", "99999999", "  9990", "   999",
                                          " -9999", "1e38", "-1e39", "     0", "      "};
    std::vector<std::string> lines = split_keep_empty(text);
    std::string& line = lines[r.below(lines.size())];
    switch (r.below(13)) {
    case 0:  // the file cut anywhere
        return text.substr(0, r.below(text.size() + 1));
    case 1:
        line.resize(r.below(line.size() + 1));
        break;
    case 2:
        for (int k = 0; k < 3 && !line.empty(); ++k) line[r.below(line.size())] = chars[r.below(chars.size())];
        break;
    case 3:
        line.insert(r.below(line.size() + 1), 1 + r.below(3), chars[r.below(chars.size())]);
        break;
    case 4:
        if (!line.empty()) line.erase(r.below(line.size()), 1 + r.below(6));
        break;
    case 5: {
        const std::string n = numbers[r.below(std::size(numbers))];
        const size_t at = r.below(line.size() + 1);
        line.replace(at, std::min(n.size(), line.size() - at), n);
        break;
    }
    case 6: {  // a block repeated: duplicate identifiers, years out of order
        const size_t from = r.below(lines.size());
        const size_t to = std::min(lines.size(), from + 1 + r.below(25));
        std::vector<std::string> block(lines.begin() + from, lines.begin() + to);
        lines.insert(lines.begin() + from, block.begin(), block.end());
        break;
    }
    case 7:
        std::swap(line, lines[r.below(lines.size())]);
        break;
    case 8: {
        const size_t from = r.below(lines.size());
        lines.erase(lines.begin() + from, lines.begin() + std::min(lines.size(), from + 1 + r.below(12)));
        if (lines.empty()) return "";
        break;
    }
    case 9:
        lines.insert(lines.begin() + r.below(lines.size() + 1), 1 + r.below(3), "");
        break;
    case 10:
        line = padded(line, 80);
        line[79] = '#';
        break;
    case 11: {  // line ends of carriage returns alone
        std::string out = text;
        for (char& c : out)
            if (c == '\n') c = '\r';
        return out;
    }
    default:
        line += std::string(2000, "07 "[r.below(3)]);
        break;
    }
    return join(lines);
}

std::string first_lines(const std::string& path, int n) {
    std::ifstream f(path, std::ios::binary);
    std::string line, out;
    for (int i = 0; i < n && std::getline(f, line); ++i) out += line + "\n";
    return out;
}

// Small fixtures of the formats that no real file of the collection has.
std::string index_fixture() {
    std::string out;
    char buf[40];
    for (int decade = 1890; decade <= 1920; decade += 10) {
        std::snprintf(buf, sizeof buf, "IDX001%4d", decade == 1890 ? 1895 : decade);
        out += buf;
        for (int k = 0; k < 10; ++k) {
            const int year = decade + k;
            const bool in = year >= 1895 && year <= 1923;
            std::snprintf(buf, sizeof buf, "%4d%3d", in ? 800 + 13 * k : 9990, in ? 1 + k % 4 : 0);
            out += buf;
        }
        out += "\n";
    }
    return out;
}

std::string cru_fixture() {
    std::string out = "A CRU TITLE LINE\n";
    char buf[40];
    for (int s = 0; s < 2; ++s) {
        std::snprintf(buf, sizeof buf, "CRU%03d%4d%4d", s, -15 + s, 12);
        out += std::string(buf) + "\n";
        for (int decade = -20; decade <= 10; decade += 10) {
            std::snprintf(buf, sizeof buf, "CRU%03d%4d", s, decade);
            out += buf;
            for (int k = 0; k < 10; ++k) {
                std::snprintf(buf, sizeof buf, "%4d%3d", 90 + 7 * k, 1);
                out += buf;
            }
            out += "\n";
        }
    }
    return out;
}

std::string compact_fixture() {
    std::string out = "compact title\n";
    for (int s = 0; s < 2; ++s) {
        char head[96];
        std::snprintf(head, sizeof head, "%8d=n%8d=i CD%02d", 30, 1950 + s, s);
        out += padded(head, 68) + " -2(13f6.0)~ raw\n";
        std::string values;
        for (int i = 0; i < 30; ++i) {
            char v[8];
            std::snprintf(v, sizeof v, "%6d", 50 + 11 * i);
            values += v;
            if (i % 13 == 12 || i == 29) {
                out += values + "\n";
                values.clear();
            }
        }
    }
    return out;
}

std::string self_describing_fixture() {
    return padded("SDS001  a self-describing series", 79) + "#\n" + "n        14      1950  (6f8.3)\n" +
           "   1.000   1.100   1.200   1.300   1.400   1.500\n" +
           "   0.900   0.800   0.700   0.600   0.500   0.400\n" + "   0.300   0.200\n" +
           "TEST01  1970   123   234   999\n";
}

bool has_nan_text(const std::string& s) {
    return s.find("NaN") != std::string::npos || s.find("Inf") != std::string::npos ||
           s.find("nan") != std::string::npos || s.find("inf ") != std::string::npos;
}

}  // namespace

TEST(SeriesReaderMutations, MalformedFilesEndInASeriesOrAMessage) {
    struct Seed {
        const char* what;
        const char* dtype;
        std::string text;
    };
    const Seed seeds[] = {
        {"ring widths with header lines", "mr", first_lines(kovtest::test_data("rwl/wa129.rwl"), 60)},
        {"years before year 1, CR LF", "mr", first_lines(kovtest::test_data("rwl/cana163.rwl"), 60)},
        {"thousandths, run-on identifiers", "mr", first_lines(kovtest::test_data("rwl/ak111.rwl"), 60)},
        {"self-describing layout", "mr", self_describing_fixture()},
        {"indices", "ir", index_fixture()},
        {"CRU", "cr", cru_fixture()},
        {"compact", "cd", compact_fixture()},
    };
    Rng r{0x6b6f7672696eULL};
    std::vector<float> work(mxy);
    std::vector<int> cnt(mxy);
    std::string idbuf(8, ' ');
    int outcomes[2] = {0, 0};  // series read, message
    for (const Seed& seed : seeds) {
        for (int m = 0; m < 50; ++m) {
            std::string text = seed.text;
            for (size_t k = 1 + r.below(3); k > 0; --k) text = mutate(text, r);

            kovtest::ListingFixture f;
            kovtest::ScriptedConsole sc("");
            SharedTables& t = shared();
            t.dtype = seed.dtype;
            t.batmod = "n";
            t.optval(3, 1) = 0;
            t.optval(17, 1) = 2;
            f.open_text(streams().ludata, text);
            float rawmax = 0.0f;
            int ngap = 0;
            bool read = false;
            try {
                rdsers(t.sermat, work, cnt, t.nc, t.sertbl, idbuf, t.serids, mxy, mxs, t.dtitle, rawmax, t.rawstat,
                       ngap);
                read = true;
            } catch (const Stop& s) {
                EXPECT_EQ(s.status, exit_failure) << seed.what << " mutant " << m;
            }
            ++outcomes[read ? 0 : 1];
            const std::string where = std::string(seed.what) + ", mutant " + std::to_string(m) + ":\n" + text;
            EXPECT_FALSE(has_nan_text(f.listing())) << where;
            EXPECT_FALSE(has_nan_text(sc.output())) << where;
            if (!read) continue;
            ASSERT_GE(t.nc, 1) << where;
            EXPECT_TRUE(std::isfinite(rawmax)) << where;
            for (int k = 1; k <= t.nc; ++k) {
                const int n = t.sertbl(k, ily) - t.sertbl(k, ify) + 1;
                ASSERT_GE(n, 0) << where;
                ASSERT_LE(n, mxy) << where;
                const float* col = t.sermat.col(k);
                for (int i = 0; i < n; ++i) ASSERT_TRUE(std::isfinite(col[i])) << where << " series " << k;
                for (int c = 1; c <= 7; ++c) ASSERT_TRUE(std::isfinite(t.rawstat(k, c))) << where;
            }
        }
    }
    // The mutants reach both ends: files still read, and files refused.
    EXPECT_GT(outcomes[0], 50);
    EXPECT_GT(outcomes[1], 20);
}
