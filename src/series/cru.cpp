#include "series/cru.hpp"

#include <vector>

#include "series/fixed_text.hpp"
#include "series/header_scan.hpp"
#include "shared/capacities.hpp"
#include "shared/console.hpp"
#include "shared/layout.hpp"
#include "shared/stop.hpp"

namespace kov {

namespace {
constexpr int max_unreadable = 5;
}  // namespace

void rinfrn(std::string& id, int& first_year, int& count, std::span<float> values, std::span<int> depths,
            int& series_counter, TextIn& in, std::string& title) {
    std::string line;
    // Columns are characters in a line of valid UTF-8, as the writer counts
    // them: an identifier of letters of two bytes keeps its six letters.
    const auto found = scan_header(
        in, "(a6,2i4)", title, line,
        [](int unreadable, const std::string&) {
            if (unreadable > max_unreadable) stop_after_wait(fmt("(/1x,' *** too many read errors in rinfrn')"));
        },
        true);
    if (!found) {
        count = -999;
        series_counter = -999;
        return;
    }
    const std::vector<FVal>& head = *found;
    id = in_columns(column_slice(line, 0, 6), 8);
    first_year = static_cast<int>(head[1].i);
    const int last_year = static_cast<int>(head[2].i);
    count = last_year - first_year + 1;
    const int skip = mod10(first_year);
    // A series too long for the vectors is returned by its count alone: the
    // series reader refuses it with its length message. A count below 1 ends
    // the caller's reading.
    if (count < 1 || static_cast<size_t>(count) > values.size()) {
        ++series_counter;
        return;
    }

    const int need = skip + count;
    int got = 0;
    int empty = 0;  // value fields of the series that held nothing
    while (got < need) {
        auto raw = next_nonblank(in);
        if (!raw) stop_after_wait(fmt("(1x,/' *** end of file in the values of uea cru data format series ',a6)", id));
        std::vector<FVal> v;
        try {
            v = read_values("((10x,10(f4.2,i3)))", column_text(*raw));
        } catch (const ReadError&) {
            v.clear();
        }
        if (v.size() < 20) {
            in.backspace();
            auto again = in.read_line();
            stop_after_wait(fmt("(1x,/' *** error reading tree-ring data in uea cru data format: series ',a6)", id) +
                            fmt("(1x,'line: ',a)", again ? *again : std::string()));
        }
        for (int k = 0; k < 10 && got < need; ++k, ++got) {
            int i = got - skip;
            if (i < 0) continue;
            // No value in the field (a line cut short, or left blank): a
            // missing value for the gap scan, not a ring of width 0.
            if (v[2 * k].blank) ++empty;
            values[i] = v[2 * k].blank ? xmiss : static_cast<float>(v[2 * k].r);
            if (static_cast<size_t>(i) < depths.size()) depths[i] = static_cast<int>(v[2 * k + 1].i);
        }
    }
    if (empty > 0)
        streams().luout.write("(t2,'*** warning: series ',a6,' has',i6,' empty value fields: taken as missing values')",
                              id, empty);
    ++series_counter;
}

}  // namespace kov
