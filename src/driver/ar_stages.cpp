#include "driver/ar_stages.hpp"

#include <vector>

#include "armodel/ar_filters.hpp"
#include "armodel/pooled_ar.hpp"
#include "armodel/series_ar.hpp"
#include "driver/data_file_loop.hpp"
#include "driver/series_stages.hpp"
#include "plotting/plot_services.hpp"
#include "shared/files.hpp"

namespace kov {

void autoregression_stage() {
    auto& s = shared();
    auto& out = streams().luout;
    const auto opt = [](int k) { return optsnap()(k, 1); };

    out.write("(/t2,'|======================= pooled autoregression analysis =======================|')");
    for (int k = 1; k <= s.nc; ++k) s.poolsel[static_cast<size_t>(k)] = 1;
    s.poolrpt = "n";
    pool(s.sermat, s.nc, s.nyc, s.npool, s.poolcf, s.poolr2, s.sertbl, s.poolsel, s.varinf);
    if (s.npool == 0) s.poolr2 = 0.0f;

    out.write("(/t2,'|================== individual series autoregression analyses =================|')");
    std::vector<float> w1(ar_work_capacity), w2(ar_work_capacity), w3(ar_work_capacity), w4(ar_work_capacity),
        w5(ar_work_capacity), w6(ar_work_capacity);
    arindv(s.crnmat, w1, w2, w3, w4, w5, w6, s.arcoef, s.npool, s.rawstat);

    if (opt(18) > 0) save_stage("_res.txt", "res");
    if ((opt(19) == 1 || opt(19) == 3) && opt(12) == 0) {
        s.crvmean[0] = xmiss;
        pltall("tree ring residuals", "years", "indices (y)", 4);
    }
}

}  // namespace kov
