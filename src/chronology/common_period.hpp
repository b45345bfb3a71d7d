#pragma once
// Statistics of the series over the common period optval(14,1)..(14,2): the
// series that cover it, their summary, their correlations with the principal
// components analysis, within- and between-tree rbar and the signal
// statistics that follow.
#include <string>
#include <vector>

#include "shared/files.hpp"
#include "shared/tables.hpp"

namespace kov {

// The common-period report of one stage (istage 1 raw, 2 transformed,
// 3 indices, 4 residuals) to luout. idu gets the identifiers of the series in
// the period (1-based); stat rows 1..N the statistics of those series, each
// column then sorted ascending (columns 8 and 9 are lent to the components
// analysis). rbcp: the rbar over the period; sdbt: the spread of the
// between-tree correlations; epscp: the eps over the period.
void compstat(SeriesMatrix& x, const Table<int>& itab, const std::vector<std::string>& ids,
              std::vector<std::string>& idu, int nc, Table<float>& stat, float& rbcp, float& sdbt, float& epscp,
              int istage);

// Within-tree rbar over p1..p2: pairs of series with the same tree number
// (cpa); ntree the trees with a series, ceff the harmonic mean of the series
// per tree (nc when no tree has two series).
void rbarwt(SeriesMatrix& x, const Table<int>& itab, int nc, int p1, int p2, int& ntree, int& ncorr,
            float& ceff, float& rmean, float& sdev, OutFile& out);

// Between-tree rbar over p1..p2: pairs of series of different trees.
void rbarbt(SeriesMatrix& x, const Table<int>& itab, int nc, int p1, int p2, int& ncorr, float& rmean,
            float& sdev, OutFile& out);

}  // namespace kov
