#pragma once
// Loads series into the shared tables for the statistics tests: from a Tucson
// decade file (read here on its own, as the reference scripts read it) or
// from series given inline.
#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "shared/tables.hpp"
#include "support/test_support.hpp"

namespace statfix {

struct Series {
    std::string id;
    int first;
    std::vector<float> v;
};

// Deterministic ring-width-like values (no two seeds alike); `salt` gives
// another family of them.
inline std::vector<float> noise(int n, unsigned seed, unsigned salt = 12345u) {
    std::vector<float> v(n);
    unsigned s = seed * 2654435761u + salt;
    for (auto& x : v) {
        s = s * 1664525u + 1013904223u;
        x = 1.0f + static_cast<float>((s >> 8) % 1000) / 1000.0f;
    }
    return v;
}

// Three header lines; identifier in columns 1-8, decade year 9-12, values of
// six columns from 13; 999 (hundredths) or -9999 (thousandths) closes a series.
inline std::vector<Series> read_tucson(const std::string& path) {
    std::ifstream in(path);
    std::string line;
    std::vector<Series> out;
    std::vector<std::vector<long>> raw;
    std::vector<double> scale;
    for (int no = 1; std::getline(in, line); ++no) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (no <= 3 || line.size() < 18) continue;
        const std::string id = line.substr(0, 8);
        const int year = std::stoi(line.substr(8, 4));
        if (out.empty() || out.back().id != id) {
            out.push_back({id, year, {}});
            raw.emplace_back();
            scale.push_back(0.01);
        }
        for (int k = 0; k < 10; ++k) {
            if (line.size() < static_cast<size_t>(12 + 6 * k + 1)) break;
            std::string f = line.substr(12 + 6 * k, 6);
            if (f.find_first_not_of(' ') == std::string::npos) break;
            const long v = std::stol(f);
            if (v == 999 || v == -9999) {
                scale.back() = v == 999 ? 0.01 : 0.001;
                break;
            }
            raw.back().push_back(v);
        }
    }
    for (size_t k = 0; k < out.size(); ++k)
        for (long v : raw[k]) out[k].v.push_back(static_cast<float>(v * scale[k]));
    return out;
}

// Puts the series into sermat, sertbl (ify, ily, overall row nc + 1) and
// serids; cpa gets the row number, as the driver sets it per data file.
inline void load(const std::vector<Series>& ser) {
    auto& s = kov::shared();
    s.sermat.clear();
    const int nc = static_cast<int>(ser.size());
    int f = 1 << 30, l = -(1 << 30);
    for (const auto& x : ser) {
        f = std::min(f, x.first);
        l = std::max(l, x.first + static_cast<int>(x.v.size()) - 1);
    }
    for (int j = 1; j <= nc; ++j) {
        const auto& x = ser[j - 1];
        s.sertbl(j, kov::ify) = x.first;
        s.sertbl(j, kov::ily) = x.first + static_cast<int>(x.v.size()) - 1;
        s.sertbl(j, kov::cpa) = j;
        std::string id = x.id;
        id.resize(8, ' ');
        s.serids[j] = id;
        for (size_t t = 0; t < x.v.size(); ++t) s.sermat(x.first - f + 1 + static_cast<int>(t), j) = x.v[t];
    }
    s.sertbl(nc + 1, kov::ify) = f;
    s.sertbl(nc + 1, kov::ily) = l;
    s.nc = nc;
    s.nyc = l - f + 1;
    s.ifyc = f;
}

inline void load_file(const std::string& name) { load(read_tucson(kovtest::test_data(name))); }

}  // namespace statfix
