#pragma once
// The statistics of the single series of a stage and their summary over the
// series, as every stage lists them. A statistics table holds one row per
// series in columns 1 to 7: years, mean, standard deviation, skewness,
// kurtosis, mean sensitivity and lag-1 autocorrelation. A summary of a column
// is eight values: mean, standard deviation, median, interquartile range,
// minimum, lower hinge, upper hinge, maximum.
#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "numerics/statistics.hpp"
#include "shared/files.hpp"
#include "shared/tables.hpp"

namespace kov {

// Row `row` of columns 1 to 7: the seven statistics of one series.
void put_statistics_row(Table<float>& stat, int row, float years, float ave, float sdev, float skew, float curt,
                        float sens, float ac1);

// The descriptors of the six figures (mean, standard deviation, skewness,
// kurtosis, mean sensitivity, lag-1 autocorrelation) of a listing row whose
// layout gives them "2f8.3,3f7.3,f8.3", each with fewer decimals where it
// would fill its field or overflow it: a mean and a standard deviation have
// no bound, a series with one far value has a kurtosis of about its length
// and a skewness beyond -10, and the undefined -99 fills an f7.3.
std::string statistics_figures(const std::array<float, 6>& v);

// The listing line of series number j from row `row` of stat, with its
// identifier and first and last years; the column heading stands before the
// first series and before every 20th.
void write_series_line(OutFile& out, const Table<float>& stat, int row, int j, std::string_view id, int first,
                       int last);

// What a summary leaves in the table it summarises.
enum class SummaryInTable {
    sorted,               // each column sorted ascending (rows 1 to n)
    sorted_then_summary,  // sorted, then rows 1 to 8 replaced by the summary
    summary,              // rows 1 to 8 replaced by the summary, the rows below in series order
};

// The summary of each of columns 1 to `columns` of stat over rows 1 to n,
// over the values that are defined (see defined_summary, which takes
// after_moment).
std::vector<ColumnSummary> summarise_columns(Table<float>& stat, int columns, int n, SummaryInTable keep,
                                             bool after_moment = true);

// The heading and the eight labelled rows of the summaries of columns 1 to 7;
// the mean year count is rounded to whole years, the other year figures are
// cut to them.
void write_summary_rows(OutFile& out, const std::vector<ColumnSummary>& seven);

}  // namespace kov
