#pragma once
// The stages of the series of one data file that the driver runs itself:
// reading and placing the series, titles and header lines, the raw save, gap
// filling, and the transformation stage.
#include <string>
#include <string_view>

namespace kov {

// Reads every series, puts them on the common year axis, completes the title
// and header lines, saves the raw series and fills gaps (saving the filled
// series); draws the raw series when asked.
void series_stage_raw();

// Transforms every series, saves and draws them when asked.
void series_stage_transformed();

// Saves the series of sermat as prefix + suffix with the stage tag, in the save
// format of option 18 (the caller tests that it is above 0).
void save_stage(std::string_view suffix, std::string_view tag);

// The same under a whole file name (a save not named after the output prefix).
void save_stage_as(const std::string& name, std::string_view tag);

}  // namespace kov
