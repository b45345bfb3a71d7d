#pragma once
// The batch detail file "_detail.txt": the per-series settings of a data file
// (sertbl and serids), written at the end of every data file and read back at
// the start of the data file in batch runs.
#include <array>
#include <functional>
#include <string>
#include <vector>

namespace kov {

// One record as the batch run loaded it: identifier and the ten sertbl columns.
struct DetailRecord {
    std::string ident;
    std::array<int, 10> col{};
};

// The detail file of the data file in work as the batch run read it; reset
// for every data file.
struct BatchDetailState {
    // The records loaded (none in interactive runs or when no file was read).
    // Record k stands for the k-th series of the data file.
    std::vector<DetailRecord> records;
    // The file was refused (unreadable, shorter than its header, no column
    // header on line 8, a faulty record): the run took the default settings, and the file is not
    // written again, so that it stays as the user wrote it.
    bool refused = false;
};
BatchDetailState& batch_detail_state();

// Loads the detail file of the data file in work into rows 1, 2, ... of sertbl
// and serids (after the per-series table was reset), and marks in
// ips_from_record the rows whose ips a record gave. A missing file leaves the
// rows as they stand, with two console lines, and so does an empty one. So
// does a file that is refused: one that cannot be read, ends within its
// legend, has no column header on line 8, or has a faulty record (one that
// does not hold a number in every column, or holds a value its column does
// not admit, named on the console and in the listing): no record
// of it is used, and it is named as left as it was (report_output_failure),
// so that the run ends as a failure.
void read_batch_detail();

// Which series of its data file a batch run would use by the detail file
// `detail_name`, by their position in the data file: those whose record has
// icu 1, and every one beyond the records; all of them when the file would not
// be used (missing, empty or refused). Reads the file and says nothing.
std::function<bool(int)> series_in_use(const std::string& detail_name);

// After the series were read: one listing line for every loaded record whose
// identifier differs from the series it is paired with.
void check_detail_pairing();

// Writes the detail file of the data file in work from sertbl and serids. The
// records of series that the batch run left out (icu other than 1) are written
// back at their places, so that the records stay paired with the series of the
// data file in the next batch run. The file is rewritten whole or not at all
// (OutFile::open_rewrite): one that cannot be written is named
// (report_output_failure) and an earlier file stays as it was. A file the
// batch run refused is not written.
void write_batch_detail();

}  // namespace kov
