#pragma once
// Small helpers for the fixed-length, blank-padded texts and the integer
// scalings that every series format shares.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <optional>
#include <string>
#include <string_view>

#include "shared/files.hpp"
#include "shared/text_helpers.hpp"

namespace kov {

// Blank means the space character only.
inline bool is_blank(std::string_view s) {
    for (char c : s)
        if (c != ' ') return false;
    return true;
}

// An identifier closed up (its non-blank characters), as plot titles show it.
inline std::string closed_up(std::string_view id) {
    std::string s;
    for (char c : id)
        if (c != ' ') s += c;
    return s;
}

// The next line of `in` that is not blank: blank lines between the records of
// a CRU or compact file are layout, not data (files passed through editors and
// mail often gain them). nullopt at the end of the file.
inline std::optional<std::string> next_nonblank(TextIn& in) {
    for (;;) {
        auto raw = in.read_line();
        if (!raw || !is_blank(*raw)) return raw;
    }
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

// The largest magnitude a series value may have. The compact layout, in which
// series are saved and the gap filling keeps its curves, holds values up to
// about 1e21; a value read beyond this bound could not pass through it, and
// its squares overflow the 32-bit statistics.
inline constexpr float largest_value = 1.0e20f;
inline bool carried_value(float v) { return std::isfinite(v) && std::fabs(v) < largest_value; }

// Modes and answers are recognised in either case.
inline bool same_letters(std::string_view a, std::string_view b) {
    if (a.size() < b.size()) return false;
    for (size_t i = 0; i < b.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

}  // namespace kov
