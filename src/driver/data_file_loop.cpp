// The run, read from top to bottom: the program and its stops, the run, the
// loop over the data files of the list, one data file, its phases in their
// order, and the one call each phase makes into its subsystem.
#include "driver/data_file_loop.hpp"

#include <algorithm>
#include <csignal>
#include <exception>
#include <iostream>
#include <string>

#include "driver/ar_stages.hpp"
#include "driver/batch_detail.hpp"
#include "driver/chronology_stages.hpp"
#include "driver/detrending_stage.hpp"
#include "driver/end_of_file_outputs.hpp"
#include "driver/endogenous_outliers.hpp"
#include "driver/input_guard.hpp"
#include "driver/series_stages.hpp"
#include "driver/start_dialogue.hpp"
#include "driver/statistics_block.hpp"
#include "plotting/plot_services.hpp"
#include "shared/console.hpp"
#include "shared/files.hpp"
#include "shared/stop.hpp"
#include "shared/text_helpers.hpp"

namespace kov {

namespace {
void run_phases();
}  // namespace

int run_program() {
    clear_failed_outputs();
#ifdef SIGXFSZ
    // A write past the file size limit would end the program by this signal
    // at once, with no word of the file: ignored, the write fails, and the
    // file's close names it.
    std::signal(SIGXFSZ, SIG_IGN);
#endif
    int status = exit_ok;
    try {
        status = rundrv();
    } catch (const Stop& s) {
        if (*s.what()) con().line(s.what());
        status = s.status;
    } catch (const std::exception& e) {
        // nothing is meant to get here; end as a fatal stop, keeping the files
        con().line(std::string(" *** ") + e.what());
        status = exit_failure;
    }
    // Whatever ended the run, every file is closed and kept; an output file
    // that failed (not created, cut short, a rewrite that left the earlier
    // file) is named, and the run ends as a failure.
    streams().close_all();
    const bool console_whole = con().written_whole();
    for (const auto& f : failed_outputs()) {
        con().line(failed_output_line(f));
        if (!console_whole) std::cerr << failed_output_line(f) << '\n';
    }
    if (!failed_outputs().empty()) status = exit_failure;
    if (!console_whole) {
        // the console itself cannot show it
        std::cerr << failed_write_line("standard output (the console)") << '\n';
        status = exit_failure;
    }
    return status;
}

int rundrv() {
    setplb("C:\\PLPLOT_DATA");
    shared().stcmask.assign(8, ' ');
    write_banner();
    DialogueResult start = start_dialogue();
    auto& d = driver_state();
    d.list_name = start.run.list_name;
    d.run_title = start.run.run_title;
    d.processed = 0;
    wire_phases();
    const int status = start.go ? data_file_loop() : start.status;
    end_of_run_block();
    return status;
}

int data_file_loop() {
    auto& st = streams();
    auto& s = shared();
    guard_run_inputs(rtrim(driver_state().list_name), list_names(rtrim(driver_state().list_name)));
    for (;;) {
        auto line = st.lulist.read_line();
        if (!line || blank_start(*line, 10)) return exit_ok;
        if (rtrim(*line).size() > 60) {
            // a longer name cut to 60 characters could name another file
            con().write("(/1x,'*** data file name longer than 60 characters:  ',a)", rtrim(*line));
            con().write("(/1x,'check file names in:  ',a)", driver_state().list_name);
            return exit_failure;
        }
        s.datfil = padded(*line, 60);
        try {
            if (!process_data_file()) return exit_failure;
        } catch (const FileRefused& r) {
            con().line("");
            con().line(std::string(" ") + r.what());
            return exit_failure;
        }
    }
}

bool process_data_file() {
    if (!open_outputs_and_inputs()) return false;
    if (!read_file_options()) return false;
    run_phases();
    // Last the batch detail file. Without the series reader the table holds
    // no series: a detail file written now would lose the records a batch run
    // read from it. One that cannot be written is named, and the run goes on;
    // one the batch run refused stays as the user wrote it.
    if (phases().raw_series) write_batch_detail();
    return true;
}

namespace {

// The phases in their order, each under its entry condition as it stands
// when the phase is reached. A phase that is not built is skipped together
// with the phases that would work on its results. The statistics block
// follows every stage of the series when more than one series was read.
void run_phases() {
    auto& ph = phases();
    auto& s = shared();
    auto opt = [](int k) { return optsnap()(k, 1); };
    s.nwin = 0;  // the running-rbar count belongs to this data file
    std::fill(s.residual_limit_centre.begin(), s.residual_limit_centre.end(), 0.0f);  // and so do these values
    auto statistics = [&](Stage stage) {
        if (s.nc > 1 && ph.statistics) ph.statistics(stage);
    };

    if (ph.raw_series) {
        ph.raw_series();  // 1 the raw series
        check_detail_pairing();
        statistics(Stage::raw);  // 2 the statistics block, after each stage of the series
        if (opt(3) > 0 && ph.transformation) {
            ph.transformation();  // 3 the transformation
            statistics(Stage::transformed);
        }
        if (opt(12) != 0 && ph.raw_chronology) ph.raw_chronology();  // 4 the raw chronology
        s.ipass = 0;
        bool detrended = false;
        if (opt(4) != 0 && ph.detrending) {
            ph.detrending();  // 5 the detrending
            detrended = true;
            statistics(Stage::indices);
        }
        if (detrended && opt(12) != 0 && ph.standard_chronology) ph.standard_chronology();  // 6 the standard chronology
        if (opt(9) > 0 && ph.autoregression) {
            ph.autoregression();  // 7 the autoregressive models
            statistics(Stage::residuals);
            if (opt(12) != 0 && ph.residual_chronology) {
                ph.residual_chronology();  // 8 the residual chronology
                if (opt(20) > 0 && ph.endogenous_outliers) ph.endogenous_outliers();  // 9 endogenous outliers
                // 10 the kovrin chronology
                if (opt(9) > 0 && opt(12) != 0 && ph.kovrin_chronology) ph.kovrin_chronology();
            }
        }
    }

    write_closing_line();
    if (ph.end_of_file_outputs) ph.end_of_file_outputs();  // 11 the outputs of the whole data file
}

}  // namespace

Phases& phases() {
    static Phases p;
    return p;
}

// What each phase calls, in the order the phases run.
void wire_phases() {
    phases() = Phases{
        // series/: read, year axis, raw save, gaps filled; armodel/: release scan
        .raw_series = series_stage_raw,
        // chronology/: rbar, common period, running rbar
        .statistics = statistics_block,
        // series/: the transformations
        .transformation = series_stage_transformed,
        // chronology/: the mean chronology of the series, bootstrap limits
        .raw_chronology = raw_chronology_stage,
        // detrend/: one or two curve passes, or the regional curve
        .detrending = detrending_stage,
        // chronology/: the chronology of the indices
        .standard_chronology = standard_chronology_stage,
        // armodel/: the pooled and the per-series models, the prewhitened series
        .autoregression = autoregression_stage,
        // chronology/: the chronology of the prewhitened series
        .residual_chronology = residual_chronology_stage,
        // the years in which a series departs from the residual chronology
        .endogenous_outliers = [] { endogenous_outliers(); },
        // armodel/: the residual chronology with the pooled model put back
        .kovrin_chronology = kovrin_chronology_stage,
        // the tab table, the summary plots, the spectra
        .end_of_file_outputs = [] { end_of_file_outputs(); },
    };
}

}  // namespace kov
