#pragma once
// Groups the cores of a data file into trees by the site and tree characters
// of their identifiers.
#include <string>
#include <string_view>
#include <vector>

#include "shared/tables.hpp"

namespace kov {

// Writes a tree number into cpa of series 1..nc: 1, 2, 3, ... in the order in
// which each tree first appears. With ns the count of "s"/"S" and nt the count
// of "t"/"T" in the mask, the first ns + nt characters of an identifier name
// its tree (only the counts matter, not where the letters stand).
void treenum(const std::vector<std::string>& ids, Table<int>& itab, int nc, std::string_view mask);

}  // namespace kov
