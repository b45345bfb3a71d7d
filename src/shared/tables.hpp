#pragma once
// The shared tables of a run: refilled for each data file, read and written by
// the phases in turn. Indices follow the tables' own numbering: rows, columns,
// series and years count from 1.
#include <array>
#include <cassert>
#include <string>
#include <vector>

#include "shared/capacities.hpp"

namespace kov {

// A dense table stored column by column, so that a column is a contiguous
// per-year (or per-series) vector: col(j)[0] is row 1.
template <class T>
class Table {
public:
    Table() = default;
    Table(int rows, int cols, T fill = T{}) { reset(rows, cols, fill); }
    void reset(int rows, int cols, T fill = T{}) {
        rows_ = rows;
        cols_ = cols;
        v_.assign(static_cast<size_t>(rows) * cols, fill);
    }
    void fill(T value) { std::fill(v_.begin(), v_.end(), value); }
    T& operator()(int row, int col) {
        assert(row >= 1 && row <= rows_ && col >= 1 && col <= cols_);
        return v_[static_cast<size_t>(col - 1) * rows_ + (row - 1)];
    }
    const T& operator()(int row, int col) const {
        assert(row >= 1 && row <= rows_ && col >= 1 && col <= cols_);
        return v_[static_cast<size_t>(col - 1) * rows_ + (row - 1)];
    }
    T* col(int j) { return v_.data() + static_cast<size_t>(j - 1) * rows_; }
    const T* col(int j) const { return v_.data() + static_cast<size_t>(j - 1) * rows_; }
    int rows() const { return rows_; }
    int cols() const { return cols_; }

private:
    int rows_ = 0, cols_ = 0;
    std::vector<T> v_;
};

// The series matrix: mxy rows (years, or cambial ages) by up to mxs columns
// (series). A column keeps storage only for the rows that have been written to
// it, normally the series' own span, and every other cell is xmiss: a file of
// thousands of series of a few hundred years costs a few hundred years a
// series, not mxy.
class SeriesMatrix {
public:
    SeriesMatrix() : cols_(mxs + 1) {}
    // Rows first..last of column j (1-based rows), with storage made for the
    // rows the column did not hold yet (xmiss); p[0] is row `first`, and the
    // pointer holds until the column grows again. No rows (last < first):
    // null.
    float* rows(int j, int first, int last);
    // The whole column, rows 1..mxy: storage for every row (mxy floats a
    // column), where a step over a series' own rows takes rows() or at().
    float* col(int j) { return rows(j, 1, mxy); }
    float& operator()(int year_row, int j) { return *rows(j, year_row, year_row); }
    // Cell (row, j) as it stands, without making storage: xmiss where the
    // column holds nothing.
    float at(int year_row, int j) const {
        assert(j >= 1 && j <= mxs);
        const Column& c = cols_[j];
        const int k = year_row - c.first;
        return k >= 0 && k < static_cast<int>(c.v.size()) ? c.v[static_cast<size_t>(k)] : xmiss;
    }
    // Whether rows first..last of column j hold missing values only (a series
    // left out for want of a measured value), without making storage.
    bool all_missing(int j, int first, int last) const {
        for (int r = first; r <= last; ++r)
            if (at(r, j) != xmiss) return false;
        return true;
    }
    // The rows column j holds: first_row(j) .. last_row(j), none when last < first.
    int first_row(int j) const { return cols_[j].first; }
    int last_row(int j) const { return cols_[j].first + static_cast<int>(cols_[j].v.size()) - 1; }
    // Moves rows 1..n of column j down by d rows; rows 1..d become xmiss.
    void shift_down(int j, int n, int d);
    // Moves every row of column j up by one: row r takes what row r + 1
    // held, and what row 1 held is dropped.
    void shift_up(int j);
    // Column j holds v(0..n-1) at rows first..first + n - 1, and xmiss in
    // every row above them; rows below keep what they held.
    void put(int j, int first, const float* v, int n);
    // Column j holds v(0..n-1) at rows first..first + n - 1 and xmiss in
    // every other row; v may point into the column itself.
    void assign(int j, int first, const float* v, int n);
    // Every cell back to xmiss, and the storage given back.
    void clear() {
        for (auto& c : cols_) c = Column{};
    }

private:
    struct Column {
        int first = 1;
        std::vector<float> v;  // rows first .. first + v.size() - 1
    };
    std::vector<Column> cols_;
};

// Columns of the per-series table sertbl.
enum SertblCol { ify = 1, ily, yfp, itn, idt, ips, isb, icu, ics, cpa };

// The run-option block optval: 30 options by 5 values.
struct OptionBlock {
    std::array<std::array<int, 5>, 30> v{};
    int& operator()(int k, int j) {
        assert(k >= 1 && k <= 30 && j >= 1 && j <= 5);
        return v[k - 1][j - 1];
    }
    int operator()(int k, int j) const { return v[k - 1][j - 1]; }
    bool operator==(const OptionBlock&) const = default;
};

struct SharedTables {
    SeriesMatrix sermat;
    std::vector<float> crvmean = std::vector<float>(mxy, xmiss);   // crvmean[0] is year 1
    // serids[j], j = 1..nc: each identifier in 8 columns (characters in UTF-8, see in_columns)
    std::vector<std::string> serids = std::vector<std::string>(mxs + 1, std::string(8, ' '));
    int nc = 0;
    Table<int> sertbl{mxs + 2, 10};      // sertbl(row, ify..cpa)
    // ips_from_record[row]: the row's ips was read from a record of the batch
    // detail file, so it is the user's own setting for that series; a row that
    // no record reached holds its reset value and takes the run's order option.
    std::vector<bool> ips_from_record = std::vector<bool>(mxs + 2, false);
    Table<float> rawstat{mxs, 12};
    OptionBlock optval;
    std::string stcmask = "SSSTTCC ";
    std::string batmod = "n";
    std::string dtype = "mr";
    std::string wmode = "iw";
    std::string datfil;                  // data file in work (at most 60 characters)
    std::array<std::string, 3> hdrlin{std::string(85, ' '), std::string(85, ' '), std::string(85, ' ')};
    std::array<std::string, 3> hdrsave{std::string(85, ' '), std::string(85, ' '), std::string(85, ' ')};
    std::string dtitle = std::string(85, ' ');
    std::string crnid = std::string(8, ' ');
    int ifyc = 0, nyc = 0;               // first year and length of the chronology span
    std::vector<int> ndepth = std::vector<int>(mxy, 0);
    Table<float> crnmat{mxy, 16};
    // The transformation's plot table, one row per series (a data file can hold
    // more series than crnmat has rows): skewness before, spread-versus-level
    // correlation before, power, skewness after, correlation after, 1 - slope after.
    Table<float> trnstat{mxs, 6};
    std::vector<float> crnerr = std::vector<float>(mxy, 0.0f);
    std::vector<float> bootlo = std::vector<float>(mxy, 0.0f);
    std::vector<float> boothi = std::vector<float>(mxy, 0.0f);
    std::array<Table<float>, 4> rbtab{Table<float>{mxy, 7}, Table<float>{mxy, 7}, Table<float>{mxy, 7}, Table<float>{mxy, 7}};
    int nwin = 0;
    Table<float> rbplot{mxy, 7};         // the raw stage's running rbar, kept for its plot
    float rbmean = 0.0f;
    float rawmax = 0.0f;
    int npool = 0;
    std::array<float, 10> poolcf{};
    float poolr2 = 0.0f, varinf = 1.0f;
    std::vector<int> poolsel = std::vector<int>(mxs + 1, 1);
    std::string poolrpt = "n";
    Table<float> arcoef{12, mxs};        // arcoef(element, series)
    std::array<int, 3> iseed{12848, 13079, 22085};
    std::array<float, 7> fitcoef{};
    int ipass = 0;
    // The raw chronology's span with bootstrap limits: its length and its
    // first calendar year.
    int nspan = 0, first_limit_year = 0;
    // The residual chronology as its bootstrap limits were built around: the
    // values its "_res_95%cl.txt" lists, before it is prewhitened. The kovrin
    // limits keep their distances from these values.
    std::vector<float> residual_limit_centre = std::vector<float>(mxy, 0.0f);
    std::vector<int> pithoff = std::vector<int>(mxs + 1, 0);
    // Years the first detrending took off the front of series j (1 when its
    // first differences start it a year later), so that the batch detail file
    // can give every series its own first year.
    std::vector<int> fdyears = std::vector<int>(mxs + 1, 0);
    int sumplt = 0;
    // The output name formed last: the chronologies' identifier takes its
    // first six characters.
    std::string last_output_name;
};

SharedTables& shared();

}  // namespace kov
