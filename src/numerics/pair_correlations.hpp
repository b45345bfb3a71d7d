#pragma once
// corlin's correlation for many pairs of series at once. Every r is bit for
// bit the r that corlin gives for the pair: the same 32-bit sums, each taken
// year by year in the same order. What changes is that work shared by many
// pairs is done once (a series' mean and deviations over a stretch all its
// pairs share), that several pairs are summed side by side in the lanes of
// one vector, and that the pairs are shared among the cores of the machine.
// An r is computed the same way whatever the number of threads.
//
// A pair without a correlation (a series constant over the years of the pair,
// fewer than two years: where corlin returns false; or a pair left out by the
// caller's rule) gets no_correlation, a NaN that no real correlation can be.
//
// Pairs are delivered in blocks of whole rows: row a holds the pairs (a, b)
// for b = a + 1 .. m - 1 (0-based), rows one after the other, so that a
// caller can sum the correlations in the order (0,1), (0,2), ..., (1,2), ...
// in which corlin would be called pair by pair.
#include <array>
#include <cmath>
#include <cstddef>
#include <limits>
#include <span>
#include <vector>

namespace kov {

inline constexpr float no_correlation = std::numeric_limits<float>::quiet_NaN();
inline bool has_correlation(float r) { return !std::isnan(r); }

// The row arithmetic shared by both kinds of pair set.
class PairRows {
public:
    explicit PairRows(int m) : m_(m) {}
    int series() const { return m_; }
    // Values held by rows a0 .. a1 - 1.
    std::size_t pairs_in_rows(int a0, int a1) const;
    // The end of the rows from a0 on that hold about `budget` values (at least
    // one row).
    int rows_within(int a0, std::size_t budget) const;

protected:
    int m_;
};

// Every pair of m series over one stretch of w years that all of them cover.
// cols[a] points at the first of the w values of series a.
class StretchCorrelations : public PairRows {
public:
    StretchCorrelations(std::span<const float* const> cols, int w);
    // r of the pairs of rows a0 .. a1 - 1 into out (pairs_in_rows values),
    // the rows shared among the threads.
    void rows(int a0, int a1, std::span<float> out) const;

private:
    int w_, mp_;              // mp_: m rounded up to whole vectors, and one more
    std::vector<float> dev_;  // deviations from the series' means, w rows of mp_
    std::vector<float> ss_;   // sums of squared deviations
};

// Every pair of m series over the years both cover, for the pairs that share
// more than min_common years (the others get no_correlation). Series a covers
// the rows first[a] .. last[a] of one common year axis, and cols[a] points at
// its value in row first[a]; nothing outside those rows is read.
class OverlapCorrelations : public PairRows {
public:
    OverlapCorrelations(std::span<const float* const> cols, std::span<const int> first, std::span<const int> last,
                        int min_common);
    // r of the pairs of rows a0 .. a1 - 1 into out (pairs_in_rows values),
    // the rows shared among the threads.
    void rows(int a0, int a1, std::span<float> out) const;
    int common(int a, int b) const;  // years series a and b share

private:
    // true when series a holds one value over the rows f..e
    bool flat_over(int a, int f, int e) const;
    std::vector<const float*> cols_;
    std::vector<int> first_, last_;
    int min_common_;
    // per series, its runs of equal values longer than min_common (first and
    // last row)
    std::vector<std::vector<std::array<int, 2>>> flat_;
};

// The pairs computed at a time: enough to keep every core busy.
inline constexpr std::size_t pair_block_size = std::size_t{1} << 23;

// Calls take(a, b, r) for every pair a < b of the set, in the order (0,1),
// (0,2), ..., (1,2), ...; take runs on the calling thread. The pairs are
// computed `budget` at a time (a caller that runs many sets at once gives
// each a smaller share).
template <class Pairs, class Take>
void for_each_pair(const Pairs& pairs, Take&& take, std::size_t budget = pair_block_size) {
    const int m = pairs.series();
    std::vector<float> block;
    for (int a0 = 0; a0 + 1 < m;) {
        const int a1 = pairs.rows_within(a0, budget);
        block.resize(pairs.pairs_in_rows(a0, a1));
        pairs.rows(a0, a1, block);
        std::size_t k = 0;
        for (int a = a0; a < a1; ++a)
            for (int b = a + 1; b < m; ++b) take(a, b, block[k++]);
        a0 = a1;
    }
}

}  // namespace kov
