#include "chronology/weight_recorder.hpp"

#include "plotting/plot_services.hpp"

#include <algorithm>
#include <cmath>
#include <string>

#include "numerics/statistics.hpp"
#include "plotting/plot_services.hpp"
#include "series/save.hpp"
#include "shared/files.hpp"
#include "shared/output_names.hpp"
#include "shared/tables.hpp"

namespace kov {

namespace {

struct WeightKind {
    std::string_view suffix;
    const char* tag;
    int plot_kind;
    const char* title;
};

WeightKind weight_kind(char ctype) {
    switch (ctype) {
        case 'n': return {suffix::weights[0], "raw", 1, " Raw Biweights"};
        case 's': return {suffix::weights[1], "ind", 2, " Index Biweights"};
        case 'r': return {suffix::weights[2], "res", 3, " Residual Biweights"};
        default: return {suffix::weights[3], "rcs", 4, " Rcs Biweights"};
    }
}

}  // namespace

float round_to_4_decimals(float v) {
    if (v >= 999.99995f || v <= -99.99995f) return v;
    return static_cast<float>(std::nearbyint(static_cast<double>(v) * 1.0e4) / 1.0e4);
}

WeightRecorder::WeightRecorder(char ctype, int n, int first_year) : ctype_(ctype), n_(n), first_(first_year) {}

void WeightRecorder::open(int nc) {
    nc_ = nc;
    w_.assign(static_cast<size_t>(std::max(nc, 0)) * std::max(n_, 0), xmiss);
    open_ = true;
}

void WeightRecorder::record_year(int year, std::span<const int> present, std::span<const float> weights, int) {
    const int i = year - first_ + 1;
    if (i < 1 || i > n_) return;
    for (size_t k = 0; k < present.size(); ++k)
        w_[static_cast<size_t>(present[k] - 1) * n_ + (i - 1)] = round_to_4_decimals(weights[k]);
}

void WeightRecorder::finish(int max_depth) {
    if (!open_ || max_depth <= 5) {
        open_ = false;
        w_.clear();
        return;
    }
    auto& s = shared();
    const int n = n_, nc = nc_;
    // Park the series in the record's place and load the weights.
    for (int j = 1; j <= nc; ++j) {
        float* col = s.sermat.rows(j, 1, n);
        float* w = w_.data() + static_cast<size_t>(j - 1) * n;
        for (int i = 0; i < n; ++i) {
            const float v = round_to_4_decimals(col[i]);
            col[i] = w[i];
            w[i] = v;
        }
    }

    if (s.optval(18, 1) > 0) {
        const WeightKind kind = weight_kind(ctype_);
        auto& scr = streams().luscr;
        if (create_output(scr, output_name(kind.suffix))) {
            if (s.optval(18, 1) < 4) {
                for (auto& h : s.hdrlin) {
                    if (h.size() < 85) h.resize(85, ' ');
                    h.replace(82, 3, "   ");
                    scr.write("(a)", h);
                }
            }
            std::vector<float> work(mxy);
            std::vector<int> cnt(mxy), isel(std::max(nc, 1));
            savsers(s.sermat, work, nc, s.sertbl, s.serids, cnt, isel, std::string(85, ' '), mxy, mxs, kind.tag);
            scr.close();
        }
    }

    std::vector<float> row(std::max(nc, 1));
    for (int i = 1; i <= n; ++i) {
        int m = 0;
        for (int j = 1; j <= nc; ++j) {
            const float v = s.sermat(i, j);
            if (v != xmiss) row[m++] = v;
        }
        float med = xmiss, uh, lh = xmiss, iqr, mn = xmiss, mx;
        if (m > 0) fivnum(row, m, med, uh, lh, iqr, mn, mx);
        s.crvmean[i - 1] = med;
        s.sermat(i, 1) = lh;
        if (nc >= 2) s.sermat(i, 2) = mn;
    }

    const int plots = s.optval(19, 1);
    if (plots == 2 || plots == 3) {
        const WeightKind kind = weight_kind(ctype_);
        pltwgt(std::span<const float>(s.crvmean.data(), n), std::span<const float>(s.sermat.rows(1, 1, n), n),
               std::span<const float>(s.sermat.rows(2, 1, n), n), n, first_, s.datfil, kind.title, "years", "weights", ' ',
               kind.plot_kind);
    }

    for (int j = 1; j <= nc; ++j) std::copy_n(w_.data() + static_cast<size_t>(j - 1) * n, n, s.sermat.rows(j, 1, n));
    open_ = false;
    w_.clear();
}

}  // namespace kov
