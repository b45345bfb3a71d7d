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
void pcavmx(std::vector<float>& zstd, int ldz, std::span<float> eig, std::span<float> wrk,
            std::string_view datfil, const std::vector<std::string>& idu, int& nser,
            const std::array<int, 2>& iperd, std::vector<float>& corr, int ldc, int& iplot, int istage,
            int maxev, OutFile& out);

}  // namespace kov
