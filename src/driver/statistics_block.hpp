#pragma once
// The statistics block that follows each stage of the series of a data file:
// all-series rbar, the common-period analysis and the running rbar with its
// tab-delimited file.
#include "driver/data_file_loop.hpp"

namespace kov {

void statistics_block(Stage stage);

}  // namespace kov
