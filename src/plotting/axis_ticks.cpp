#include "plotting/axis_ticks.hpp"

#include <array>
#include <cmath>

namespace kov {
namespace {

// Integer parts stay reals: a limit typed far beyond the range of an int must
// not overflow a conversion.
float ipart(float v) { return std::trunc(v); }

void round_up_max(float& vmax) {
    if (vmax < 10.0f) {
        const float frac = vmax - ipart(vmax);
        vmax = frac > 0.5f ? vmax + (1.0f - frac) : vmax + (0.5f - frac);
    } else if (vmax < 100.0f) {
        const float frac = vmax - 10.0f * ipart(vmax / 10.0f);
        vmax = frac > 5.0f ? vmax + (10.0f - frac) : vmax + (5.0f - frac);
    } else {
        const float frac = vmax - 100.0f * ipart(vmax / 100.0f);
        vmax = frac > 50.0f ? vmax + (100.0f - frac) : vmax + (50.0f - frac);
    }
}

void value_axis(float& vmin, float& vmax, int& nsub, float& tick) {
    round_up_max(vmax);
    const float span = vmin < 0.0f ? std::fabs(vmin) + vmax : vmax - vmin;
    const float r = ipart(span);
    if (r <= 2) {
        nsub = 4, tick = 0.5f;
    } else if (r <= 4) {
        nsub = 4, tick = 1.0f;
    } else if (r <= 10) {
        nsub = 4, tick = 2.0f;
    } else if (r <= 50) {
        nsub = 5, tick = 5.0f;
    } else if (r <= 100) {
        nsub = 2, tick = 10.0f;
    } else if (r <= 500) {
        nsub = 5, tick = 100.0f;
    } else {
        nsub = 5;
        int ierr = 0;
        nicesc(vmin, vmax, 10, vmin, tick, vmax, ierr);
    }
}

}  // namespace

void nicesc(float a, float b, int n, float& valmin, float& step, float& valmax, int& ierr) {
    static constexpr std::array<float, 11> unit{1.0f, 1.2f, 1.6f, 2.0f, 2.5f, 3.0f, 4.0f, 5.0f, 6.0f, 8.0f, 10.0f};
    constexpr float tol = 5.0e-6f, bias = 1.0e-4f;
    ierr = 1;
    if (a > b || n < 2) return;
    if (!std::isfinite(a) || !std::isfinite(b)) return;  // no scale of an undefined range
    ierr = 0;
    float fmin = a, fmax = b;
    const float rn = static_cast<float>(n - 1);
    const float x0 = b == 0.0f ? 1.0f : std::fabs(b);
    if ((b - a) / x0 <= tol) {
        if (b < 0.0f)
            fmax = 0.0f;
        else if (b == 0.0f)
            fmax = 1.0f;
        else
            fmin = 0.0f;
    }
    float st = (fmax - fmin) / rn;
    if (!(std::isfinite(st) && st > 0.0f)) {  // a range beyond the reals: no scale
        ierr = 1;
        return;
    }
    float s = st;
    while (s < 1.0f) s *= 10.0f;
    while (s >= 10.0f) s /= 10.0f;
    float mant = unit.back();
    for (float u : unit)
        if (u >= s - bias) {
            mant = u;
            break;
        }
    st = st * mant / s;
    const float range = st * rn;
    const float x = 0.5f * (1.0f + (fmin + fmax - range) / st);
    float j = ipart(x - bias);
    if (x < 0.0f) j -= 1.0f;
    float vmin = j * st;
    if (fmin >= 0.0f && range >= fmax) vmin = 0.0f;
    float vmax = vmin + range;
    if (fmax <= 0.0f && -fmin <= range) {
        vmin = -range;
        vmax = 0.0f;
    }
    valmin = vmin;
    step = st;
    valmax = vmax;
}

void axtick(float& xmin, float& xmax, float& ymin, float& ymax, float& zmin, float& zmax, int& nxsub,
            int& nysub, int& nzsub, float& xtick, float& ytick, float& ztick) {
    const float r = ipart(xmax - xmin);
    if (r <= 50) {
        nxsub = 10, xtick = 10.0f;
    } else if (r <= 100) {
        nxsub = 5, xtick = 20.0f;
    } else if (r <= 200) {
        nxsub = 10, xtick = 20.0f;
    } else if (r <= 500) {
        nxsub = 5, xtick = 50.0f;
    } else if (r <= 1000) {
        nxsub = 10, xtick = 100.0f;
    } else if (r <= 2000) {
        nxsub = 5, xtick = 250.0f;
    } else {
        nxsub = 5;
        int ierr = 0;
        nicesc(xmin, xmax, 10, xmin, xtick, xmax, ierr);
    }
    value_axis(ymin, ymax, nysub, ytick);
    value_axis(zmin, zmax, nzsub, ztick);
}

}  // namespace kov
