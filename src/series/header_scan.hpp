#pragma once
// The search for the next series head in a CRU or compact file: the lines
// before it are the data title and stray text.
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "shared/files.hpp"
#include "shared/layout.hpp"

namespace kov {

// Reads the non-blank lines of `in` (each padded to 80 characters into
// `line`) until one that `layout` reads into at least three fields, and
// returns those fields; nullopt at the end of the file. The first line it
// cannot read is the data title: it is shown as "title of data:" and kept in
// `title` (80 blanks when there is none). Every later one goes to
// `unreadable_line` with its count (2, 3, ...), which may stop the run.
// by_columns: the layout reads the columns of a line of UTF-8 characters
// (one per character, see column_text) rather than its bytes; `line` keeps
// the bytes.
std::optional<std::vector<FVal>> scan_header(TextIn& in, std::string_view layout, std::string& title,
                                             std::string& line,
                                             const std::function<void(int, const std::string&)>& unreadable_line,
                                             bool by_columns = false);

}  // namespace kov
