#include "series/series_statistics.hpp"

#include <algorithm>
#include <span>

#include "series/fixed_text.hpp"

namespace kov {

void put_statistics_row(Table<float>& stat, int row, float years, float ave, float sdev, float skew, float curt,
                        float sens, float ac1) {
    const float values[7] = {years, ave, sdev, skew, curt, sens, ac1};
    for (int k = 1; k <= 7; ++k) stat(row, k) = values[k - 1];
}

void write_series_line(OutFile& out, const Table<float>& stat, int row, int j, std::string_view id, int first,
                       int last) {
    if (j == 1 || j % 20 == 0)
        out.write("(/t2,'series   ident   frst   last   year    mean   stdev   skew   kurt   sens   ac(1)')");
    out.write("(t2,i5,2x,a8,i6,2i7,2f8.3,3f7.3,f8.3)", j, std::string(id), first, last,
              static_cast<int>(stat(row, 1)), stat(row, 2), stat(row, 3), stat(row, 4), stat(row, 5), stat(row, 6),
              stat(row, 7));
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
    static const char* const rows[8] = {
        "(t2,'arithmetic mean',t33,i4,2f8.3,3f7.3,f8.3)",
        "(t2,'standard deviation',t33,i4,2f8.3,3f7.3,f8.3)",
        "(t2,'median (50th quantile)',t33,i4,2f8.3,3f7.3,f8.3)",
        "(t2,'interquartile range',t33,i4,2f8.3,3f7.3,f8.3)",
        "(t2,'minimum value',t33,i4,2f8.3,3f7.3,f8.3)",
        "(t2,'lower hinge (25th quantile)',t33,i4,2f8.3,3f7.3,f8.3)",
        "(t2,'upper hinge (75th quantile)',t33,i4,2f8.3,3f7.3,f8.3)",
        "(t2,'maximum value',t33,i4,2f8.3,3f7.3,f8.3)",
    };
    out.write("(t33,'year    mean   stdev   skew   kurt   sens   ac(1)')");
    for (int r = 1; r <= 8; ++r) {
        const float years = seven[0].row[static_cast<size_t>(r - 1)];
        const long long shown = r == 1 ? nint(years) : static_cast<long long>(years);
        out.write(rows[r - 1], shown, summary_field(seven[1], r), summary_field(seven[2], r),
                  summary_field(seven[3], r), summary_field(seven[4], r), summary_field(seven[5], r),
                  summary_field(seven[6], r));
    }
}

}  // namespace kov
