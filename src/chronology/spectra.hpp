#pragma once
// Power spectra of the chronologies: lagged autocovariances, their cosine
// transform and a Hamming smoothing over frequency, written side by side to
// the spectra file and shown in the spectra plot.
#include <array>
#include <functional>
#include <span>
#include <string>
#include <string_view>

#include "shared/files.hpp"
#include "shared/tables.hpp"

namespace kov {

// Rows of the spectra table: m + 1 frequencies with m = n / 3 and n <= mxy.
inline constexpr int max_frequencies = 1668;

// Error codes of btspec.
inline constexpr int spectrum_bad_lengths = 129;  // n < 4, m < 3 or m >= n
inline constexpr int spectrum_bad_interval = 130; // sampling interval not above 0

// iopt 1: xavg := the mean and xvar := the variance (divisor n) of x(1..n).
// iopt 2: acv(k), k = 1..m, := the autocovariances about the mean xavg given
// on entry, each lag's sum of products divided by n. Sums in double precision.
void covlag(std::span<const float> x, int n, int m, int iopt, float& xavg, float& xvar,
            std::span<float> acv);

// The smoothed spectrum of one series x(1..n) with m lags (iopt = {0, n, 1, m,
// 0, 0}; ropt = {dt, 0}). x comes back centred; wk = {mean, variance};
// acv(1..m) the autocovariances (lag k divided by its n - k products);
// freq(1..m+1) := 0 to 1/(2 dt) in steps of 1/(2 m dt); pw(1..m+1) the
// Hamming-smoothed power. ier is set only on failure (129, 130); nothing is
// computed then.
void btspec(std::span<float> x, const std::array<int, 6>& iopt, const std::array<float, 2>& ropt,
            std::array<float, 2>& wk, std::span<float> acv, std::span<float> freq, std::span<float> pw,
            int& ier);

// The name of the spectra file of a data file: the output prefix followed by
// "_spectra.txt", with every blank squeezed out.
std::string spectra_file_name(std::string_view fname);

// The spectra plot as spectr calls it (the arguments of pltspc): the screen
// plot in a run, a recorder in the tests.
using SpectraPlot = std::function<void(int ldp, int idum, int ncol, int nf, const float* pp, int logok,
                                       std::string_view leg1, std::string_view leg2, std::string_view leg3)>;

// The spectra of the nser chronologies in columns jcol, jcol + 1, ... of crn
// over its rows 1..n: written to the spectra file (created on iunit, closed
// again) and plotted first when iplot is 2 or 3, on a logarithmic scale when
// every power is positive. A chronology shorter than 9 years has no spectrum:
// the file then holds its header line only.
void spectr(const Table<float>& crn, int n, int nser, int jcol, int iplot, std::string_view fname,
            OutFile& iunit, const SpectraPlot& plot = {});

}  // namespace kov
