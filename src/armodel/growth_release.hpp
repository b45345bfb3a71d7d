#pragma once
// Growth releases: abrupt, lasting increases of radial growth. grochg prepares
// one series (an optional 3-point binomial prefilter, running means with their
// standard errors, and the relative growth change between adjacent windows),
// finds the releases with reldet and hands the series and its releases to the
// release plot.
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kov {

// x(1..n) from year iyr, window m, threshold T percent, standard-error
// multiplier k, prefilter answer pref ("y"/"Y" smooths: n - 2 values from
// iyr + 1). rm, se (n - m + 1 values): running means and their standard errors
// of the windows starting at each value; pg (n - 2m + 1 values): relative
// change from the window ending at value j + m - 1 to the one after it. With
// iplt above 0 the release plot is drawn (it may set iplt to 0 and overwrites
// iyr with the first year of its growth-change axis). Reads the method (20,1).
void grochg(std::span<float> x, std::string_view id, int& iyr, int& n, int m, int T, int k, char pref,
            std::span<float> rm, std::span<float> se, std::span<float> pg, int& iplt);

// The release years among the growth changes pg(1..np), pg(1) standing at year
// iyr: a peak above T percent at the top of a rise of at least two steps
// (method 2), and with method 3 also the later window's mean above the earlier
// one by more than k standard errors of each; a release is kept only more than
// msep years after the last one kept. Years come as "(i4)" texts.
std::vector<std::string> reldet(std::span<const float> rm1, std::span<const float> se1, std::span<const float> rm2,
                                std::span<const float> se2, std::span<const float> pg, int np, int iyr, int msep,
                                int T, int k, int method);

}  // namespace kov
