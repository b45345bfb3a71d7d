#pragma once
// What a data file needs before its phases: the state the driver keeps over
// the run and per data file, the output files and inputs opened in their
// order, the batch command file read with the settings derived from it, the
// listing head and option listing, the per-series table; and the end of the
// run.
#include <string>

#include "shared/tables.hpp"

namespace kov {

// State of the driver: run-wide, and per data file.
struct DriverState {
    std::string list_name = std::string(60, ' ');
    std::string run_title = std::string(80, ' ');
    int processed = 0;        // data files whose batch command file was read
    OptionBlock snap;         // the option slots the phase tests read
    std::string mask_copy = std::string(8, ' ');  // stcmask as the command file set it
};
DriverState& driver_state();

// The per-file snapshot of the option slots that the driver's phase tests read,
// taken right after the batch command file was read. Only the slots the tests
// use are copied; a phase that changes one of them for the driver (the save
// option during gap filling) changes it here and in optval.
OptionBlock& optsnap();

// The read mode of a data type (option 1): 1 "mr", 2 "cr", 3 "ir", 4 "cd";
// "" for any other.
std::string read_mode(int data_type);

// The data file in shared().datfil: its outputs checked against the files the
// run reads (FileRefused), the listing, tab table, chronology and error files
// created, the listing head written, the data file and its batch command file
// opened. One of the four outputs that cannot be created is named and the
// data file goes on without it. false: the run ends here (the reason is on
// the console; without a command file the four new outputs are deleted again).
bool open_outputs_and_inputs();

// The batch command file read (rdbatch), the per-series table reset, in batch
// mode the batch detail file read, the data and write modes and the option
// snapshot taken, and the option listing written. false: the command file
// ends the run.
bool read_file_options();

// The head of the listing, up to the list-file name.
void write_listing_head();
// The option header and the 23 option lines of the listing.
void write_option_listing();
// The per-series table before each data file.
void reset_series_table();
// The listing's closing line, after the last analysis of a data file.
void write_closing_line();

// Closes the files, keeps or deletes the generic files, shows the closing
// banner and waits on " hit return to quit".
void end_of_run_block();

}  // namespace kov
