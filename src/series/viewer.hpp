#pragma once
// A look into a text file on the console, five numbered lines at a time under
// a column ruler, before a procedure reads it.
#include "shared/files.hpp"

namespace kov {

// Shows `file` on the console. The file is rewound before and after, so the
// caller reads it from its first line afterwards.
void snoop(TextIn& file);

}  // namespace kov
