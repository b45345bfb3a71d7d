#pragma once
// Saving the series of one stage in the save format of run option 18:
// 1 Tucson ring width, 2 Tucson index, 3 CRU, 4 compact, 5/6/7 space-, tab- and
// comma-delimited columns. The caller creates the file on streams().luscr,
// writes the header lines first for formats 1 to 3, and closes it afterwards.
#include <array>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "shared/tables.hpp"

namespace kov {

// Cell (r, j) of a matrix laid out like sermat, series j (1-based) in 0-based
// row r, row 0 being the overall first year of itab row nc + 1: xmiss where
// the matrix holds no value.
using SeriesColumn = std::function<float(int j, int r)>;

// Writes every series j = 1..nc whose ics in itab is 1, from its ify to its ily.
// w, cnt: work vectors of at least ld entries (copy and depths for formats 2
// and 3, the compact writer's integers for format 4); isel: work, at least nc
// entries. title is not read. label: the 3-character stage tag.
void savsers(const SeriesColumn& x, std::span<float> w, int nc, const Table<int>& itab,
             const std::vector<std::string>& ids, std::span<int> cnt, std::span<int> isel,
             const std::string& title, int ld, int mxs, std::string_view label);

// The same for the series matrix itself.
void savsers(SeriesMatrix& x, std::span<float> w, int nc, const Table<int>& itab,
             const std::vector<std::string>& ids, std::span<int> cnt, std::span<int> isel,
             const std::string& title, int ld, int mxs, std::string_view label);

// The same for a table of ld rows by series columns (curves, weights).
void savsers(const Table<float>& x, std::span<float> w, int nc, const Table<int>& itab,
             const std::vector<std::string>& ids, std::span<int> cnt, std::span<int> isel,
             const std::string& title, int ld, int mxs, std::string_view label);

// The series of sermat saved in the fresh file `name` on streams().luscr, and
// the file closed: for formats 1 to 3 the three lines of `header` first, each
// made 85 characters with columns 83 to 85 blanked (in `header` itself). A
// file that cannot be created is named (create_output) and the run goes on.
void save_series_file(const std::string& name, std::string_view tag, std::array<std::string, 3>& header);

}  // namespace kov
