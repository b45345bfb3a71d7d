#pragma once
// The statistics block that follows each stage of the series of a data file:
// all-series rbar, the common-period analysis and the running rbar with its
// tab-delimited file.
namespace kov {

// The stage of the series that a statistics block measures.
enum class Stage { raw = 1, transformed = 2, indices = 3, residuals = 4 };

void statistics_block(Stage stage);

}  // namespace kov
