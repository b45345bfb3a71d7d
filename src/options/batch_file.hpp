#pragma once
// The batch command file: one line per run option of a data file, so that a run
// can repeat its options without asking. Line 1 names the data file (written by
// the batch command set-up); lines 2 to 24 are written by wrbatch and read back
// by rdbatch before the data file is processed, in every run.
#include <string_view>

#include "shared/files.hpp"
#include "shared/tables.hpp"

namespace kov {

// Writes lines 2 to 24 of a batch command file from the option block and the
// site-tree-core mask to `out`, on which the caller has written line 1. Values
// stand left-justified in their fixed fields with a description from column 20;
// two values never run together (a value that fills its field pushes the next
// one a column further right), so that every line reads back.
void wrbatch(const OptionBlock& optval, std::string_view mask, OutFile& out);

// Reads the open batch command file `log` from its first line into
// shared().optval and shared().stcmask, checking every line and echoing it on
// the console with its current description; `name` is the data file in work,
// shown in place of the name on line 1. Returns 0 when the file was read to its
// end, otherwise the number of the option whose line could not be read or was
// refused (1 to 20), on which the run ends. `count` is not used. A median or
// lowess window of 0, 1 or 2 stops the program.
int rdbatch(TextIn& log, int count, std::string_view name);

// Reads the open batch command file `log` with every check of rdbatch, before
// the run writes anything, and changes no option: true when rdbatch would
// read it to its end. Otherwise the console names the file (`file`), its line
// and what is wrong there, followed by rdbatch's closing lines; a median or
// lowess window that would stop the program is named so too. `options`, when
// given, receives the options read from a usable file.
bool batch_file_usable(TextIn& log, std::string_view file, OptionBlock* options = nullptr);

}  // namespace kov
