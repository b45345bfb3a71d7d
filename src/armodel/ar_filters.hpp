#pragma once
// Applying an AR model (order p, coefficients phi(1..p)) to a series:
// prewhitening turns a series into its AR residuals, rewhitening runs the
// recursive AR filter over it. Every filter removes a level (the mean, or 1.0
// for rwhone), puts p backcasts in front of the series, filters, and adds the
// level back. All values float; vectors 1-based in the arithmetic (element i
// at [i - 1]). Note the argument orders: the prewhitening filters take p
// before phi, the rewhitening filters phi before p.
//
// ld is the capacity of the work vector (of y in rwhone): it must hold n + p
// values. Callers pass work vectors of ar_work_capacity values, so that every
// series of up to mxy values takes the largest model order (10).
#include <span>

#include "shared/capacities.hpp"

namespace kov {

inline constexpr int ar_max_order = 10;
inline constexpr int ar_work_capacity = mxy + ar_max_order;

// Shifts x(1..n) right by m places and fills x(1..m) with backcasts: x(k) =
// phi(1) x(k+1) + ... + phi(p) x(k+p) for k = m down to 1. p = 0 returns at
// once. When n + m exceeds ld (or the vector) the program stops with
// "*** no room in array for backcasts ***" after a wait for Enter.
void bakcst(std::span<float> x, int n, int p, std::span<const float> phi, int m, int ld);

// x(1..n) := AR residuals of x plus the mean of x. w is work (n + p values).
void prewht(std::span<float> x, std::span<float> w, int n, int p, std::span<const float> phi,
            int ld);

// Chronology with per-year count cnt: valid years (cnt > 0) become AR
// residuals plus the mean of the valid years; invalid years, which enter the
// filter as the level (0 after levelling), become 1.0.
void prwcrn(std::span<float> x, std::span<const int> cnt, std::span<float> w, int n, int p,
            std::span<const float> phi, int ld);

// x(1..n) := the recursively AR-filtered x plus the mean of x.
void rewht(std::span<float> x, std::span<float> w, int n, std::span<const float> phi, int p,
           int ld);

// Chronology with per-year count cnt: valid years become the recursively
// filtered deviations plus the mean of the valid years; invalid years are not
// filtered (they stay at the level) and become 1.0.
void rwhcrn(std::span<float> x, std::span<const int> cnt, std::span<float> w, int n,
            std::span<const float> phi, int p, int ld);

// y(1..n) := 1.0 + the recursively filtered (x - 1.0); x is unchanged and y,
// the work vector here, must hold n + p values.
void rwhone(std::span<const float> x, std::span<float> y, int n, std::span<const float> phi, int p,
            int ld);

}  // namespace kov
