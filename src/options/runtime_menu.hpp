#pragma once
// The run-time menu of an interactive run and the set-up of the batch command
// files from it.
#include <functional>
#include <string>
#include <vector>

#include "shared/tables.hpp"

namespace kov {

// Sets the run options to their defaults (the plot switches (2,2) and (20,5)
// keep theirs), then shows the menu of the twenty options and lets the user
// change one option at a time until an all-blank answer or 0 ends the menu.
// "/" stops the program.
void runmenu(OptionBlock& optval, std::string& stcmask);

// Writes the menu screen: title, header and the 23 option lines. While the
// first detrending is regional curve standardisation (-2), the second
// detrending is the regional curve and is first set to -6 with 10 years.
void show_runmenu(OptionBlock& optval, const std::string& stcmask);

// The name of the batch command file of a data file: the name less a final
// ".txt" (lower case exactly), followed by "_log.txt".
std::string batch_command_file_name(const std::string& datfil);

// Writes one batch command file per data-file name of the list file
// (streams().lulist, positioned at its first line by the caller; a name is a
// line's first 60 characters; the end of the file or a line whose first ten
// characters are blank ends the list), and a console line for each. The
// run-time menu is shown for every data file when `same_commands` is 'n' or
// 'N', each time from the defaults, else only for the first, whose options
// then serve every data file. Works on shared().optval and shared().stcmask.
// The caller rewinds the list file afterwards.
//
// Each file is written after its menu has returned, and after `usable` has
// taken the names of the data files the menu serves (all of the list, or
// the one) with the options chosen: when it says no, mklogs returns false
// without writing them, and the run cannot go on. A stop in a menu leaves
// that file (and those after it) as they were. An earlier file is replaced
// only by a whole new one (OutFile::open_rewrite): a write that fails stops
// the run with WriteFailed and leaves it as it was.
//
// Returns false, noting it for the end of the run (note_output_failure),
// when a batch command file cannot be created: the run cannot go on. A batch command file named
// like a file the run reads, or two names of the list whose batch command
// files share one name ("site1" and "site1.txt"), throw FileRefused before
// that file's menu, so that the first one's options are not lost.
bool mklogs(char same_commands,
            const std::function<bool(const std::vector<std::string>&, const OptionBlock&)>& usable = {});

}  // namespace kov
