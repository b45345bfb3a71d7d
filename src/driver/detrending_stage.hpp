#pragma once
// The detrending stage of a data file: one or two curve-fitting passes, each
// followed by the plot and save of its indices.
namespace kov {

void detrending_stage();

}  // namespace kov
