#pragma once
// The per-series AR stage: every series of the data file gets its own AR model
// and is replaced in sermat by its prewhitened form, the AR residuals around
// 1.0. With a robust method it also finds each series' AR outliers (the years
// where the plain and the robust residuals differ), counts them per year into
// crnmat, and with method 3 writes the series with their outlier effects
// removed to prefix + "_no_outliers.txt".
#include <span>

#include "shared/tables.hpp"

namespace kov {

// Burg stages and mode of an order option v ((11,1), or in batch mode the ips
// that a detail record gave the series): 0 the pooled order (npool + 1 stages,
// fixed), below 0 by AICc (11 stages), above 0 order v (v + 1 stages, fixed;
// orders above 10 are held to 10).
struct BurgStages {
    int maxp;
    int mode;
};
BurgStages burg_stages(int order_option, int npool);

// A value as it comes back from a scratch file written with four decimals
// (f9.4); a value too wide for the field keeps its value.
float four_decimals(float v);

// crn: crnmat (column 1 read, columns 13 to 16 written). w1..w6: work vectors of
// ar_work_capacity values. coef: arcoef (element, series). ipool: npool.
// stat: the statistics table (rawstat), left holding the prewhitened series'
// statistics and the summaries. Works on sermat, sertbl, serids, nc of shared().
void arindv(Table<float>& crn, std::span<float> w1, std::span<float> w2, std::span<float> w3,
            std::span<float> w4, std::span<float> w5, std::span<float> w6, Table<float>& coef, int ipool,
            Table<float>& stat);

}  // namespace kov
