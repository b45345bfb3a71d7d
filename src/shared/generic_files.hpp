#pragma once
// The ten run-wide generic chronology files, one per lugcrn stream: each
// collects the chronologies of one kind over every data file of the run.
#include <string>

namespace kov {

// "crns_raw.txt", ..., "crns_rcs_err.txt" for i = 0..9, in creation order.
const std::string& generic_file_name(int i);

// Creates the ten files empty on their streams. Throws FileRefused, with
// nothing created, when one of the names is a file the run reads.
void create_generic_files();

// Closes the ten streams and deletes the files this run created on them; a
// file the run never created (an earlier run's, or a file the run reads) is
// left alone.
void delete_generic_files();

// Notes where each open file stands as a data file begins, and how many data
// files were finished before it.
void mark_generic_files(int finished_before);

// For a run that stops within a data file: closes the files with what the
// data files finished before it wrote, cutting off what this one added. With
// fewer than two finished they are deleted instead, as the end of a run over
// those alone would. Files that are not open are left alone (without a mark,
// nothing was finished). Returns true when the files are kept.
bool roll_back_generic_files();

}  // namespace kov
