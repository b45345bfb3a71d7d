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
// when every file would be read to its end. `data_types`, when given,
// receives for each name the data type (option 1) its command file sets, 0
// where the file is not usable.
bool command_files_usable(const std::vector<std::string>& names, std::vector<int>* data_types = nullptr);

// Every data file of the list read as the run will read it, in the read mode
// of its data type (data_types, per name; 0 leaves the name out, as one that
// is named for its file or command file already) and, in a batch run, with
// the series its batch detail file uses: a file at which the run would stop
// (it holds no series, the reader stops in it, its span is too long) is named
// on the console with what stops it. Nothing else is written anywhere. true
// when the run would read series from every file.
bool data_files_hold_series(const std::vector<std::string>& names, const std::vector<int>& data_types, bool batch);

}  // namespace kov
