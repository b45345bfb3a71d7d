#include "shared/tables.hpp"

#include <algorithm>

namespace kov {

float* SeriesMatrix::rows(int j, int first, int last) {
    assert(j >= 1 && j <= mxs);
    if (last < first) return nullptr;  // no rows: nothing to hold
    assert(first >= 1 && last <= mxy);
    Column& c = cols_[j];
    const int held_last = c.first + static_cast<int>(c.v.size()) - 1;
    if (c.v.empty()) {
        c.first = first;
        c.v.assign(static_cast<size_t>(last - first + 1), xmiss);
    } else if (first < c.first || last > held_last) {
        const int lo = std::min(first, c.first), hi = std::max(last, held_last);
        std::vector<float> v(static_cast<size_t>(hi - lo + 1), xmiss);
        std::copy(c.v.begin(), c.v.end(), v.begin() + (c.first - lo));
        c.first = lo;
        c.v = std::move(v);
    }
    return c.v.data() + (first - c.first);
}

void SeriesMatrix::shift_down(int j, int n, int d) {
    if (n < 1) return;
    const float* head = rows(j, 1, n);
    // Rows 1..d become empty: the column now starts at row d + 1 with the
    // moved rows, followed by whatever it held below row n + d.
    Column& c = cols_[j];
    std::vector<float> v(head, head + n);
    for (int r = n + d + 1; r <= last_row(j); ++r) v.push_back(c.v[static_cast<size_t>(r - c.first)]);
    c.first = d + 1;
    c.v = std::move(v);
}

void SeriesMatrix::shift_up(int j) {
    Column& c = cols_[j];
    if (c.v.empty()) return;
    if (c.first > 1) {
        --c.first;
        return;
    }
    c.v.erase(c.v.begin());  // row 1 has no row above it to go to
}

void SeriesMatrix::assign(int j, int first, const float* v, int n) {
    assert(j >= 1 && j <= mxs);
    Column c;
    if (n >= 1) {
        assert(first >= 1 && first + n - 1 <= mxy);
        c.first = first;
        c.v.assign(v, v + n);
    }
    cols_[j] = std::move(c);
}

void SeriesMatrix::put(int j, int first, const float* v, int n) {
    Column& c = cols_[j];
    for (int r = c.first; r < first && r <= last_row(j); ++r) c.v[static_cast<size_t>(r - c.first)] = xmiss;
    if (n < 1) return;
    std::copy_n(v, n, rows(j, first, first + n - 1));
}

SharedTables& shared() {
    static SharedTables t;
    return t;
}

}  // namespace kov
