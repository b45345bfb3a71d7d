#include "series/series_statistics.hpp"

#include <algorithm>
#include <span>

#include "series/fixed_text.hpp"
#include "shared/layout.hpp"

namespace kov {

void put_statistics_row(Table<float>& stat, int row, float years, float ave, float sdev, float skew, float curt,
                        float sens, float ac1) {
    const float values[7] = {years, ave, sdev, skew, curt, sens, ac1};
    for (int k = 1; k <= 7; ++k) stat(row, k) = values[k - 1];
}

std::string statistics_figures(const std::array<float, 6>& v) {
    static constexpr std::array<int, 6> widths = {8, 8, 7, 7, 7, 8};
    return fitted_reals(v, widths, 3);
}

void write_series_line(OutFile& out, const Table<float>& stat, int row, int j, std::string_view id, int first,
                       int last) {
    if (j == 1 || j % 20 == 0)
        out.write("(/t2,'series   ident   frst   last   year    mean   stdev   skew   kurt   sens   ac(1)')");
    const std::array<float, 6> figures = {stat(row, 2), stat(row, 3), stat(row, 4),
                                          stat(row, 5), stat(row, 6), stat(row, 7)};
    // "(t2,i5,2x,a8,i6,2i7,2f8.3,3f7.3,f8.3)"
    out.write("(t2,i5,2x,a8,i6,2i7," + statistics_figures(figures) + ")", j, std::string(id), first, last,
              static_cast<int>(stat(row, 1)), figures);
}

std::vector<ColumnSummary> summarise_columns(Table<float>& stat, int columns, int n, SummaryInTable keep,
                                             bool after_moment) {
    std::vector<ColumnSummary> sum(static_cast<size_t>(columns));
    std::vector<float> copy;
    for (int k = 1; k <= columns; ++k) {
        ColumnSummary& c = sum[static_cast<size_t>(k - 1)];
        if (keep == SummaryInTable::summary) {
            copy.assign(stat.col(k), stat.col(k) + n);
            c = defined_summary(copy, n, after_moment);
        } else {
            c = defined_summary(std::span<float>(stat.col(k), static_cast<size_t>(n)), n, after_moment);
        }
        if (keep != SummaryInTable::sorted)
            for (int r = 1; r <= 8; ++r) stat(r, k) = c.row[static_cast<size_t>(r - 1)];
    }
    return sum;
}

void write_summary_rows(OutFile& out, const std::vector<ColumnSummary>& seven) {
    // "(t2,'arithmetic mean',t33,i4,2f8.3,3f7.3,f8.3)" and so on, with the
    // figures fitted as in a series' own line
    static const char* const labels[8] = {
        "arithmetic mean", "standard deviation",          "median (50th quantile)",      "interquartile range",
        "minimum value",   "lower hinge (25th quantile)", "upper hinge (75th quantile)", "maximum value",
    };
    out.write("(t33,'year    mean   stdev   skew   kurt   sens   ac(1)')");
    for (int r = 1; r <= 8; ++r) {
        const float years = seven[0].row[static_cast<size_t>(r - 1)];
        const long long shown = r == 1 ? nint(years) : static_cast<long long>(years);
        std::array<FVal, 6> fields;
        std::array<float, 6> figures{};  // a field left blank measures as 0
        for (size_t k = 0; k < 6; ++k) {
            fields[k] = summary_field(seven[k + 1], r);
            figures[k] = static_cast<float>(fields[k].r);
        }
        out.write("(t2,a,t33,i4," + statistics_figures(figures) + ")", labels[r - 1], shown, fields);
    }
}

}  // namespace kov
