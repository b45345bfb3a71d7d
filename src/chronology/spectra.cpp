#include "chronology/spectra.hpp"

#include <algorithm>
#include <cmath>
#include <vector>

#include "plotting/plot_services.hpp"
#include "shared/console.hpp"
#include "shared/output_names.hpp"
#include "shared/stop.hpp"

namespace kov {

namespace {
// The single-precision value of pi the estimator is defined with.
constexpr float pi_single = 3.1415927f;
}  // namespace

void covlag(std::span<const float> x, int n, int m, int iopt, float& xavg, float& xvar,
            std::span<float> acv) {
    if (n < 1) return;
    if (iopt == 1) {
        double sum = 0.0;
        for (int t = 0; t < n; ++t) sum += x[t];
        const double mean = sum / n;
        double ss = 0.0;
        for (int t = 0; t < n; ++t) {
            const double d = x[t] - mean;
            ss += d * d;
        }
        xavg = static_cast<float>(mean);
        xvar = static_cast<float>(ss / n);
    } else if (iopt == 2) {
        const double mean = xavg;
        for (int k = 1; k <= m; ++k) {
            double s = 0.0;
            for (int t = 0; t + k < n; ++t) s += (x[t] - mean) * (x[t + k] - mean);
            acv[k - 1] = static_cast<float>(s / n);
        }
    }
}

void btspec(std::span<float> x, const std::array<int, 6>& iopt, const std::array<float, 2>& ropt,
            std::array<float, 2>& wk, std::span<float> acv, std::span<float> freq, std::span<float> pw,
            int& ier) {
    const int n = iopt[1];
    const int m = iopt[3];
    const float dt = ropt[0];
    if (n < 4 || m < 3 || m >= n || static_cast<size_t>(n) > x.size()) {
        ier = spectrum_bad_lengths;
        return;
    }
    if (!(dt > 0.0f)) {
        ier = spectrum_bad_interval;
        return;
    }
    float mean = 0.0f, var = 0.0f;
    covlag(x, n, m, 1, mean, var, acv);
    wk[0] = mean;
    wk[1] = var;
    for (int t = 0; t < n; ++t) x[t] -= mean;
    float zero = 0.0f;
    covlag(x, n, m, 2, zero, var, acv);
    // lag k has n - k products, not n
    for (int k = 1; k <= m; ++k)
        acv[k - 1] = acv[k - 1] * static_cast<float>(n) / static_cast<float>(n - k);

    for (int j = 0; j <= m; ++j)
        freq[j] = static_cast<float>(j) / (2.0f * static_cast<float>(m) * dt);

    std::vector<float> raw(static_cast<size_t>(m) + 1);
    const float scale = 2.0f * dt / pi_single;
    const float fm = static_cast<float>(m);
    for (int j = 0; j <= m; ++j) {
        const float fj = static_cast<float>(j);
        double sum = var / 2.0;
        for (int l = 1; l < m; ++l) {
            const float arg = pi_single * static_cast<float>(l) * fj / fm;
            sum += static_cast<double>(acv[l - 1]) * std::cos(arg);
        }
        sum += static_cast<double>(acv[m - 1] / 2.0f) * std::cos(pi_single * fj);
        raw[j] = static_cast<float>(scale * sum);
    }

    pw[0] = 0.54f * raw[0] + 0.46f * raw[1];
    for (int k = 1; k < m; ++k) pw[k] = 0.23f * raw[k - 1] + 0.54f * raw[k] + 0.23f * raw[k + 1];
    pw[m] = 0.46f * raw[m - 1] + 0.54f * raw[m];
}

std::string spectra_file_name(std::string_view fname) {
    std::string name = output_prefix(fname) + std::string(suffix::spectra);
    // The name is not cut to the 60 characters of a data-file name: a cut
    // name could be that of another file.
    std::erase(name, ' ');
    return name;
}

void spectr(const Table<float>& crn, int n, int nser, int jcol, int iplot, std::string_view fname,
            OutFile& iunit, const SpectraPlot& plot) {
    const std::string name = spectra_file_name(fname);
    const bool file_ok = create_output(iunit, name);

    nser = std::clamp(nser, 0, 3);
    const int m = n / 3;
    const int nf = m + 1;
    // Too short a chronology has no spectrum; rows from an earlier data file
    // must not stand in for it, so only the header is written.
    const bool computed = n >= 9 && n <= crn.rows() && nf <= max_frequencies;
    int logok = 1;
    // spectra table: column 1 frequencies, columns 2..4 the power of each chronology
    std::vector<float> table(static_cast<size_t>(max_frequencies) * 4, 0.0f);
    auto cell = [&](int row, int col) -> float& {
        return table[static_cast<size_t>(col - 1) * max_frequencies + (row - 1)];
    };
    if (computed) {
        std::vector<float> work(n), acv(m), freq(nf), pw(nf);
        std::array<float, 2> wk{};
        const std::array<int, 6> iopt{0, n, 1, m, 0, 0};
        const std::array<float, 2> ropt{1.0f, 0.0f};
        for (int s = 1; s <= nser; ++s) {
            const float* column = crn.col(jcol + s - 1);
            std::copy(column, column + n, work.begin());
            int ier = 0;
            btspec(work, iopt, ropt, wk, acv, freq, pw, ier);
            for (int k = 1; k <= nf; ++k) {
                cell(k, 1) = freq[k - 1];
                cell(k, s + 1) = pw[k - 1];
                if (pw[k - 1] <= 0.0f) logok = 0;
            }
        }
        if (iplot == 2 || iplot == 3) {
            if (plot)
                plot(max_frequencies, 0, 4, nf, table.data(), logok, "STD", "RES", "KOV");
            else
                pltspc(max_frequencies, 0, 4, nf, table.data(), logok, "STD", "RES", "KOV");
        }
    }

    if (!file_ok) return;
    iunit.write("(' FREQUENCY   POWER_STD_CRN   POWER_RES_CRN   POWER_KOV_CRN')");
    if (computed) {
        std::vector<float> row(static_cast<size_t>(nser) + 1);
        for (int k = 1; k <= nf; ++k) {
            for (int c = 1; c <= nser + 1; ++c) row[c - 1] = cell(k, c);
            iunit.write("(f9.5,f14.5,2(F16.5))", row);
        }
    }
    iunit.close();
}

}  // namespace kov
