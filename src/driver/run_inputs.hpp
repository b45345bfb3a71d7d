#pragma once
// The inputs of a run checked before it writes anything: a run that cannot
// do what it was asked changes no file, and names everything that stops it
// at once instead of the first thing it meets on the way.
#include <string>
#include <vector>

namespace kov {

// Every data-file name of the list: a file that exists and can be read (a
// folder is none), under a name of at most 60 characters. Each name that
// fails is named on the console; true when none does.
bool data_files_readable(const std::vector<std::string>& names);

// The batch command file of every data-file name of the list, read with every
// check of the batch reader: each one that is missing or cannot be read is
// named, and each one the reader would refuse is named with its line. true
// when every file would be read to its end.
bool command_files_usable(const std::vector<std::string>& names);

}  // namespace kov
