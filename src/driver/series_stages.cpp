#include "driver/series_stages.hpp"

#include <algorithm>
#include <vector>

#include "armodel/growth_release.hpp"
#include "driver/data_file_setup.hpp"
#include "plotting/plot_services.hpp"
#include "series/gap_filling.hpp"
#include "series/save.hpp"
#include "series/series_reader.hpp"
#include "series/transformations.hpp"
#include "shared/console.hpp"
#include "shared/files.hpp"
#include "shared/layout.hpp"
#include "shared/output_names.hpp"
#include "shared/stop.hpp"

namespace kov {

namespace {

bool blank6(const std::string& s) {
    return s.substr(0, std::min<size_t>(6, s.size())).find_first_not_of(' ') == std::string::npos;
}

void place(std::string& line, size_t col, std::string_view text) {
    if (line.size() < col - 1 + text.size()) line.resize(col - 1 + text.size(), ' ');
    line.replace(col - 1, text.size(), text);
}

// Moves every series from rows 1..n to its place on the common year axis.
void place_on_year_axis() {
    auto& s = shared();
    s.ifyc = s.sertbl(s.nc + 1, ify);
    const int last = s.sertbl(s.nc + 1, ily);
    s.nyc = last - s.ifyc + 1;
    for (int c = 1; c <= 12; ++c) std::fill_n(s.crnmat.col(c), s.nyc, xmiss);
    for (int k = 1; k <= s.nc; ++k) {
        const int n = s.sertbl(k, ily) - s.sertbl(k, ify) + 1;
        const int d = s.sertbl(k, ify) - s.ifyc;
        if (d <= 0) continue;
        s.sermat.shift_down(k, n, d);
    }
}

// A title for files without one, and the three header lines that saved series
// and chronologies carry.
void complete_titles() {
    auto& s = shared();
    s.dtitle.resize(85, ' ');
    if (blank6(s.dtitle)) {
        const std::string prefix = output_prefix(s.datfil);
        s.dtitle = prefix + " -- no data title -- ";
        s.dtitle.resize(85, ' ');
    }
    for (auto& h : s.hdrlin) h.resize(85, ' ');
    if (blank6(s.hdrlin[0])) {
        s.hdrlin[0] = s.dtitle.substr(0, 80);
        s.hdrlin[0].resize(85, ' ');
        place(s.hdrlin[0], 59, "1st itrdb line missing");
    }
    const char* missing[] = {"2nd itrdb line missing", "3rd itrdb line missing"};
    for (int i = 1; i <= 2; ++i) {
        if (!blank6(s.hdrlin[i])) continue;
        s.hdrlin[i].replace(0, 58, s.hdrlin[0], 0, 58);
        place(s.hdrlin[i], 59, missing[i - 1]);
    }
    s.hdrsave = s.hdrlin;
}

void fill_gaps() {
    auto& s = shared();
    const int save_option = s.optval(18, 1);
    if (save_option == 0) {
        // the filled series are always saved
        s.optval(18, 1) = 1;
        optsnap()(18, 1) = 1;
    }
    con().write("(/1x,'fill in missing data gaps now and save infilled data')");
    estmis(s.sermat, s.nc, s.sertbl, s.serids);
    save_stage(suffix::gap_filled, "gap");
    s.optval(18, 1) = save_option;
    optsnap()(18, 1) = save_option;
}

// One threshold of the release scan, read free form and asked again on a read
// error or a value outside lo..hi.
int ask_threshold(std::string_view prompt, int lo, int hi) {
    for (;;) {
        con().write(prompt);
        const auto fields = free_fields(con().answer());
        if (fields.empty()) continue;
        try {
            const long long v = free_int(fields.front());
            if (v >= lo && v <= hi) return static_cast<int>(v);
        } catch (const ReadError&) {
        }
    }
}

char ask_prefilter() {
    for (;;) {
        con().write("(1x,'prefilter with 3-point binomial? y/<n>',t45,'==> ',$)");
        const std::string a = con().answer();
        const char c = a.empty() ? ' ' : a.front();
        if (c == ' ' || c == 'n' || c == 'N') return 'N';
        if (c == 'y' || c == 'Y') return 'Y';
    }
}

// Growth releases of every series, by the stand-dynamics method. The plot
// switch is taken once per data file, so a "no more plots" answer in the
// release plot holds for the series that follow.
void release_scan() {
    auto& s = shared();
    int scan_switch = optsnap()(20, 5);
    std::vector<float> x(mxy), rm(mxy), se(mxy), pg(mxy);
    for (int k = 1; k <= s.nc; ++k) {
        int window = optsnap()(20, 2), percent = optsnap()(20, 3), serr = optsnap()(20, 4);
        char prefilter = 'N';
        for (;;) {
            int first = s.sertbl(k, ify);
            int n = s.sertbl(k, ily) - first + 1;
            for (int i = 0; i < n; ++i) x[i] = s.sermat.at(first - s.ifyc + 1 + i, k);
            grochg(x, s.serids[k], first, n, window, percent, serr, prefilter, rm, se, pg, scan_switch);
            if (scan_switch <= 0) break;
            con().write("(/1x,'change release detection settings? y/<n>',t45,'==> ',$)");
            const std::string a = con().answer();
            if (a.empty() || (a.front() != 'y' && a.front() != 'Y')) break;
            window = ask_threshold("(1x,'running mean window width (5-50)',t45,'==> ',$)", 5, 50);
            percent = ask_threshold("(1x,'percent growth change threshold (5-200)',t45,'==> ',$)", 5, 200);
            serr = ask_threshold("(1x,'standard error threshold (0-5)',t45,'==> ',$)", 0, 5);
            prefilter = ask_prefilter();
        }
    }
}

void plot_stage(std::string_view title, std::string_view ylabel, int kind) {
    auto& s = shared();
    const int plots = optsnap()(19, 1);
    if ((plots == 1 || plots == 3) && optsnap()(12, 1) == 0) {
        s.crvmean[0] = xmiss;
        pltall(title, "years", ylabel, kind);
    }
}

}  // namespace

void save_stage(std::string_view suffix, std::string_view tag) { save_stage_as(output_name(suffix), tag); }

void save_stage_as(const std::string& name, std::string_view tag) {
    // the saved header lines stay as they were read
    std::array<std::string, 3> header = shared().hdrsave;
    save_series_file(name, tag, header);
}

void series_stage_raw() {
    auto& s = shared();
    streams().luout.write(
        "(/t2,'|======================== raw data statistical analyses =======================|')");
    std::vector<float> work(mxy);
    std::vector<int> cnt(mxy);
    std::string idbuf(8, ' ');
    int ngap = 0;
    rdsers(s.sermat, work, cnt, s.nc, s.sertbl, idbuf, s.serids, mxy, mxs, s.dtitle, s.rawmax, s.rawstat, ngap);
    place_on_year_axis();
    complete_titles();
    if (optsnap()(18, 1) > 0) save_stage(suffix::raw_series, "raw");
    if (ngap > 0) fill_gaps();
    if (optsnap()(20, 1) >= 2) release_scan();
    plot_stage("tree ring measurements", "measurements (y)", 1);
}

void series_stage_transformed() {
    auto& s = shared();
    streams().luout.write(
        "(/t2,'|==================== transformed data statistical analyses ===================|')");
    transf(s.sermat, s.sertbl, s.serids, s.nc, s.rawstat);
    for (int c = 1; c <= 6; ++c) std::fill_n(s.crnmat.col(c), s.nyc, xmiss);
    if (optsnap()(18, 1) > 0) save_stage(suffix::transformed, "trn");
    plot_stage("transformed measurements", "measurements (y)", 2);
}

}  // namespace kov
