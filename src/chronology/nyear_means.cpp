#include "chronology/nyear_means.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <span>
#include <string>
#include <vector>

#include "shared/console.hpp"
#include "shared/layout.hpp"

namespace kov {

namespace {
// The plot column (1-based) of v on a scale starting at lo with step d and the
// given offset; 0 when it falls outside the line (a flat scale, d = 0, puts
// everything at the scale's first column).
int plot_column(float v, float lo, float d, float offset) {
    const float pos = d > 0.0f ? (v - lo) / d + offset : offset;
    if (!(pos >= 1.0f && pos < 55.0f)) return 0;
    return static_cast<int>(pos);
}
}  // namespace

void nyrmean(std::span<const float> ym, std::span<const float> yc, std::span<const float> yi, int n, int iyr1,
             int nstep, OutFile& iunit, int iprt, int mode) {
    if (iprt >= 5 && mode != 2) return;
    auto emit = [&](std::string_view layout, const auto&... args) {
        if (iprt < 5)
            iunit.write(layout, args...);
        else
            con().write(layout, args...);
    };
    if (nstep < 1) return;  // no block can be formed

    emit("(/t10,'***',i3,'-year means of ','measurements, curve fit (x), and indices ***')", nstep);
    emit("(/t9,'msmt curve',t55,'index')");
    emit("('  year',2(' means'),t55,'means'/)");

    const int y0 = iyr1 / nstep * nstep;
    const int m = n - (y0 - iyr1);
    int nb = m / nstep;
    if (m % nstep == 0) --nb;
    if ((iyr1 + n - 1) % 10 == 0) --nb;

    std::vector<float> a, b, c;
    a.reserve(std::max(nb, 0));
    b.reserve(std::max(nb, 0));
    c.reserve(std::max(nb, 0));
    const float fstep = static_cast<float>(nstep);
    for (int k = 1; k <= nb; ++k) {
        if (static_cast<long long>(k) * nstep > n) break;  // a block past the end of the series
        float sa = 0.0f, sb = 0.0f, sc = 0.0f;
        for (int i = (k - 1) * nstep; i < k * nstep; ++i) {
            sa += ym[i];
            sb += yc[i];
            sc += yi[i];
        }
        a.push_back(sa / fstep);
        b.push_back(sb / fstep);
        c.push_back(sc / fstep);
    }
    nb = static_cast<int>(a.size());
    if (nb == 0) return;

    float lo = std::min(*std::min_element(a.begin(), a.end()), *std::min_element(b.begin(), b.end()));
    float hi = std::max(*std::max_element(a.begin(), a.end()), *std::max_element(b.begin(), b.end()));
    const float dy = (hi - lo) / 32.0f;
    const float zlo = *std::min_element(c.begin(), c.end());
    const float zhi = *std::max_element(c.begin(), c.end());
    const float dz = (zhi - zlo) / 20.0f;

    std::array<char, 54> line;
    auto mark = [&](int col, char ch) {
        if (col >= 1 && col <= 54) line[col - 1] = ch;
    };
    for (int k = 0; k < nb; ++k) {
        const int label = y0 + k * nstep;
        line.fill(' ');
        mark(plot_column(1.0f, zlo, dz, 34.5f), '|');
        // The tens digit of the label; a negative label shows the digit of its
        // magnitude.
        const char digit = static_cast<char>('0' + std::abs(label / 10 % 10));
        mark(plot_column(c[k], zlo, dz, 34.5f), digit);
        const int measured = plot_column(a[k], lo, dy, 1.5f);
        mark(measured, digit);
        const int curve = plot_column(b[k], lo, dy, 1.5f);
        if (curve != measured) mark(curve, 'x');
        // "(t2,i5,2f6.2,t54,f6.2,t21,33a1,t62,21a1)": a block mean of
        // measurements has no bound, so one that would fill its field or
        // overflow it takes fewer decimals
        const std::array<float, 3> means = {a[k], b[k], c[k]};
        emit("(t2,i5," + fitted_reals(std::span<const float>(means.data(), 2), 6, 2) + ",t54," +
                 fitted_real(means[2], 6, 2) + ",t21,33a1,t62,21a1)",
             label, means, std::span<const char>(line.data(), 33), std::span<const char>(line.data() + 33, 21));
    }
}

}  // namespace kov
