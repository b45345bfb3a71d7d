#pragma once
// The loop over the data files of the list: output files, listing head, batch
// command file, per-series table, option listing, the analysis phases in their
// order, and the end-of-run block.
#include <functional>
#include <string>

#include "driver/start_dialogue.hpp"
#include "shared/tables.hpp"

namespace kov {

// The stage of the series that a statistics block measures.
enum class Stage { raw = 1, transformed = 2, indices = 3, residuals = 4 };

// The analysis phases of one data file. Each is wired in (phase_wiring.cpp) once
// its stage is built; an empty one is skipped, and so are the phases that work
// on what it would have made. A phase writes its own banner to the listing.
struct Phases {
    // always: read the series, year axis, titles, raw save, gaps, release scan, raw plot
    std::function<void()> raw_series;
    // after each stage, when more than one series was read
    std::function<void(Stage)> statistics;
    std::function<void()> transformation;       // option 3 above 0
    std::function<void()> raw_chronology;       // option 12 not 0
    std::function<void()> detrending;           // option 4 not 0
    std::function<void()> standard_chronology;  // options 4 and 12 not 0
    std::function<void()> autoregression;       // option 9 above 0: pooled and series models, save, plot
    std::function<void()> residual_chronology;  // option 9 above 0, option 12 not 0
    std::function<void()> endogenous_outliers;  // ... and option 20 above 0
    std::function<void()> kovrin_chronology;    // option 9 above 0, option 12 not 0
    std::function<void()> end_of_file_outputs;  // always, after the closing line: tab table, plots, spectra
};
Phases& phases();

// Puts the built phases into phases(); rundrv calls it once before the loop.
void wire_phases();

// State of the driver: run-wide, and per data file.
struct DriverState {
    std::string list_name = std::string(60, ' ');
    std::string run_title = std::string(80, ' ');
    int processed = 0;        // data files whose batch command file was read
    int command_status = 0;   // what rdbatch returned for the latest data file
    OptionBlock snap;         // the option slots the phase tests read
    std::string mask_copy = std::string(8, ' ');  // stcmask as the command file set it
};
DriverState& driver_state();

// The per-file snapshot of the option slots that the driver's phase tests read,
// taken right after the batch command file was read. Only the slots the tests
// use are copied; a phase that changes one of them for the driver (the save
// option during gap filling) changes it here and in optval.
OptionBlock& optsnap();

// The whole run: plot library, banner, start-up dialogue, data-file loop and
// end-of-run block. Returns the exit status.
int rundrv();

// The loop over the names of the open list file; returns the exit status with
// which the run ends (the end-of-run block follows).
int data_file_loop();

// One data file from its name in datfil to its last phase. false: the run ends
// here (the reason is on the console).
bool process_data_file();

// The head of the listing, up to the list-file name.
void write_listing_head();
// The option header and the 23 option lines of the listing.
void write_option_listing();
// The per-series table before each data file.
void reset_series_table();

// Closes the files, keeps or deletes the generic files, shows the closing
// banner and waits on " hit return to quit".
void end_of_run_block();

}  // namespace kov
