#include "armodel/robust_ar.hpp"

#include <cmath>
#include <string>

#include "armodel/ar_filters.hpp"
#include "armodel/burg.hpp"
#include "numerics/robust_mean.hpp"
#include "shared/console.hpp"
#include "shared/stop.hpp"
#include "shared/tables.hpp"

namespace kov {

float ar_outlier_threshold(int code) {
    switch (code) {
        case 1: return 2.0f;
        case 2: return 2.58f;
        case 3: return 3.5f;
        default: return 0.0f;
    }
}

float robust_residual_weight(float u, float c) {
    const float au = std::fabs(u);
    if (!(au < 1.0f)) return 0.0f;
    return std::exp(-std::exp(c * (au - c)));
}

namespace {

void demean(std::span<float> x, int n) {
    float sum = 0.0f;
    for (int t = 0; t < n; ++t) sum += x[static_cast<size_t>(t)];
    const float mean = sum / static_cast<float>(n);
    for (int t = 0; t < n; ++t) x[static_cast<size_t>(t)] -= mean;
}

void copy_values(std::span<const float> from, std::span<float> to, int n) {
    for (int t = 0; t < n; ++t) to[static_cast<size_t>(t)] = from[static_cast<size_t>(t)];
}

}  // namespace

void rbar(std::span<float> x, int n, std::span<float> w1, std::span<float> w2, std::span<float> w3,
          std::span<float> w4, std::span<float> w5, int maxp, int mode, std::span<float> phi, int& ip,
          float& r2, int ld) {
    auto& opt = shared().optval;
    const int method = opt(9, 1);
    float c = 0.0f;
    if (method > 1) {
        c = ar_outlier_threshold(opt(9, 2));
        if (c == 0.0f) {
            con().write("(/1x,'SBR RBAR: AR outlier detection threshold inadmissible: ',i2)", opt(9, 2));
            con().wait();
            throw Stop("");
        }
    }
    const int mean_type = opt(12, 1);
    copy_values(x, w4, n);

    for (int pass = 1;; ++pass) {
        burgar(x, n, maxp, ip, r2, phi, mode, w1, w2, w3);
        if (method == 1) {
            copy_values(w4, x, n);
        } else if (method == 2) {
            if (pass == 5) {
                prewht(x, w1, n, ip, phi, ld);
                for (int t = 0; t < n; ++t) w2[static_cast<size_t>(t)] = x[static_cast<size_t>(t)] + 1.0f;
            }
            copy_values(w4, x, n);
        } else if (pass < 5) {
            copy_values(w4, x, n);
        }
        prewht(x, w1, n, ip, phi, ld);
        demean(x, n);
        if (method <= 1) return;
        if (pass == 1) copy_values(x, w5, n);
        if (pass == 5) {
            for (int t = 0; t < n; ++t) {
                const auto i = static_cast<size_t>(t);
                w1[i] = w5[i] + 1.0f;
                if (method == 3) w2[i] = x[i] + 1.0f;
                w3[i] = w1[i] - w2[i] + 1.0f;
            }
            return;
        }

        // The spread of the residuals by the biweight scale, whatever mean type
        // the run uses.
        copy_values(x, w1, n);
        opt(12, 1) = 2;
        float xbar = 0, sd = 0, se = 0, eff = 1.0f;
        int iter = 0;
        biwgt(w1, w2, 7.5f, n, xbar, sd, se, eff, iter, w3);
        copy_values(x, w1, n);
        opt(12, 1) = mean_type;

        const float limit = sd * c;
        for (int t = 0; t < n; ++t) {
            float& r = x[static_cast<size_t>(t)];
            // A zero scale (most residuals equal) leaves no residual inside the
            // limit but those at 0: the limit of the weight as the scale goes
            // to 0, reached without dividing by it.
            const float u = limit > 0.0f ? r / limit : (r == 0.0f ? 0.0f : 1.0f);
            r *= robust_residual_weight(u, c);
        }
        rewht(x, w1, n, phi, ip, ld);
    }
}

}  // namespace kov
