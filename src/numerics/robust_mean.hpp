#pragma once
// The location of one sample by the mean type the run options ask for
// (optval(12,1), read at every call): 1 the arithmetic mean; -k a quantile at
// k percent; 0, 2 or any other value Tukey's biweight robust mean. Callers
// that need one fixed type set optval(12,1) around their call.
#include <span>

namespace kov {

// x(1..n): the sample; left sorted ascending by every type but the
//   arithmetic mean (and n = 1).
// wk(1..n): work; on the biweight paths the absolute deviations from the
//   median, sorted.
// c: biweight tuning constant (7.5 at every call).
// xbar, sd, se, eff: location, scale, standard error, efficiency (ordinary
//   variance over the biweight variance).
// iter: 3 after the full biweight (four location passes), else 0.
// wt(1..n): biweight weights (1 - u^2)^2 of the last pass, in the order of the
//   sorted x; written only by the full biweight.
// perm (optional, n values): perm(i) receives the 1-based position in the
//   caller's x of the value now at sorted position i, so that each weight can
//   be given back to the value it belongs to; identity when x is not sorted.
// n <= 0: "fatal error in biwgt: n is zero or negative", a wait for Enter, and
//   the program stops.
void biwgt(std::span<float> x, std::span<float> wk, float c, int n, float& xbar, float& sd,
           float& se, float& eff, int& iter, std::span<float> wt, std::span<int> perm = {});

namespace detail {
// biwgt's xbar of the sorted x(1..n) (n >= 1) for a mean type other than the
// arithmetic mean: the quantile, or the biweight location, bit for bit. x is
// not changed and nothing is sorted: the bootstrap's resamples come sorted.
float location_of_sorted(const float* x, int n, float c, int type);
}  // namespace detail

}  // namespace kov
