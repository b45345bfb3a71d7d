#pragma once
// Small helpers for the fixed-length, blank-padded texts and the integer
// scalings that every series format shares.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <string>
#include <string_view>

namespace kov {

// The first n characters of s, padded with blanks to exactly n.
inline std::string padded(std::string_view s, size_t n) {
    std::string out(s.substr(0, std::min(s.size(), n)));
    out.resize(n, ' ');
    return out;
}

// Blank means the space character only.
inline bool is_blank(std::string_view s) {
    for (char c : s)
        if (c != ' ') return false;
    return true;
}

inline std::string trim_right(std::string_view s) {
    size_t n = s.size();
    while (n > 0 && s[n - 1] == ' ') --n;
    return std::string(s.substr(0, n));
}

// The remainder of a year by 10, taken as 0 to 9 also for negative years, so
// that decade lines of BC dates line up like those of AD dates.
inline int mod10(int y) { return ((y % 10) + 10) % 10; }

// Nearest integer, halves away from zero. The scaled value is formed in 32-bit
// arithmetic by the caller, as the files were always written. A value that is
// not a number can only come from a stage that went wrong; it is written as 0
// rather than letting an undefined conversion reach a file.
inline long long nint(float v) {
    if (std::isnan(v)) return 0;
    if (v > 9.0e15f) return 9000000000000000LL;
    if (v < -9.0e15f) return -9000000000000000LL;
    return std::llround(v);
}

// Modes and answers are recognised in either case.
inline bool same_letters(std::string_view a, std::string_view b) {
    if (a.size() < b.size()) return false;
    for (size_t i = 0; i < b.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

}  // namespace kov
