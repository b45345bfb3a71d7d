#pragma once
// Names of the per-file outputs: the data-file name less a final ".txt"
// followed by a suffix.
#include <optional>
#include <string>
#include <utility>
#include <vector>
#include <string_view>

namespace kov {

// Number of characters of a data-file name that form the output prefix: the
// name up to its last non-blank character, less a final ".txt" (lower case
// exactly: "site1.TXT" keeps its ending).
int prefix_length(std::string_view datfil);
std::string output_prefix(std::string_view datfil);

// prefix of the data file in work (shared().datfil) followed by suffix
std::string output_name(std::string_view suffix);

// The first two names of a list (in list order) whose outputs would fall on
// the same files: their output prefixes name the same path ("site1.txt" and
// "site1", "a/b" and "a//b.txt", a name listed twice). nullopt when every
// name has a prefix of its own.
std::optional<std::pair<std::string, std::string>> names_sharing_a_prefix(const std::vector<std::string>& names);

}  // namespace kov
