#pragma once
// What the driver does for a data file after the closing line of its listing:
// the tab-delimited table of the chronologies, the summary plots, the spectra
// and the running rbar plots.
#include <array>
#include <functional>
#include <string_view>

#include "driver/plot_seam.hpp"
#include "shared/files.hpp"
#include "shared/tables.hpp"

namespace kov {

// The tab-delimited table: line 1 the column names, then one line per year of
// the span, the columns of crnmat chosen by the first detrending (-2: regional
// curve standardisation), the AR method and the stand-dynamics option. Some
// combinations write nothing at all.
void write_tab_table(OutFile& out, const Table<float>& crn, int ifyc, int nyc, int first_detrending,
                     int ar_method, int stand_dynamics);

// The plots and the spectra the end of a data file calls, so that the order
// and the switch rules can be followed without a screen.
struct EndOfFileServices {
    TwoPanelPlot two_panel = screen_two_panel();
    std::function<void(const Table<float>& crn, int n, int nser, int jcol, int iplot, std::string_view fname,
                       OutFile& unit)>
        spectra;  // empty: the spectra of the chronology subsystem
};

// The table, the summary plots, the spectra and the running rbar plots of the
// data file in work, under the per-file options; sumplt is set from option
// (19,1) and lowered by the plots' answers.
void end_of_file_outputs(const EndOfFileServices& services = {});

}  // namespace kov
