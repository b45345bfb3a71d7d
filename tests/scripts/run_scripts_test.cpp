// The project's run scripts (scripts/lib/runs.sh), as the benchmark and the
// output scripts use them.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "shared/layout.hpp"
#include "support/test_support.hpp"

namespace {

// What a bash that sources scripts/lib/runs.sh prints for `command`.
std::string run_sourced(const std::string& command) {
    const std::filesystem::path runs =
        std::filesystem::path(KOVRIN_TEST_DATA).parent_path().parent_path() / "scripts" / "lib" / "runs.sh";
    const std::string cmd = "bash -c 'source \"$0\" && " + command + "' '" + runs.string() + "' 2>&1";
    std::string out;
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return out;
    char buf[256];
    for (size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
    pclose(p);
    return out;
}

}  // namespace

// The common period of the all-options run comes from the records of a
// batch detail file, by their columns: identifiers with blanks or letters of
// two bytes leave the years where they are. The records end at the first
// line without a record number.
// By hand, with periods of 50 years: Q 3349 (1837-1978) and Q 3350
// (1835-1978) cover every period ending 1886 to 1978; "ÄB 12" (1850-1930)
// those ending 1899 to 1930, Q 3351 (1900-1960) those ending 1949 to 1960.
// Three series at most, the latest such period 1911-1960. The record after
// the blank line (1920-1978) would make it 1929-1978.
TEST(RunScripts, CommonPeriodFromTheDetailFileColumns) {
    std::string head;
    for (int k = 0; k < 7; ++k) head += "legend\n";
    head += " num  ident      ify   ily   yfp   itn   idt   ips   isb   icu   ics   cpa\n";
    auto record = [](int num, const char* id, int first, int last) {
        return kov::fmt("(i4,2x,a8,10i6)", num, id, first, last, 0, 0, -6, 0, 0, 1, 1, num);
    };
    const std::string records = record(1, "Q 3349", 1837, 1978) + record(2, "Q 3350", 1835, 1978) +
                                record(3, "\u00c4B 12", 1850, 1930) + record(4, "Q 3351", 1900, 1960) + "\n" +
                                record(5, "Q 3352", 1920, 1978);
    std::string crlf;
    for (char c : records) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    for (const std::string& body : {records, crlf}) {
        kovtest::TempDir d;
        d.write("s_detail.txt", head + body);
        EXPECT_EQ(run_sourced("kovrin_common_period \"" + (d / "s_detail.txt").string() + "\""), "1911 1960\n");
    }
}
