#pragma once
// The layout-string engine: writes and reads the Fortran-style layout strings
// that the listings, files and console lines are specified in, e.g.
//     "(t2,i5,2x,a8,i6,2i7,2f8.3)"
// Supported: iN, fW.d, aN, a, nX, tN (forwards and backwards), /, a closing $,
// quoted text ('...' with '' for one apostrophe, also "..."), repeat counts on
// items and parenthesised groups, reversion to the last top-level group when the
// values outrun the layout, asterisks on overflow, fW.0 with its trailing point.
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace kov {

// One value handed to a layout: an integer, a real or a text.
struct FVal {
    enum Kind { Int, Real, Text } kind = Int;
    long long i = 0;
    double r = 0.0;   // a float is widened exactly
    std::string s;
    FVal() = default;
    FVal(long long v) : kind(Int), i(v) {}
    FVal(double v) : kind(Real), r(v) {}
    FVal(std::string v) : kind(Text), s(std::move(v)) {}
};

namespace detail {
template <class T>
void push_value(std::vector<FVal>& out, const T& v) {
    using U = std::remove_cvref_t<T>;
    if constexpr (std::is_same_v<U, bool>) {
        out.emplace_back(static_cast<long long>(v));
    } else if constexpr (std::is_integral_v<U> && !std::is_same_v<U, char>) {
        out.emplace_back(static_cast<long long>(v));
    } else if constexpr (std::is_same_v<U, char>) {
        out.emplace_back(std::string(1, v));
    } else if constexpr (std::is_floating_point_v<U>) {
        out.emplace_back(static_cast<double>(v));
    } else if constexpr (std::is_convertible_v<const U&, std::string_view>) {
        out.emplace_back(std::string(std::string_view(v)));
    } else if constexpr (std::is_same_v<U, FVal>) {
        out.push_back(v);
    } else {
        // any range of the above: every element is one value, as a Fortran array
        for (const auto& e : v) push_value(out, e);
    }
}
}  // namespace detail

template <class... Args>
std::vector<FVal> fvals(const Args&... args) {
    std::vector<FVal> out;
    (detail::push_value(out, args), ...);
    return out;
}

// The formatted text of one write statement. Records are separated by '\n';
// the text ends with '\n' unless the layout closes with '$'.
std::string format_values(std::string_view layout, const std::vector<FVal>& values);

template <class... Args>
std::string fmt(std::string_view layout, const Args&... args) {
    return format_values(layout, fvals(args...));
}

// A field that cannot be read as its descriptor says (a letter in an iN field,
// text where a number must stand, ...). Readers catch it where the program
// reports a reading error.
struct ReadError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Reads one record by a layout: iN and fW.d read exactly their columns (blanks
// ignored, all-blank = 0, a real without a point takes its last d digits as
// decimals), aN reads N columns (padded with blanks past the end of the line),
// nX skips columns, tN moves to column N. One record only: reads the data items
// of the layout once, or `count` values when count >= 0 (a layout that runs out
// of items before `count` starts again at its last top-level group on the same
// line; fields past the end of the line read as blanks).
std::vector<FVal> read_values(std::string_view layout, std::string_view line, int count = -1);

// Free-form read: values separated by blanks or commas.
std::vector<std::string> free_fields(std::string_view line);
// Reads an integer / a real free-form from the text of one field; ReadError when
// the field is not a number.
long long free_int(std::string_view field);
double free_real(std::string_view field);

}  // namespace kov
