#pragma once
// Principal components of the series that cover the common period, and the
// varimax rotation of the components kept, with their listings, loading and
// score files and plots.
#include <array>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "shared/files.hpp"

namespace kov {

// The stage tag of the file names for stage codes 1 to 4.
std::string_view stage_tag(int istage);

// zstd: nyrs by nser standardised values (column-major, ldz rows), overwritten
// by the normalised component scores and then by the factor scores.
// corr: nser by nser correlation matrix (ldc rows), overwritten by the
// eigenvectors, the first nf of them scaled to loadings. eig, wrk: at least
// nser each; eig ends with the eigenvalues, or the rotated variance fractions
// in 1..nf. idu: identifiers 1..nser (idu[0] unused). nser is set to 0 when
// the eigen solver fails. iplot: the caller's copy of the summary-plot
// option; 2 and 3 bring the component menu and the plots; a plot answered "n"
// sets it to 0. The report goes to `out`, the four files to luscr.
// An empty corr stands for a period of fewer years than series, where the
// components come from the years (components_from_years) instead; corr then
// ends with the nyrs eigenvectors (ldc = nser rows).
void pcavmx(std::vector<float>& zstd, int ldz, std::span<float> eig, std::span<float> wrk,
            std::string_view datfil, const std::vector<std::string>& idu, int& nser,
            const std::array<int, 2>& iperd, std::vector<float>& corr, int ldc, int& iplot, int istage,
            int maxev, OutFile& out);

// The principal components of nser series over nyrs years, fewer years than
// series, from the nyrs by nyrs matrix of the years rather than from the
// nser by nser correlation matrix: the nonzero eigenvalues of Z'Z and ZZ' are
// the same, and an eigenvector u of ZZ' gives Z'u of Z'Z. A series constant
// over the period (a column of zeros) correlates with none: as in the
// correlation matrix it adds the eigenvalue 1 with its own unit vector. zstd:
// the standardised series (nyrs by nser, ldz rows). eig(1..nser): the
// eigenvalues of the correlation matrix from the largest down (0 for the
// directions without variance); vectors: nser by nyrs, column k the unit
// eigenvector of eig(k), for the first nyrs eigenvalues. Computed in 64-bit
// reals. False when the decomposition fails.
bool components_from_years(const std::vector<float>& zstd, int ldz, int nyrs, int nser, std::span<float> eig,
                           std::vector<float>& vectors);

}  // namespace kov
