#pragma once
// Transformations of the series before detrending (logarithms, inverse
// hypersine, a power chosen from each series' spread-versus-level relation),
// and the spread and level pairs that the power is chosen from.
#include <span>
#include <string>
#include <vector>

#include "shared/tables.hpp"

namespace kov {

// Spread-versus-level pairs of x: for each pair of successive values the level
// (mode 1 their mean, mode 2 the later value) and the spread |x[i+1] - x[i]|,
// kept as (ln level, ln spread) when both are above 0, in order. lvl and spr
// need room for x.size() - 1 pairs. Returns the number of pairs kept.
int sprlev(std::span<const float> x, std::span<float> lvl, std::span<float> spr, int mode);
// The same over the pairs whose two counts are both above 0.
int sprlvm(std::span<const float> x, std::span<const int> cnt, std::span<float> lvl, std::span<float> spr,
           int mode);

// Transforms every series of x (laid out like sermat) in place by option 3 of
// the option block (or each series' itn code in batch mode), maps it back onto
// the range of its untransformed values, lists the statistics in luout and
// records the code used in itab's itn. stat (rows = series, at least 10 columns)
// receives the per-series statistics, sorted and summarised in rows 1 to 8 at
// the end; the plot table (skewness, corr1, power, skewness after, corr2,
// 1 - slope after) goes into shared().trnstat.
void transf(SeriesMatrix& x, Table<int>& itab, const std::vector<std::string>& ids, int nc, Table<float>& stat);

}  // namespace kov
