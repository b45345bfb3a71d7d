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

}  // namespace kov
