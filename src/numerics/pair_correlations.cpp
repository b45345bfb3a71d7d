#include "numerics/pair_correlations.hpp"

#include <algorithm>
#include <cassert>
#include <cfloat>
#include <cstring>

#include "shared/parallel.hpp"

namespace kov {

namespace {

// Sixteen floats side by side. Each lane is summed on its own, in the order
// of the years, exactly as the scalar loop sums one pair: no lane ever mixes
// with another, and a product is rounded before it is added (the build
// forbids contraction into fused multiply-adds).
typedef float vf __attribute__((vector_size(64)));
typedef int vi __attribute__((vector_size(64)));
constexpr int lanes = 16;

// The wider registers of newer processors where the machine has them; the
// arithmetic is the same IEEE single precision on every path.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__) && !defined(__SANITIZE_ADDRESS__)
#define KOV_VECTOR_CLONES __attribute__((target_clones("avx512f", "avx2", "default")))
#else
#define KOV_VECTOR_CLONES
#endif

inline void load(vf& v, const float* p) { std::memcpy(&v, p, sizeof v); }

// corlin's r from the three sums of a pair, as corlin forms it.
inline float r_of(float sxy, float sxx, float syy) {
    const float den = std::sqrt(sxx * syy);
    if (!(den > 0.0f) || !(den <= FLT_MAX)) return no_correlation;
    return sxy / den;
}

// ---- one stretch shared by every pair ----

constexpr int block_rows = 4;

// corlin's r of rows a[0..3] against the 16 columns from b0: the products
// of their deviations summed over the w years, over the square root of the
// product of their sums of squares (ss).
KOV_VECTOR_CLONES
void block_correlations(const float* dev, const float* ss, int mp, int w, const int* a, int b0,
                        float (*r)[lanes]) {
    vf s0 = {}, s1 = {}, s2 = {}, s3 = {};
    const float* p = dev;
    for (int t = 0; t < w; ++t, p += mp) {
        vf y;
        load(y, p + b0);
        s0 += p[a[0]] * y;
        s1 += p[a[1]] * y;
        s2 += p[a[2]] * y;
        s3 += p[a[3]] * y;
    }
    vf ssb;
    load(ssb, ss + b0);
    const vf* sums[block_rows] = {&s0, &s1, &s2, &s3};
    for (int k = 0; k < block_rows; ++k) {
        const vf sxy = *sums[k];
        for (int c = 0; c < lanes; ++c) r[k][c] = r_of(sxy[c], ss[a[k]], ssb[c]);
    }
}

// ---- each pair over its own years ----

// corlin's r of series x against the 16 partners of one tile, each lane over
// its own rows first[l] .. last[l] of the common year axis (an empty lane has
// first > last). x[0] is row x0 of the axis; the partners' values stand side
// by side in `tile`, row t of the axis at tile + (t - t0) * stride.
//
// The years are taken in runs over which the same lanes are in their years;
// a lane outside its years adds +0, which leaves its sums as they are.
KOV_VECTOR_CLONES
void lane_correlations(const float* x, int x0, const float* tile, int stride, int t0, const int* first,
                       const int* last, float* r) {
    // The rows where some lane starts or ends, ascending; the lanes of a tile
    // mostly share their years, so there are few of them.
    int cut[2 * lanes];
    int ncut = 0;
    auto add_cut = [&](int v) {
        int i = ncut;
        while (i > 0 && cut[i - 1] > v) --i;
        if (i > 0 && cut[i - 1] == v) return;
        for (int k = ncut; k > i; --k) cut[k] = cut[k - 1];
        cut[i] = v;
        ++ncut;
    };
    vf count;
    for (int l = 0; l < lanes; ++l) {
        if (first[l] <= last[l]) {
            add_cut(first[l]);
            add_cut(last[l] + 1);
        }
        count[l] = static_cast<float>(std::max(last[l] - first[l] + 1, 0));
    }
    vi in[2 * lanes];  // lanes in their years over the run from cut[k] to cut[k + 1]
    for (int k = 0; k + 1 < ncut; ++k)
        for (int l = 0; l < lanes; ++l) in[k][l] = first[l] <= cut[k] && last[l] >= cut[k + 1] - 1 ? -1 : 0;

    vf sx = {}, sy = {};
    for (int k = 0; k + 1 < ncut; ++k) {
        const vi m = in[k];
        const float* y = tile + static_cast<std::ptrdiff_t>(cut[k] - t0) * stride;
        const float* xs = x + (cut[k] - x0);
        for (int t = cut[k]; t < cut[k + 1]; ++t, y += stride, ++xs) {
            vf yv;
            load(yv, y);
            sx += (vf)((vi)(*xs - vf{}) & m);
            sy += (vf)((vi)yv & m);
        }
    }
    const vf xm = sx / count, ym = sy / count;
    vf sxx = {}, syy = {}, sxy = {};
    for (int k = 0; k + 1 < ncut; ++k) {
        const vi m = in[k];
        const float* y = tile + static_cast<std::ptrdiff_t>(cut[k] - t0) * stride;
        const float* xs = x + (cut[k] - x0);
        for (int t = cut[k]; t < cut[k + 1]; ++t, y += stride, ++xs) {
            vf yv;
            load(yv, y);
            // outside its years a lane's deviations are +0, and so are their products
            const vf dx = (vf)((vi)(*xs - xm) & m), dy = (vf)((vi)(yv - ym) & m);
            sxx += dx * dx;
            syy += dy * dy;
            sxy += dx * dy;
        }
    }
    for (int l = 0; l < lanes; ++l) r[l] = count[l] < 2.0f ? no_correlation : r_of(sxy[l], sxx[l], syy[l]);
}

// Rows of one task and partners of one tile.
constexpr int task_rows = 64;
constexpr int tile_cols = 4 * lanes;

}  // namespace

std::size_t PairRows::pairs_in_rows(int a0, int a1) const {
    // rows a0..a1-1 hold (m-1-a0) + ... + (m-a1) values
    if (a1 <= a0) return 0;
    const auto first = static_cast<std::size_t>(m_ - 1 - a0), last = static_cast<std::size_t>(m_ - a1);
    return (first + last) * static_cast<std::size_t>(a1 - a0) / 2;
}

int PairRows::rows_within(int a0, std::size_t budget) const {
    int a1 = a0 + 1;
    std::size_t n = static_cast<std::size_t>(std::max(m_ - 1 - a0, 0));
    while (a1 < m_ - 1 && n + static_cast<std::size_t>(m_ - 1 - a1) <= budget) n += m_ - 1 - a1++;
    return a1;
}

StretchCorrelations::StretchCorrelations(std::span<const float* const> cols, int w)
    : PairRows(static_cast<int>(cols.size())), w_(std::max(w, 0)) {
    mp_ = (m_ + lanes - 1) / lanes * lanes + lanes;
    dev_.assign(static_cast<std::size_t>(w_) * mp_, 0.0f);
    ss_.assign(mp_, 0.0f);
    if (w_ < 2) return;  // no pair has a correlation
    const float fk = static_cast<float>(w_);
    for (int a = 0; a < m_; ++a) {
        const float* x = cols[a];
        float sx = 0.0f;
        for (int t = 0; t < w_; ++t) sx += x[t];
        const float xm = sx / fk;
        float sxx = 0.0f;
        for (int t = 0; t < w_; ++t) {
            const float dx = x[t] - xm;
            dev_[static_cast<std::size_t>(t) * mp_ + a] = dx;
            sxx += dx * dx;
        }
        // equal values have no variance, whatever a rounded mean leaves of
        // their deviations (as corlin takes them)
        ss_[a] = std::all_of(x, x + w_, [&](float v) { return v == x[0]; }) ? 0.0f : sxx;
    }
}

void StretchCorrelations::rows(int a0, int a1, std::span<float> out) const {
    const std::size_t n = pairs_in_rows(a0, a1);
    assert(out.size() >= n);
    if (w_ < 2) {
        std::fill(out.begin(), out.begin() + static_cast<std::ptrdiff_t>(n), no_correlation);
        return;
    }
    const int groups = (a1 - a0 + block_rows - 1) / block_rows;
    parallel_for(groups, [&](int g) {
        const int first = a0 + g * block_rows;
        const int nrows = std::min(block_rows, a1 - first);
        int a[block_rows];
        for (int r = 0; r < block_rows; ++r) a[r] = first + std::min(r, nrows - 1);
        float r[block_rows][lanes];
        for (int b0 = (first + 1) / lanes * lanes; b0 < m_; b0 += lanes) {
            block_correlations(dev_.data(), ss_.data(), mp_, w_, a, b0, r);
            for (int k = 0; k < nrows; ++k) {
                const int row = a[k];
                const std::size_t start = pairs_in_rows(a0, row);  // where the pair (row, row + 1) goes
                const int from = std::max(b0, row + 1), to = std::min(b0 + lanes, m_);
                if (from < to) std::copy(r[k] + (from - b0), r[k] + (to - b0), out.begin() + (start + (from - row - 1)));
            }
        }
    });
}

OverlapCorrelations::OverlapCorrelations(std::span<const float* const> cols, std::span<const int> first,
                                         std::span<const int> last, int min_common)
    : PairRows(static_cast<int>(cols.size())),
      cols_(cols.begin(), cols.end()),
      first_(first.begin(), first.end()),
      last_(last.begin(), last.end()),
      min_common_(min_common),
      flat_(cols.size()) {
    // Only a run longer than min_common years can hold a pair's overlap.
    for (int a = 0; a < m_; ++a) {
        const float* x = cols_[a];
        for (int t = first_[a]; t <= last_[a];) {
            int u = t;
            while (u < last_[a] && x[u + 1 - first_[a]] == x[t - first_[a]]) ++u;
            if (u - t + 1 > min_common_) flat_[a].push_back({t, u});
            t = u + 1;
        }
    }
}

bool OverlapCorrelations::flat_over(int a, int f, int e) const {
    return std::any_of(flat_[a].begin(), flat_[a].end(), [&](const std::array<int, 2>& run) {
        return run[0] <= f && e <= run[1];
    });
}

int OverlapCorrelations::common(int a, int b) const {
    return std::min(last_[a], last_[b]) - std::max(first_[a], first_[b]) + 1;
}

void OverlapCorrelations::rows(int a0, int a1, std::span<float> out) const {
    const std::size_t n = pairs_in_rows(a0, a1);
    assert(out.size() >= n);
    std::fill(out.begin(), out.begin() + static_cast<std::ptrdiff_t>(n), no_correlation);
    // A task takes a few rows and runs over the partners a tile at a time: the
    // tile's values, copied side by side, stay in the core's cache while every
    // row of the task uses them.
    const int tasks = (a1 - a0 + task_rows - 1) / task_rows;
    parallel_for(tasks, [&](int k) {
        std::vector<float> tile;
        const int r0 = a0 + k * task_rows, r1 = std::min(a1, r0 + task_rows);
        int rows_lo = first_[r0], rows_hi = last_[r0];
        for (int a = r0 + 1; a < r1; ++a) {
            rows_lo = std::min(rows_lo, first_[a]);
            rows_hi = std::max(rows_hi, last_[a]);
        }
        for (int b0 = r0 + 1; b0 < m_; b0 += tile_cols) {
            const int b1 = std::min(m_, b0 + tile_cols);
            int t0 = rows_hi + 1, t1 = rows_lo - 1;
            for (int b = b0; b < b1; ++b) {
                t0 = std::min(t0, std::max(first_[b], rows_lo));
                t1 = std::max(t1, std::min(last_[b], rows_hi));
            }
            if (t0 > t1) continue;  // no row of the task shares a year with the tile
            tile.assign(static_cast<std::size_t>(t1 - t0 + 1) * tile_cols, 0.0f);
            for (int b = b0; b < b1; ++b) {
                const int lo = std::max(first_[b], t0), hi = std::min(last_[b], t1);
                for (int t = lo; t <= hi; ++t)
                    tile[static_cast<std::size_t>(t - t0) * tile_cols + (b - b0)] = cols_[b][t - first_[b]];
            }
            for (int a = r0; a < r1; ++a) {
                const std::size_t start = pairs_in_rows(a0, a);  // where the pair (a, a + 1) goes
                for (int c0 = b0; c0 < b1; c0 += lanes) {
                    int f[lanes], e[lanes];
                    bool any = false;
                    for (int l = 0; l < lanes; ++l) {
                        const int b = c0 + l;
                        f[l] = 1;
                        e[l] = 0;
                        if (b > a && b < b1 && common(a, b) > min_common_) {
                            f[l] = std::max(first_[a], first_[b]);
                            e[l] = std::min(last_[a], last_[b]);
                            any = true;
                        }
                    }
                    if (!any) continue;
                    float r[lanes];
                    lane_correlations(cols_[a], first_[a], tile.data() + (c0 - b0), tile_cols, t0, f, e, r);
                    for (int l = 0; l < lanes; ++l) {
                        if (f[l] > e[l]) continue;
                        // a series of equal values over the overlap has no
                        // variance there, as corlin finds
                        const bool flat = flat_over(a, f[l], e[l]) || flat_over(c0 + l, f[l], e[l]);
                        out[start + static_cast<std::size_t>(c0 + l - a - 1)] = flat ? no_correlation : r[l];
                    }
                }
            }
        }
    });
}

}  // namespace kov
