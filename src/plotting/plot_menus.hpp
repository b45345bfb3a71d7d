#pragma once
// The options menus of the plots: the box each plot shows, the options it
// hands to pltopt, and how it answers an unknown option and "n". The boxes of
// the plots differ in single rows only, so they are written once here.
#include "plotting/plot_cycle.hpp"

namespace kov {

enum class PlotMenuKind {
    eigenvalues,
    weights,
    gap_fill,
    release,
    all_series,
    two_panel,
    two_panel_depth,  // the chronology pair, with its sample-depth panel
    pooled_ar,
    loadings,
    scores,
    transform_stats,
};

PlotMenu plot_menu(PlotMenuKind kind);

}  // namespace kov
