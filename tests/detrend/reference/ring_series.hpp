#pragma once
// Real ring-width series for the reference tests, read from the shared data
// files (as extract_series.py reads them for the reference scripts):
//   long   series FEA37B of ca618.rwl (352 values)
//   medium series LI759 of wa129.rwl (241 values)
//   short  the first 33 values of LI759
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "support/test_support.hpp"

namespace ringref {

// Tucson decade lines: identifier in columns 1-8, year 9-12, values of six
// columns from 13; 999 (hundredths) or -9999 (thousandths) ends a series.
inline std::map<std::string, std::vector<float>> read_tucson(const std::string& path) {
    std::ifstream in(path);
    std::string line;
    std::map<std::string, std::vector<long>> raw;
    std::map<std::string, double> scale;
    auto trim = [](std::string s) {
        auto b = s.find_first_not_of(' ');
        if (b == std::string::npos) return std::string();
        return s.substr(b, s.find_last_not_of(' ') - b + 1);
    };
    for (int no = 1; std::getline(in, line); ++no) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (no <= 3 || line.size() < 18) continue;
        std::string id = trim(line.substr(0, 8));
        try {
            (void)std::stoi(line.substr(8, 4));
        } catch (...) {
            continue;
        }
        auto& vals = raw[id];
        for (int k = 0; k < 10; ++k) {
            size_t at = 12 + 6 * k;
            if (at >= line.size()) break;
            std::string f = trim(line.substr(at, 6));
            if (f.empty()) break;
            long v = std::stol(f);
            if (v == 999 || v == -9999) {
                scale[id] = v == 999 ? 100.0 : 1000.0;
                break;
            }
            vals.push_back(v);
        }
    }
    std::map<std::string, std::vector<float>> out;
    for (const auto& [id, s] : scale) {
        auto& v = out[id];
        for (long r : raw[id]) v.push_back(static_cast<float>(r / s));
    }
    return out;
}

inline const std::vector<float>& series_long() {
    static const auto s = read_tucson(kovtest::test_data("rwl/ca618.rwl")).at("FEA37B");
    return s;
}
inline const std::vector<float>& series_medium() {
    static const auto s = read_tucson(kovtest::test_data("rwl/wa129.rwl")).at("LI759");
    return s;
}
inline const std::vector<float>& series_short() {
    static const std::vector<float> s(series_medium().begin(), series_medium().begin() + 33);
    return s;
}

}  // namespace ringref
