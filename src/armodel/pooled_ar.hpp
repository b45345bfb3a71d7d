#pragma once
// One autoregressive model for all series of a data file together: the lagged
// products of every pair of overlapping series are pooled into one set of
// autocorrelations, the Yule-Walker equations are solved by the Durbin-Levinson
// recursion up to order 10, and the order is chosen by the Akaike criterion
// under run option (10,1). The model is the shared pooled model (npool, poolcf).
#include <array>
#include <span>

#include "shared/tables.hpp"

namespace kov {

// Everything the fit computes, for the listing, the plot and the tests.
struct PooledFit {
    std::array<float, 12> c{};                  // c(0..11): pooled lagged products
    std::array<float, 11> r{};                  // r(0..10): c(l) / c(0)
    std::array<std::array<float, 12>, 12> yw{}; // yw[m][i]: coefficient i of order m (1..11)
    std::array<float, 11> aic{};                // A(0..10)
    std::array<bool, 11> aic_defined{};         // false where the innovation sum is not positive
    std::array<float, 101> psi{};               // impulse response psi(0..100)
    int ip = 0;
    std::array<float, 10> phi{};
    float r2 = 0.0f, vinf = 1.0f;
};

// The arithmetic of the pooled model over the series of x, without listing,
// console or plot. Subtracts each selected series' mean in place. nyrs is the
// sample size N of the criterion, ipp the selection rule (option (10,1)): 0 the
// first minimum, below 0 the overall minimum, 1..10 that order (above 10 acts
// as the overall minimum). Series whose first year lies before the overall first
// year (row nc + 1 of itab) are left out, after the console message.
PooledFit pool_fit(SeriesMatrix& x, int nc, int nyrs, const Table<int>& itab, std::span<const int> sel,
                   int ipp);

// The pooled model with its report in the listing, its console lines and its
// plot. Reads options (10,1), (10,2) and (19,1). ip, phi(1..ip), r2 and vinf
// are the model; phi elements after ip keep their values.
void pool(SeriesMatrix& x, int nc, int nyrs, int& ip, std::span<float> phi, float& r2,
          const Table<int>& itab, std::span<const int> sel, float& vinf);

}  // namespace kov
