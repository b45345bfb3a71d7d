#pragma once
// The per-series AR stage's reports in the main listing: every series' model,
// summaries of the models over the series, and the statistics of the
// prewhitened series with their summary. A summary of one variable is eight
// values in rows 1 to 8 of one column of the statistics table: mean, standard
// deviation, median, interquartile range, minimum, lower hinge, upper hinge,
// maximum.
#include "shared/tables.hpp"

namespace kov {

// The heading at the start of the stage (printout level (17,1) above 1).
void list_ar_heading(int method);

// The coefficient table (printout level above 1), the summary heading and the
// coefficient summaries (stored in rows 1 to 8 of columns of stat). order_option
// is (11,1): below 0 the r-squared and order summaries only; otherwise every
// coefficient up to the largest order maxord too.
void list_ar_coefficients(const Table<float>& coef, int nc, int method, int order_option, int maxord,
                          Table<float>& stat);

// The prewhitened series' statistics (rows 1..nc of columns 1 to 7 of stat) and
// their summary, which then replaces rows 1 to 8 of those columns.
void list_prewhitened(Table<float>& stat, int nc);

}  // namespace kov
