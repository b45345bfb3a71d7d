#include "driver/detrending_stage.hpp"

#include <vector>

#include "detrend/detrending_driver.hpp"
#include "detrend/regional_curve.hpp"
#include "driver/data_file_setup.hpp"
#include "driver/series_stages.hpp"
#include "plotting/plot_services.hpp"
#include "shared/files.hpp"
#include "shared/output_names.hpp"

namespace kov {

namespace {

void one_pass() {
    auto& s = shared();
    auto& out = streams().luout;
    const int pass = s.ipass;
    out.write(pass == 1
                  ? "(/t2,'|------------------------ results of first detrending -------------------------|')"
                  : "(/t2,'|------------------------ results of second detrending ------------------------|')");
    s.hdrlin = s.hdrsave;
    std::vector<float> crv(mxy), w1(mxy), w2(mxy), w3(mxy), w4(mxy);
    std::vector<int> cnt(mxy);
    const int axis_first = s.sertbl(s.nc + 1, ify);
    detrnd(crv, w1, w2, w3, w4, s.fitcoef, cnt, s.rawstat);
    if (s.sertbl(s.nc + 1, ify) != axis_first) {
        // first differences moved the common axis: the chronology span starts a year later
        s.ifyc += 1;
        s.nyc -= 1;
        s.sertbl(s.nc + 1, ify) = s.ifyc;
        for (int i = 1; i <= s.nyc; ++i) s.crnmat(i, 4) = s.crnmat(i + 1, 4);
    }
    const int plots = optsnap()(19, 1);
    if ((plots == 1 || plots == 3) && optsnap()(12, 1) == 0) {
        s.crvmean[0] = xmiss;
        pltall("tree ring indices", "years", "indices (y)", 3);
    }
    if (optsnap()(18, 1) > 0) {
        s.dtitle.resize(85, ' ');
        s.dtitle.replace(72, 13, std::string(13, ' '));
        save_stage(pass == 1 ? suffix::first_indices : suffix::second_indices, "ind");
    }
    s.ipass += 1;
}

void regional_curve_stage() {
    auto& s = shared();
    s.hdrlin = s.hdrsave;
    std::vector<float> crv(mxy), w1(mxy), w2(mxy), w3(mxy), w4(mxy), w5(mxy);
    rcsdet(s.crnmat, crv, s.ndepth, s.rawstat, w1, w2, w3, w4, w5, s.rawmax, {s.pithoff.data(), static_cast<size_t>(mxs)},
           s.dtitle, s.crnerr, s.bootlo, s.boothi);
    for (int i = 1; i <= s.nyc; ++i) s.ndepth[i - 1] = static_cast<int>(s.crnmat(i, 1));
    if (optsnap()(18, 1) > 0) {
        s.dtitle.resize(85, ' ');
        s.dtitle.replace(72, 13, std::string(13, ' '));
        save_stage(suffix::rcs_indices, "ind");
    }
}

}  // namespace

void detrending_stage() {
    auto& s = shared();
    streams().luout.write(
        "(/t2,'|================== detrended data curve fits and statistics ==================|')");
    if (optsnap()(4, 1) == -2) {
        regional_curve_stage();
        return;
    }
    s.ipass = 1;
    one_pass();
    if (optsnap()(5, 1) != 0) one_pass();
}

}  // namespace kov
