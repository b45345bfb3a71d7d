#pragma once
// What the AR tests share: series loaded into the shared tables on one year
// axis, with the main listing open in a temporary folder.
#include <algorithm>
#include <string>
#include <vector>

#include "shared/files.hpp"
#include "shared/tables.hpp"
#include "support/test_support.hpp"

namespace kovtest {

struct ArSeries {
    int first_row;  // 0-based row of the series' first year
    std::vector<float> x;
};

// Series k of `series` becomes series k of sermat, first year 1800 + first_row.
inline void load_ar_series(const std::vector<ArSeries>& series) {
    auto& sh = kov::shared();
    sh.sermat.clear();
    sh.nc = static_cast<int>(series.size());
    int last = 1800;
    for (int i = 1; i <= sh.nc; ++i) {
        const auto& s = series[static_cast<size_t>(i - 1)];
        for (size_t t = 0; t < s.x.size(); ++t) sh.sermat(s.first_row + 1 + static_cast<int>(t), i) = s.x[t];
        sh.sertbl(i, kov::ify) = 1800 + s.first_row;
        sh.sertbl(i, kov::ily) = 1800 + s.first_row + static_cast<int>(s.x.size()) - 1;
        sh.sertbl(i, kov::ips) = 0;
        sh.ips_from_record[static_cast<size_t>(i)] = false;
        sh.sertbl(i, kov::ics) = 1;
        sh.serids[static_cast<size_t>(i)] = "S" + std::to_string(1000 + i) + "   ";
        last = std::max(last, sh.sertbl(i, kov::ily));
    }
    sh.sertbl(sh.nc + 1, kov::ify) = 1800;
    sh.sertbl(sh.nc + 1, kov::ily) = last;
    sh.ifyc = 1800;
    sh.nyc = last - 1800 + 1;
    sh.batmod = "n";
    sh.optval = kov::OptionBlock{};
}

class ArListing {
public:
    ArListing() { kov::streams().luout.open_fresh((dir_ / "listing.txt").string()); }
    ~ArListing() {
        kov::streams().luout.close();
        kov::streams().luscr.close();
    }
    std::string listing() {
        kov::streams().luout.flush();
        return dir_.read("listing.txt");
    }
    std::vector<std::string> lines() { return split_lines(listing()); }
    const TempDir& dir() const { return dir_; }

private:
    TempDir dir_;
};

}  // namespace kovtest
