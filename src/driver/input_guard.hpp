#pragma once
// Keeps the run's outputs off the files the run reads: the list file, the data
// files of the list, and the batch command and detail files. Only the names an
// output can reach are put under protection at any time, so that the check on
// every created file stays cheap for lists of thousands of names.
#include <string>
#include <vector>

namespace kov {

// The list file and the data-file names of the list (up to the end of the
// list as the data-file loop sees it). Clears every protection.
void guard_run_inputs(const std::string& list_name, const std::vector<std::string>& data_names);
// Before the generic chronology files are created: the list file and every
// data file named like one of them.
void guard_for_generic_files();
// Before the batch command files are written: the list file and every data
// file named like a batch command file of the list.
void guard_for_command_files();
// For one data file: the list file, the data file, its batch command file,
// its detail file (when read) and every data file of the list whose name
// begins with the output prefix (every output of the file begins with it).
void guard_data_file(const std::string& datfil, const std::string& command_name, const std::string& detail_name);
// Before the detail file is written again: its own name is released unless
// it is also the name of another input.
void release_detail_file(const std::string& detail_name);

// The data-file names of a list file as the loop reads them: up to the end of
// the file or a line whose first ten characters are blank; trailing blanks off.
std::vector<std::string> list_names(const std::string& list_name);

}  // namespace kov
