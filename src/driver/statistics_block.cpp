#include "driver/statistics_block.hpp"

#include <algorithm>

#include "chronology/common_period.hpp"
#include "chronology/rbar.hpp"
#include "chronology/tree_numbers.hpp"
#include "driver/data_file_setup.hpp"
#include "shared/console.hpp"
#include "shared/layout.hpp"
#include "shared/output_names.hpp"
#include "shared/stop.hpp"

namespace kov {

namespace {

struct StageBlock {
    const char* banner;
    const char* message;
    std::string_view rbar_file;
    bool number_trees;
};

constexpr StageBlock blocks[4] = {
    {"(/t2,'|======================= raw data common period analyses ======================|')",
     "(/1x,'calculate raw data chronology running rbar')", suffix::running_rbar[0], true},
    {"(/t2,'|================= transformed raw data common period analyses ================|')",
     "(/1x,'calculate transformed data running rbar')", suffix::running_rbar[1], true},
    {"(/t2,'|==================== detrended data common period analyses ===================|')",
     "(/1x,'calculate standard chronology running rbar')", suffix::running_rbar[2], true},
    // the residuals keep the tree numbers of the stage before
    {"(/t2,'|=================== prewhitened data common period analyses ==================|')",
     "(/1x,'calculate residual chronology running rbar')", suffix::running_rbar[3], false},
};

void write_rbar_file(const StageBlock& b, const Table<float>& tab, const std::vector<int>& counts, int nwin) {
    auto& scr = streams().luscr;
    const std::string name = output_name(b.rbar_file);
    if (!create_output(scr, name)) return;
    const std::string t(1, tabsep);
    scr.line("year" + t + "corrs" + t + "rbar" + t + "sdev" + t + "serr" + t + "eps " + t + "cores");
    // A value wider than its column (a count of a million correlations, an
    // EPS far from 0 to 1) gets the columns it needs: the tabs keep the
    // columns apart.
    auto field = [](double v, int w, int d) {
        return "f" + std::to_string(std::max(w, fixed_width(v, d))) + "." + std::to_string(d);
    };
    for (int i = 1; i <= nwin; ++i) {
        const double count = counts[static_cast<size_t>(i - 1)];
        const std::string layout = "(" + field(tab(i, 1), 7, 0) + ",a," + field(count, 7, 0) + ",a," +
                                   field(tab(i, 3), 8, 4) + ",a," + field(tab(i, 4), 8, 4) + ",a," +
                                   field(tab(i, 5), 8, 4) + ",a," + field(tab(i, 6), 8, 4) + ",a," +
                                   field(tab(i, 7), 7, 2) + ")";
        scr.write(layout, tab(i, 1), t, count, t, tab(i, 3), t, tab(i, 4), t, tab(i, 5), t, tab(i, 6), t, tab(i, 7));
    }
    scr.close();
}

}  // namespace

void statistics_block(Stage stage) {
    auto& s = shared();
    auto& out = streams().luout;
    const StageBlock& b = blocks[static_cast<int>(stage) - 1];

    rbarall(s.sermat, s.sertbl, s.serids, s.nc, out, s.rbmean);

    const int p1 = s.optval(14, 1), p2 = s.optval(14, 2);
    if (p1 != 0 && p2 != 0) {
        if (b.number_trees) {
            s.stcmask = driver_state().mask_copy;
            treenum(s.serids, s.sertbl, s.nc, s.stcmask);
            const int p = p2 - p1 + 1;
            for (int k = 1; k <= s.nc; ++k)
                if (std::min(s.sertbl(k, ily), p2) - std::max(s.sertbl(k, ify), p1) + 1 < p) s.sertbl(k, cpa) = 0;
        }
        out.write(b.banner);
        std::vector<std::string> idu;
        float rbcp = 0, sdbt = 0, epscp = 0;
        compstat(s.sermat, s.sertbl, s.serids, idu, s.nc, s.rawstat, rbcp, sdbt, epscp, static_cast<int>(stage));
    }

    const int window = s.optval(16, 1);
    if (window >= 1 && s.nyc > 2 * window) {
        con().write(b.message);
        Table<float>& tab = s.rbtab[static_cast<int>(stage) - 1];
        std::vector<int> counts;
        rbarrun(s.sermat, s.sertbl, s.nyc, s.nc, tab, counts, s.nwin, out);
        if (stage == Stage::raw)
            for (int c = 1; c <= 7; ++c) std::copy(tab.col(c), tab.col(c) + s.nwin, s.rbplot.col(c));
        write_rbar_file(b, tab, counts, s.nwin);
    } else {
        out.write("(/t15,'no running rbar segments calculated: total chronology'/t16,"
                  "'length less then 2x the running window width: ',i4)",
                  window);
        con().write("(/t2,'no running rbar segments calculated: total chronology'/t3,"
                    "'length less then 2x the running window width: ',i4)",
                    window);
    }
}

}  // namespace kov
