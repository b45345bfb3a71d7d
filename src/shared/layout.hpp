#pragma once
// The layout-string engine: writes and reads the Fortran-style layout strings
// that the listings, files and console lines are specified in, e.g.
//     "(t2,i5,2x,a8,i6,2i7,2f8.3)"
// Supported: iN (and iN.m), fW.d, aN, a, nX, tN (forwards and backwards), tlN,
// trN, /, $, :, quoted text ('...' with '' for one apostrophe, also "..." with ""),
// repeat counts on items and parenthesised groups, reversion to the last top-level
// group when the values outrun the layout, asterisks on overflow, fW.0 with its
// trailing point. Letters may be upper or lower case; blanks outside quoted text
// are ignored. On input eW.d, dW.d and gW.d read as fW.d does.
//
// Each distinct layout string is parsed once and kept, so quoting a layout in a
// loop costs a lookup, not a parse.
#include <cstdint>
#include <forward_list>
#include <functional>
#include <optional>
#include <ranges>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace kov {

// How a value is shown in its field (writing only).
enum class Shown : unsigned char {
    as_is,      // as the descriptor writes it
    statistic,  // a real as a printed statistic: see Statistic below
    nothing,    // no value at all: the field is left blank
};

// A real for an fW.d item, shown the way a reader of the listings takes a
// statistic: the undefined value -99 as a marker that fits its field (in the
// usual form where that fits, otherwise with fewer decimals and a blank before
// it: " -99.0" in f6.3, " -99.00" in f7.4; never asterisks), and a value that
// rounds to zero without a minus sign ("0.000", not "-0.000").
struct Statistic {
    double v = 0.0;
};

