#include "driver/chronology_stages.hpp"

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "chronology/bootstrap_limits.hpp"
#include "chronology/chronology_builder.hpp"
#include "driver/data_file_setup.hpp"
#include "numerics/splines.hpp"
#include "numerics/statistics.hpp"
#include "plotting/plot_services.hpp"
#include "series/power_transform.hpp"
#include "series/tucson.hpp"
#include "shared/console.hpp"
#include "shared/files.hpp"
#include "shared/layout.hpp"
#include "shared/output_names.hpp"
#include "shared/tables.hpp"

namespace kov {

namespace {

struct KindText {
    std::string_view cl_suffix;
    const char* cl_name;  // the chronology's word in the confidence file heading
    const char* top_title;
    const char* bottom_title;
    const char* ylabel;
    const char* zlabel;
    int generic;  // lugcrn index of the chronology file; + 5 for its error file
};

const KindText& kind_text(ChronologyKind k) {
    static const std::array<KindText, 4> t = {{
        {suffix::limits[0], "raw", " raw ring width bootstrap", " splined raw bootstrap", "measurements (y)",
         "measurements (z)", 0},
        {suffix::limits[1], "std", " std ring width bootstrap", " splined std bootstrap", "indices (y)", "indices (z)", 1},
        {suffix::limits[2], "res", " res ring width bootstrap", " splined res bootstrap", "indices (y)", "indices (z)", 2},
        {suffix::limits[3], "kov", " kov ring width bootstrap", " splined kov bootstrap", "indices (y)", "indices (z)", 3},
    }};
    return t[static_cast<int>(k)];
}

// The work vectors the chronology steps lend: the builder's five, and the
// splined chronology and limits of the confidence-limit step.
struct ChronologyWork {
    std::array<std::vector<float>, 5> work;
    std::vector<float> spl = std::vector<float>(mxy), spllo = std::vector<float>(mxy),
                       splhi = std::vector<float>(mxy);
    ChronologyWork() {
        for (auto& w : work) w.assign(mxy, 0.0f);
    }
};

ChronologyWork& chronology_work() {
    static ChronologyWork w;
    return w;
}

void build(int column, char ctype) {
    auto& s = shared();
    auto& w = chronology_work().work;
    s.dtype[0] = ctype;
    bldcrn(s.ndepth, {s.crnmat.col(2), mxy}, {s.crnmat.col(3), mxy}, {s.crnmat.col(column), mxy}, w[0], w[1], w[4],
           w[2], w[3], s.rawmax, s.rbmean, ctype, s.crnerr, s.bootlo, s.boothi);
}

// A smoothing spline of n values into crv. When the spline cannot be fitted
// (fewer than 4 values, or a system it cannot solve) the values stand for
// their own curve: its error marks would otherwise be written as limits.
void smooth(int n, const float* y, float* crv, int period) {
    if (n < 1) return;
    float p = 0.0f;
    spline(n, {y, static_cast<size_t>(n)}, {crv, static_cast<size_t>(n)}, p, period);
    if (crv[0] == spline_too_short || crv[0] == spline_not_pd) std::copy_n(y, n, crv);
}

// The raw chronology's years with limits of their own: from the first to the
// last year of six or more series.
void count_limit_span() {
    auto& s = shared();
    const DeepYears y = deep_years(s.ndepth, s.nyc);
    s.nspan = y.to - y.from;
    s.first_limit_year = s.ifyc + y.from;
}

// "change the spline? y/<n>": true when a new period was entered.
bool ask_new_spline() {
    auto& s = shared();
    for (;;) {
        con().write("(/1x,'change the spline? y/<n>',t45,'==> ',$)");
        const std::string a = con().answer();
        const char c = a.empty() ? ' ' : a[0];
        if (c == ' ' || c == 'n' || c == 'N') return false;
        if (c == 'y' || c == 'Y') break;
    }
    for (;;) {
        con().write("(1x,'enter the new spline smoothing in years',t45,'==> ',$)");
        const std::string a = con().answer();
        const auto fields = free_fields(a);
        if (fields.empty()) continue;
        long long period = 0;
        try {
            period = free_int(fields[0]);
        } catch (const std::exception&) {
            continue;
        }
        if (period < 5) {
            con().write("(/1x,'--> spline cutoff must be .ge. 5 years'/)");
            continue;
        }
        s.optval(12, 4) = static_cast<int>(std::min<long long>(period, 99999));
        return true;
    }
}

void write_confidence_file(ChronologyKind kind) {
    auto& s = shared();
    auto& w = chronology_work();
    const KindText& t = kind_text(kind);
    auto& scr = streams().luscr;
    if (!create_output(scr, output_name(t.cl_suffix))) return;
    std::string head = std::string("  year    nc     ") + t.cl_name + "    2.5%   97.5%     spl    2.5%   97.5%";
    head.replace(36, 5, fmt("(i5)", s.optval(12, 4)).substr(0, 5));
    scr.write("(a60)", head);
    for (int i = 1; i <= s.nyc; ++i)
        scr.write("(2i6,6f8.3)", s.ifyc + i - 1, static_cast<int>(s.crnmat(i, 1)), s.crvmean[i - 1], s.bootlo[i - 1],
                  s.boothi[i - 1], w.spl[i - 1], w.spllo[i - 1], w.splhi[i - 1]);
    scr.close();
}

}  // namespace

LimitYears own_limit_years() {
    const auto& s = shared();
    const long long first = static_cast<long long>(s.first_limit_year) - s.ifyc;
    LimitYears y;
    y.from = static_cast<int>(std::clamp<long long>(first, 0, s.nyc));
    y.to = static_cast<int>(std::clamp<long long>(first + s.nspan, y.from, s.nyc));
    return y;
}

void adjusted_statistics(int column, int threshold) {
    auto& s = shared();
    std::span<float> x{s.crnmat.col(column), static_cast<size_t>(s.nyc)};
    std::span<const int> cnt{s.ndepth.data(), static_cast<size_t>(s.nyc)};
    powtrn(x, cnt);
    float ave, adev, sdev, var, skew, curt, sens, ac1;
    serstat(x, cnt, s.nyc, ave, adev, sdev, var, skew, curt, sens, ac1);
    auto& out = streams().luout;
    out.write("(/t2,'|-------------------- final adjusted chronology statistics --------------------|')");
    out.write("(t3,a/t4,a)", "first    last    total    mean    stdrd    skew    kurtosis    mean    serial",
              "year    year    years   index     dev     coeff     coeff     sens     corr");
    const int last = s.sertbl(s.nc + 1, ily);
    if (s.nyc < threshold)
        out.write("(i7,i8,i8,1x,2f8.3,f9.3,f11.3,f9.3,f9.3)", s.ifyc, last, s.nyc, ave, sdev, skew, curt, sens, ac1);
    else
        out.write("(i7,i8,i9,2f8.3,f9.3,f11.3,f9.3,f9.3)", s.ifyc, last, s.nyc, ave, sdev, skew, curt, sens, ac1);
}

void confidence_limit_step(ChronologyKind kind) {
    auto& s = shared();
    auto& w = chronology_work();
    const KindText& t = kind_text(kind);
    const int n = s.nyc;
    const LimitYears span = own_limit_years();
    for (;;) {
        std::fill_n(w.spllo.begin(), n, 0.0f);
        std::fill_n(w.splhi.begin(), n, 0.0f);
        const int period = s.optval(12, 4);
        smooth(n, s.crvmean.data(), w.spl.data(), period);
        if (span.count() > 0) {
            smooth(span.count(), s.bootlo.data() + span.from, w.spllo.data() + span.from, period);
            smooth(span.count(), s.boothi.data() + span.from, w.splhi.data() + span.from, period);
        }
        // ndepth: the depth the builder resampled (for the kovrin chronology
        // the residual one, which its limits come from)
        settle_limits(n, s.ndepth, s.crvmean, w.spl, span.from, span.to, s.bootlo, s.boothi, w.spllo, w.splhi);
        if (kind == ChronologyKind::raw)
            for (int i = 0; i < n; ++i) s.ndepth[i] = static_cast<int>(s.crnmat(i + 1, 1));
        if (optsnap()(12, 2) <= 0) break;
        const int from = span.from;
        TwoPanelData data;
        data.col = {s.crvmean.data() + from, s.bootlo.data() + from, s.boothi.data() + from,
                    w.spl.data() + from,     w.spllo.data() + from,  w.splhi.data() + from};
        data.depth = s.ndepth.data() + from;
        plt2pn(data, span.count(), s.ifyc + from, kind == ChronologyKind::raw ? 1 : 2, s.datfil, t.top_title,
               t.bottom_title, "years", t.ylabel, "years", t.zlabel, 9, ' ', s.sumplt, s.fitcoef, 0);
        if (kind != ChronologyKind::raw || !ask_new_spline()) break;
    }
    write_confidence_file(kind);
}

void write_chronology(std::span<const float> values, std::string_view tag, std::string_view mark,
                      ChronologyKind kind) {
    auto& s = shared();
    auto& st = streams();
    s.dtitle.resize(85, ' ');
    s.dtitle.replace(85 - mark.size(), mark.size(), mark);
    OutFile& gcrn = st.lugcrn[kind_text(kind).generic];
    OutFile& gerr = st.lugcrn[kind_text(kind).generic + 5];
    if (s.wmode != "cr") {
        for (auto& h : s.hdrlin) {
            h.resize(85, ' ');
            h.replace(82, 3, "   ");
            for (OutFile* f : {&st.lucrn, &st.luerr, &gcrn, &gerr}) f->write("(a)", h);
        }
    }
    const std::span<const int> depth{s.ndepth.data(), static_cast<size_t>(mxy)};
    const std::span<const float> err{s.crnerr.data(), static_cast<size_t>(mxy)};
    trrw(s.crnid, s.ifyc, s.nyc, values, depth, st.lucrn, s.wmode, tag);
    trrw(s.crnid, s.ifyc, s.nyc, values, depth, gcrn, s.wmode, tag);
    trrw(s.crnid, s.ifyc, s.nyc, err, depth, st.luerr, s.wmode, "err");
    trrw(s.crnid, s.ifyc, s.nyc, err, depth, gerr, s.wmode, "err");
}

void raw_chronology_stage() {
    auto& s = shared();
    const OptionBlock& snap = optsnap();
    s.dtype = "n ";
    s.hdrlin = s.hdrsave;
    streams().luout.write(
        "(/t2,'|======================== raw data chronology statistics ======================|')");
    build(4, 'n');
    for (int i = 1; i <= s.nyc; ++i) {
        s.crvmean[i - 1] = s.crnmat(i, 4);
        s.crnmat(i, 1) = static_cast<float>(s.ndepth[i - 1]);
    }
    if (snap(12, 3) == 1) {
        count_limit_span();
        confidence_limit_step(ChronologyKind::raw);
    }
    if (snap(19, 1) == 1 || snap(19, 1) == 3) {
        if (snap(3, 1) == 0)
            pltall("tree ring measurements with mean", "years", "measurements (y)", 1);
        else
            pltall("transformed measurements with mean", "years", "measurements (y)", 2);
    }
    // The identifier of every chronology of the data file: the first six
    // characters of the output name formed last.
    std::string name = shared().last_output_name;
    name.resize(std::max<size_t>(name.size(), 8), ' ');
    s.crnid.resize(8, ' ');
    s.crnid.replace(0, 6, name.substr(0, 6));
    write_chronology({s.crnmat.col(4), static_cast<size_t>(mxy)}, snap(3, 1) > 0 ? "trn" : "raw", " raw crn",
                     ChronologyKind::raw);
}

void standard_chronology_stage() {
    auto& s = shared();
    const OptionBlock& snap = optsnap();
    s.dtype = "s ";
    s.hdrlin = s.hdrsave;
    streams().luout.write(
        "(/t2,'|======================== standard chronology statistics ======================|')");
    build(5, 's');
    for (int i = 1; i <= s.nyc; ++i) {
        s.crnmat(i, 1) = static_cast<float>(s.ndepth[i - 1]);
        if (s.ndepth[i - 1] == 0) s.crnmat(i, 5) = 1.0f;
        s.crvmean[i - 1] = s.crnmat(i, 5);
    }
    if (snap(3, 1) == 4) adjusted_statistics(5, 1000);
    if (snap(12, 3) == 1) confidence_limit_step(ChronologyKind::standard);
    if (snap(19, 1) == 1 || snap(19, 1) == 3) pltall("tree ring indices with mean", "years", "indices (y)", 3);
    write_chronology({s.crnmat.col(5), static_cast<size_t>(mxy)}, "std",
                     snap(13, 1) != 0 ? " stab std crn" : " std crn", ChronologyKind::standard);
}

}  // namespace kov
