#pragma once
// The run: the program, the start-up dialogue, the loop over the data files of
// the list, the phases of one data file in their order, and the end of the
// run. data_file_loop.cpp reads from top to bottom as a run goes.
#include <functional>

#include "driver/data_file_setup.hpp"
#include "driver/statistics_block.hpp"

namespace kov {

// The analysis phases of one data file, in the order they run. wire_phases
// puts each stage procedure in its place; an empty one is skipped, and so are
// the phases that work on what it would have made. A phase writes its own
// banner to the listing.
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

// Puts the stage procedures into phases(); rundrv calls it once before the loop.
void wire_phases();

// The whole program: the run, and every stop that ends it, which comes back
// here with its exit status.
int run_program();

// The whole run: plot library, banner, start-up dialogue, data-file loop and
// end-of-run block. Returns the exit status.
int rundrv();

// The loop over the names of the open list file; returns the exit status with
// which the run ends (the end-of-run block follows).
int data_file_loop();

// One data file from its name in datfil to its last phase. false: the run ends
// here (the reason is on the console).
bool process_data_file();

}  // namespace kov
