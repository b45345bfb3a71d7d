#pragma once
// The biweight weights of every series in every year of a robust chronology:
// recorded year by year while the chronology is built, then saved as a weight
// file in the save format and reduced to per-year quartiles for the weights
// plot. The weights pass through the matrix of the series (the only matrix of
// that shape that the savers and the plot read), so the series are parked
// meanwhile and come back rounded to four decimals, as the scratch files that
// have always carried them round them.
#include <span>
#include <vector>

namespace kov {

class WeightRecorder {
public:
    // ctype: the chronology type ('n', 's', 'r', 'b'); n years from first_year.
    WeightRecorder(char ctype, int n, int first_year);
    void open(int nc);
    bool is_open() const { return open_; }
    // One year: the series present (1-based numbers, in series order) and the
    // weight of each; every other series gets xmiss.
    void record_year(int year, std::span<const int> present, std::span<const float> weights, int nc);
    // max_depth at most 5: the record is dropped. Otherwise, when open: the
    // weight file (save option above 0), the quartiles into crvmean and sermat
    // columns 1 and 2, the weights plot (summary plots 2 or 3), and the series
    // back in sermat.
    void finish(int max_depth);

private:
    char ctype_;
    int n_, first_, nc_ = 0;
    bool open_ = false;
    std::vector<float> w_;  // w_[(j - 1) * n_ + (i - 1)]: weight of series j in year i
};

// A value as the four-decimal scratch layout carries it ("f8.4"); a value too
// wide for that field is kept as it is rather than lost.
float round_to_4_decimals(float v);

}  // namespace kov