// One value handed to a layout: an integer, a real or a text.
struct FVal {
    enum Kind { Int, Real, Text } kind = Int;
    long long i = 0;
    double r = 0.0;   // a float is widened exactly
    std::string s;
    // Set by the readers on a numeric field that held nothing but blanks (or
    // lay past the end of the line): it reads as 0, and a caller for which no
    // value is not the value 0 can tell the two apart.
    bool blank = false;
    Shown shown = Shown::as_is;
    FVal() = default;
    FVal(long long v) : kind(Int), i(v) {}
    FVal(double v) : kind(Real), r(v) {}
    FVal(std::string v) : kind(Text), s(std::move(v)) {}
    FVal(Statistic v) : kind(Real), r(v.v), shown(Shown::statistic) {}
    // A value that leaves its field blank, whatever the descriptor (passed
    // over as nX would be, so a line does not end in its blanks).
    static FVal nothing() {
        FVal v{0.0};
        v.shown = Shown::nothing;
        return v;
    }
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
    } else if constexpr (std::is_same_v<U, FVal> || std::is_same_v<U, Statistic>) {
        out.push_back(FVal(v));
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

namespace detail {
// One value as the writer sees it, read in place from the caller's argument.
struct ValueView {
    FVal::Kind kind = FVal::Int;
    long long i = 0;
    double r = 0.0;
    std::string_view s;
    Shown shown = Shown::as_is;
};

template <class U>
inline constexpr bool is_single_value =
    std::is_integral_v<U> || std::is_floating_point_v<U> || std::is_same_v<U, FVal> ||
    std::is_same_v<U, Statistic> || std::is_convertible_v<const U&, std::string_view>;

template <class U>
void view_of(const U& v, ValueView& out) {
    if constexpr (std::is_same_v<U, char>) {
        out.kind = FVal::Text;
        out.s = std::string_view(&v, 1);
    } else if constexpr (std::is_integral_v<U>) {
        out.kind = FVal::Int;
        out.i = static_cast<long long>(v);
    } else if constexpr (std::is_floating_point_v<U>) {
        out.kind = FVal::Real;
        out.r = static_cast<double>(v);
    } else if constexpr (std::is_same_v<U, FVal>) {
        out.kind = v.kind;
        out.i = v.i;
        out.r = v.r;
        out.s = v.s;
        out.shown = v.shown;
    } else if constexpr (std::is_same_v<U, Statistic>) {
        out.kind = FVal::Real;
        out.r = v.v;
        out.shown = Shown::statistic;
    } else {
        out.kind = FVal::Text;
        out.s = std::string_view(v);
    }
}

template <class U>
void get_value(const void* p, std::size_t k, ValueView& out) {
    view_of(static_cast<const U*>(p)[k], out);
}

// n values of one type read in place: a single argument, or a contiguous range
// (a column of 8001 series is written without copying it).
struct ArgRun {
    const void* p = nullptr;
    std::size_t n = 0;
    void (*get)(const void* p, std::size_t k, ValueView& out) = nullptr;
};

template <class T>
ArgRun arg_run(const T& v, std::forward_list<std::vector<FVal>>& spill) {
    using U = std::remove_cvref_t<T>;
    if constexpr (is_single_value<U>) {
        return {&v, 1, &get_value<U>};
    } else if constexpr (std::ranges::contiguous_range<const U&> && std::ranges::sized_range<const U&> &&
                         is_single_value<std::remove_cvref_t<std::ranges::range_value_t<const U&>>>) {
        using E = std::remove_cvref_t<std::ranges::range_value_t<const U&>>;
        return {std::ranges::data(v), static_cast<std::size_t>(std::ranges::size(v)), &get_value<E>};
    } else {
        // any other range: copied once into values
        std::vector<FVal>& held = spill.emplace_front();
        push_value(held, v);
        return {held.data(), held.size(), &get_value<FVal>};
    }
}
}  // namespace detail

// A layout string that cannot be parsed, or an item that cannot write (eW.d on
// output). On output this is a fault of the program; read_values and
// read_records report it as a ReadError, since input layouts may come from a
// data file or from the user.
struct LayoutError : std::invalid_argument {
    using std::invalid_argument::invalid_argument;
};

// The formatted text of one write statement. Records are separated by '\n';
// the text ends with '\n' unless the layout closes with '$' (a '$' reached while
// writing keeps the cursor on the line, as a prompt needs).
//
// Writing stops at the first data item for which no value remains; text, nX, tN
// and '/' before that item are still written. When values remain at the end of
// the layout, the record ends and the layout starts again at its last top-level
// parenthesised group (with its repeat count), or at its start when it has none.
// Columns skipped by nX or tN are blanks when something is written after them;
// a record ends at its last written column (no trailing blanks from a final nX).
// Reals are rounded from their exact binary value to the nearest, ties to even
// (0.125 in f5.2 is " 0.12", 2.5 in f3.0 is " 2."); a negative value that rounds
// to zero keeps its sign (-0.001 in f6.2 is " -0.00"); the leading 0 of a value
// below 1 is dropped only when the field is too narrow for it (0.5 in f3.2 is
// ".50"). A value too wide for its field prints as asterisks. A Statistic,
// and an FVal::nothing(), are shown as their declarations above say. (NaN and
// infinities print as "NaN", "Inf", "Infinity", but callers never hand one over.)
// An integer must meet an iN item and a real an fW.d item (asserted); a build
// without asserts converts the value.
std::string format_values(std::string_view layout, const std::vector<FVal>& values);

// The width of an fW.d field that shows v whole: its sign, digits, point and
// d decimals (with the 0 before the point of a value below 1).
int fixed_width(double v, int d);

// The descriptors "fW.d,fW.d,..." for the values v of a fixed-column table,
// one per value, never asterisks and never a value run into the one before
// it: the table's own fW.d for a value that leaves a blank before it in its
// field; otherwise the same width with as many of the d decimals as leave
// that blank; a value that does not fit even without decimals gets a field as
// wide as it needs, with a blank before it.
std::string fitted_reals(std::span<const float> v, int w, int d);
// The same with a width of its own for each value (widths has v.size()).
std::string fitted_reals(std::span<const float> v, std::span<const int> widths, int d);
// The descriptor of one value, as fitted_reals gives it.
std::string fitted_real(float v, int w, int d);
// The descriptor of a value that needs no blank before it, as the first
// figure after a label that ends in a colon: the table's own fW.d while the
// value fills its field, as many of the d decimals as fit it otherwise, and a
// field as wide as the value without decimals when none fit.
std::string fitted_real_after_label(float v, int w, int d);
// The same for statistics, measured as they are shown: a value that rounds
// to zero without its minus sign, the undefined value as its marker.
std::string fitted_reals(std::span<const Statistic> v, int w, int d);

// The same, with the values of the runs in order (what fmt passes).
std::string format_runs(std::string_view layout, std::span<const detail::ArgRun> runs);

// format_values of the arguments: integers, reals, texts (a char is a text of
// one character), and ranges of these, every element one value.
template <class... Args>
std::string fmt(std::string_view layout, const Args&... args) {
    std::forward_list<std::vector<FVal>> spill;
    const detail::ArgRun runs[] = {detail::arg_run(args, spill)..., detail::ArgRun{}};
    return format_runs(layout, std::span<const detail::ArgRun>(runs, sizeof...(Args)));
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
// line, at the column where it stands; fields past the end of the line read as
// blanks).
// Values come back as Int (iN), Real (fW.d) or Text (aN; `a` alone takes the
// rest of the line). A real field holds an optional sign, digits with an
// optional point and an optional exponent (1.5e2, 1.5d2, 1.5+2); with a point
// the point wins over d. '/' goes on in an empty record. ReadError: a character
// that does not belong in the field, an integer outside the 32-bit range, a real
// beyond the range of a 32-bit real, quoted text in the layout, a malformed
// layout.
std::vector<FVal> read_values(std::string_view layout, std::string_view line, int count = -1);

// The end of the input was reached inside a read_records call.
struct EndOfData : ReadError {
    using ReadError::ReadError;
};

// Reads `count` values by a layout over as many lines as it takes, as a
// Fortran read does: '/' and every restart of the layout go on to the next line.
// next_line returns the next line of the input, nullopt at its end (then
// EndOfData is thrown). Fields as for read_values.
std::vector<FVal> read_records(std::string_view layout,
                               const std::function<std::optional<std::string>()>& next_line,
                               int count);

// Free-form read: values separated by blanks, tabs or commas. Several separators
// in a row count as one (no empty values), and a '/' ends the values of the line.
std::vector<std::string> free_fields(std::string_view line);
// Reads an integer / a real free-form from the text of one field (blanks around
// it are ignored); ReadError when the field is not a number: an integer needs
// digits with an optional sign and must lie in the 32-bit range; a real needs at
// least one digit, may have a point and an exponent, and must be finite as a
// 32-bit real.
long long free_int(std::string_view field);
double free_real(std::string_view field);

}  // namespace kov
