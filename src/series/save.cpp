#include "series/save.hpp"

#include <algorithm>
#include <climits>

#include "series/compact.hpp"
#include "series/fixed_text.hpp"
#include "series/tucson.hpp"
#include "shared/console.hpp"
#include "shared/files.hpp"
#include "shared/layout.hpp"
#include "shared/stop.hpp"

namespace kov {

namespace {
// Every data row of a column save is built in a text of this width.
constexpr int column_row_width = 8001;
}  // namespace

void save_series_file(const std::string& name, std::string_view tag, std::array<std::string, 3>& header) {
    auto& s = shared();
    auto& scr = streams().luscr;
    // one that cannot be created is named; the header is made up all the same
    create_output(scr, name);
    if (s.optval(18, 1) <= 3) {
        for (auto& h : header) {
            h.resize(85, ' ');
            h.replace(82, 3, "   ");
            scr.write("(a)", h);
        }
    }
    std::vector<float> w(mxy);
    std::vector<int> cnt(mxy);
    std::vector<int> isel(std::max(s.nc, 1) + 1);
    savsers(s.sermat, w, s.nc, s.sertbl, s.serids, cnt, isel, s.dtitle, mxy, mxs, tag);
    scr.close();
}

void savsers(const SeriesColumn& x, std::span<float> w, int nc, const Table<int>& itab,
             const std::vector<std::string>& ids, std::span<int> cnt, std::span<int> isel,
             const std::string& /*title*/, int ld, int /*mxs*/, std::string_view label) {
    const int f = shared().optval(18, 1);
    OutFile& out = streams().luscr;
    if (f >= 5 && 9 * nc + 6 > column_row_width) {
        con().line("");
        con().line(" *** too many series to store in column mode ***");
        return;
    }
    if (f < 5) {
        if (nc < 1) return;
        std::vector<float> series;
        const int y0 = itab(nc + 1, ify);
        for (int i = 1; i <= nc; ++i) {
            if (itab(i, ics) != 1) continue;
            const int first = itab(i, ify);
            const int n = itab(i, ily) - first + 1;
            const int row0 = first - y0;  // 0-based row of the series' first year
            if (n < 1 || row0 < 0 || row0 + n > ld) continue;  // outside the matrix: nothing sound to write
            series.resize(static_cast<size_t>(n));
            for (int k = 0; k < n; ++k) series[static_cast<size_t>(k)] = x(i, row0 + k);
            std::span<const float> values(series);
            if (f == 1) {
                trrw(ids[i], first, n, values, {}, out, "mw", label);
            } else if (f == 2 || f == 3) {
                for (int k = 0; k < n; ++k) {
                    w[k] = values[k] < 0.0f ? 0.0f : values[k];
                    cnt[k] = 1;
                }
                trrw(ids[i], first, n, std::span<const float>(w.data(), n), std::span<const int>(cnt.data(), n),
                     out, f == 2 ? "iw" : "cr", label);
            } else if (f == 4) {
                wrcdf(ids[i], values, cnt, n, first, out, label);
            }
        }
        return;
    }
    if (f > 7 || nc < 1) return;

    const std::string sep = f == 5 ? " " : (f == 6 ? std::string(1, tabsep) : ",");
    // The span starts from the first selected series' own years: fixed start
    // values of 9999 and -9999 would stretch the span of series that lie wholly
    // beyond them to millions of rows of nothing.
    int k = 0;
    int first = INT_MAX, last = INT_MIN;
    for (int i = 1; i <= nc; ++i) {
        if (itab(i, ics) != 1) continue;
        isel[k++] = i;
        first = std::min(first, itab(i, ify));
        last = std::max(last, itab(i, ily));
    }
    if (k == 0) return;
    const int y0 = itab(nc + 1, ify);
    const size_t width = 6 + 9 * static_cast<size_t>(k);

    std::vector<FVal> head;
    head.reserve(2 * k);
    for (int m = 0; m < k; ++m) {
        if (f != 5) head.emplace_back(sep);
        head.emplace_back(in_columns(ids[isel[m]], 8));
    }
    std::string line = f == 5 ? format_values("('  year',8001(1x,a8))", head)
                              : format_values("(' year',8001(a,a8))", head);
    if (!line.empty() && line.back() == '\n') line.pop_back();
    out.write("(a)", line);

    std::vector<FVal> row;
    row.reserve(1 + 2 * k);
    std::vector<int> too_wide(static_cast<size_t>(k), 0);  // per selected series
    for (int year = first; year <= last; ++year) {
        const int r = year - y0;  // 0-based matrix row of the year
        row.clear();
        row.emplace_back(static_cast<long long>(year));
        for (int m = 0; m < k; ++m) {
            row.emplace_back(sep);
            row.emplace_back(static_cast<double>(r >= 0 && r < ld ? x(isel[m], r) : xmiss));
        }
        line = format_values("(i6,8001(a,f8.4))", row);
        if (!line.empty() && line.back() == '\n') line.pop_back();
        line = padded(line, width);
        for (int m = 0; m < k; ++m)
            if (line[7 + 9 * static_cast<size_t>(m)] == '*') ++too_wide[static_cast<size_t>(m)];
        if (f == 5) {
            // Missing values show as a full stop in the same field width.
            for (size_t p = line.find(" -9.9900"); p != std::string::npos; p = line.find(" -9.9900", p + 8))
                line.replace(p, 8, "   .    ");
        }
        out.write("(a)", line);
    }
    // The asterisks stand where the value stood, so that the columns keep
    // their places; the listing says which series lost values to them.
    for (int m = 0; m < k; ++m)
        if (too_wide[static_cast<size_t>(m)] > 0)
            streams().luout.write("(t2,'*** warning: ',a8,':',i6,' values too wide for 8 columns written as ********')",
                                  ids[isel[m]], too_wide[static_cast<size_t>(m)]);
}

void savsers(SeriesMatrix& x, std::span<float> w, int nc, const Table<int>& itab,
             const std::vector<std::string>& ids, std::span<int> cnt, std::span<int> isel,
             const std::string& title, int ld, int mxs, std::string_view label) {
    savsers([&x](int j, int r) { return x.at(r + 1, j); }, w, nc, itab, ids, cnt, isel, title, ld, mxs, label);
}

void savsers(const Table<float>& x, std::span<float> w, int nc, const Table<int>& itab,
             const std::vector<std::string>& ids, std::span<int> cnt, std::span<int> isel,
             const std::string& title, int ld, int mxs, std::string_view label) {
    savsers([&x](int j, int r) { return x.col(j)[r]; }, w, nc, itab, ids, cnt, isel, title, ld, mxs, label);
}

}  // namespace kov
