#include "series/compact.hpp"

#include <cfloat>
#include <cmath>
#include <vector>

#include "series/fixed_text.hpp"
#include "series/header_scan.hpp"
#include "shared/capacities.hpp"
#include "shared/console.hpp"
#include "shared/layout.hpp"
#include "shared/stop.hpp"

namespace kov {

namespace {

// 10 to the power e in 32-bit reals, by repeated multiplication as a real
// raised to an integer power is formed.
float ten_to(int e) {
    float p = 1.0f;
    for (int k = 0; k < std::abs(e); ++k) p *= 10.0f;
    return e < 0 ? 1.0f / p : p;
}

// The four lines of a fatal reading error, then the wait and the stop.
[[noreturn]] void cdf_failure(std::string_view message, const std::string& id, int first_year, int count,
                              const std::string& layout, const std::string& line) {
    stop_after_wait("\n" + fmt("(t2,a)", std::string(message)) +
                    fmt("(t2,a,1x,2i6,2x,a)", id, first_year, count, layout) + fmt("(t2,a)", line));
}

}  // namespace

void cdf(std::string& id, std::span<float> values, int& first_year, int& count, int& series_counter,
         TextIn& in, std::string& title) {
    id = std::string(8, ' ');
    std::string line, layout(8, ' ');
    const auto found = scan_header(in, "(1x,i7,2x,i8,3x,a8)", title, line, [&](int unreadable, const std::string& l) {
        if (unreadable <= 3)
            con().write("(1x,a)", l);
        else
            cdf_failure("*** header line read error in sbr cdf: ", id, first_year, count, layout, l);
    });
    if (!found) {
        count = -999;
        series_counter = -999;
        return;
    }
    const std::vector<FVal>& head = *found;
    count = static_cast<int>(head[0].i);
    first_year = static_cast<int>(head[1].i);
    // The identifier begins in column 22 and takes 8 columns: characters in a
    // header of valid UTF-8, as the writer puts it there whole. The exponent
    // and the layout string stand at their bytes after it.
    id = in_columns(column_slice(std::string_view(line).substr(21, 47), 0, 8), 8);
    const int ld = static_cast<int>(values.size());
    if (count > ld) {
        // in words: a count of eight digits would not fit a narrow field
        stop_after_wait(fmt("(/t2,'*** series length exceeds maximum allowable length: series ',a,' has ',a,"
                            "' values, the limit is ',a)",
                            rtrim(id), std::to_string(count), std::to_string(ld)));
    }
    int exponent = 0;
    try {
        auto e = read_values("(i3)", std::string_view(line).substr(68, 3));
        if (!e.empty()) exponent = static_cast<int>(e[0].i);
    } catch (const ReadError&) {
        cdf_failure("*** exponent read error in sbr cdf: ", id, first_year, count, layout, line);
    }
    layout = line.substr(71, 8);
    // A layout that cannot hold the values would otherwise read nothing for ever.
    if (layout.find('(') == std::string::npos || layout.find(')') == std::string::npos)
        cdf_failure("*** value layout error in sbr cdf: ", id, first_year, count, layout, line);

    int got = 0;
    std::vector<int> empty_at;  // values whose field held nothing
    while (got < count) {
        auto raw = next_nonblank(in);
        if (!raw) cdf_failure("*** end of file in the data of sbr cdf: ", id, first_year, count, layout, "");
        std::vector<FVal> v;
        bool ok = true;
        try {
            v = read_values(layout, *raw);
        } catch (const std::exception&) {
            ok = false;
        }
        size_t numbers = 0;
        for (const FVal& f : v)
            if (f.kind != FVal::Text) ++numbers;
        if (!ok || numbers == 0) {
            in.backspace();
            auto again = in.read_line();
            cdf_failure("*** error reading data in sbr cdf: ", id, first_year, count, layout,
                        again ? *again : std::string());
        }
        for (const FVal& f : v) {
            if (got >= count) break;
            if (f.kind == FVal::Text) continue;
            if (f.blank) empty_at.push_back(got);
            values[got++] = f.kind == FVal::Real ? static_cast<float>(f.r) : static_cast<float>(f.i);
        }
    }
    const float scale = ten_to(exponent);
    for (int i = 0; i < count; ++i) {
        const float digits = values[i];
        values[i] *= scale;
        // An exponent that takes a value out of what the program can carry
        // (or a value to nothing) is a broken header, not a measurement.
        if (!carried_value(values[i]) || (digits != 0.0f && std::fabs(values[i]) < FLT_MIN))
            cdf_failure("*** value out of range for its exponent in sbr cdf: ", id, first_year, count, layout,
                        line);
    }
    // A field cut off or left blank holds no measurement: a missing value for
    // the gap scan, not a ring of width 0.
    for (int i : empty_at) values[i] = xmiss;
    if (!empty_at.empty())
        streams().luout.write("(t2,'*** warning: series ',a8,' has',i6,' empty value fields: taken as missing values')",
                              id, static_cast<int>(empty_at.size()));
    ++series_counter;
}

namespace {

// The integers and the exponent under which a series is written: value i is
// work[i] times 10 to the power e. Returns e and the field width w.
struct CompactScale {
    int e = 0;
    int w = 1;
};

CompactScale compact_integers(std::span<const float> values, std::span<int> work) {
    const size_t n = values.size();
    // The largest magnitude and where it first stands; the bound leaves one
    // more column for the sign of a negative value.
    float a = -1.0f;
    size_t j = 0;
    float b = 1.0f;
    for (size_t i = 0; i < n; ++i) {
        float v = values[i];
        if (std::fabs(v) > a) {
            a = std::fabs(v);
            j = i;
        }
        b = std::max(b, std::max(v, -10.0f * v));
    }
    int s = -16;
    for (int e = 16; e >= -16; --e) {
        if (ten_to(e) * b < 999999.5f) {
            s = e;
            break;
        }
    }
    const float scale = ten_to(s);
    for (size_t i = 0; i < n; ++i) work[i] = static_cast<int>(nint(values[i] * scale));

    // Trailing zeros common to every integer shorten the field.
    CompactScale c;
    long long d = 1000000;
    long long p = 10;
    for (int k = 1; k <= 6; ++k, p *= 10) {
        bool all = true;
        for (size_t i = 0; i < n && all; ++i)
            if (work[i] % p != 0) all = false;
        if (!all) {
            d = p / 10;
            c.w = 7 - k;
            break;
        }
    }
    if (d >= 10)
        for (size_t i = 0; i < n; ++i) work[i] = static_cast<int>(work[i] / d);

    if (n > 0 && work[j] != 0) {
        float ratio = a / static_cast<float>(work[j]);
        if (ratio < 0) ratio = -ratio;
        if (ratio > 0) c.e = static_cast<int>(nint(std::log10(ratio)));
    }
    return c;
}

}  // namespace

void wrcdf(std::string_view id, std::span<const float> values, std::span<int> work, int count, int first_year,
           OutFile& out, std::string_view tag) {
    if (count < 1) return;
    const size_t n = static_cast<size_t>(count);
    std::vector<int> local;
    if (work.size() < n) {
        local.resize(n);
        work = local;
    }
    const CompactScale c = compact_integers(values.first(n), work);
    const int per_line = 80 / c.w;
    const std::string head_layout = fmt("('(',i2,'f',i1,'.0)')", per_line, c.w).substr(0, 8);
    const std::string value_layout = fmt("('(',i2,'i',i1,')  ')", per_line, c.w).substr(0, 8);
    out.write("(i8,'=n',i8,'=i ',a,t69,i3,a,'~',1x,a)", count, first_year, rtrim(id), c.e, head_layout,
              padded(tag, 3));
    out.write(rtrim(value_layout), std::span<const int>(work.data(), n));
}

}  // namespace kov
