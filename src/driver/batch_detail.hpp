#pragma once
// The batch detail file "_detail.txt": the per-series settings of a data file
// (sertbl and serids), written at the end of every data file and read back at
// the start of the data file in batch runs.
#include <array>
#include <string>
#include <vector>

namespace kov {

// One record as the batch run loaded it: identifier and the ten sertbl columns.
struct DetailRecord {
    std::string ident;
    std::array<int, 10> col{};
};

// The records loaded for the data file in work (empty in interactive runs or
// when no file was read). Record k stands for the k-th series of the data file.
std::vector<DetailRecord>& loaded_detail();

// Loads the detail file of the data file in work into rows 1, 2, ... of sertbl
// and serids (after the per-series table was reset), and marks in
// ips_from_record the rows whose ips a record gave. A missing or unreadable
// file leaves the rows as they stand, with two console lines; so does a file
// with a faulty record (one that does not hold a number in every column, or
// holds a value its column does not admit), which is named on the console and
// in the listing: no record of it is used.
void read_batch_detail();

// After the series were read: one listing line for every loaded record whose
// identifier differs from the series it is paired with.
void check_detail_pairing();

// Writes the detail file of the data file in work from sertbl and serids. The
// records of series that the batch run left out (icu other than 1) are written
// back at their places, so that the records stay paired with the series of the
// data file in the next batch run. The file is rewritten whole or not at all
// (OutFile::open_rewrite). false: it could not be written, which is named
// (report_output_failure) and leaves an earlier file as it was.
bool write_batch_detail();

}  // namespace kov
