#pragma once
// Endogenous outliers: years in which one tree's prewhitened series departs
// from the residual chronology far more than its other years do.
#include "driver/plot_seam.hpp"

namespace kov {

// Replaces every series of sermat by its outlier series (its deviation
// x - c + 1 from the residual chronology c in crvmean in an outlier year,
// 1.0 in every other year), counts the outliers per year, stores the counts in
// crnmat columns 13 to 16 for AR method 1 with stand dynamics 1, draws the
// per-series and summary plots and saves the outlier series when asked.
void endogenous_outliers(const TwoPanelPlot& two_panel = screen_two_panel());

}  // namespace kov
