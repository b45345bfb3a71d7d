#include "options/option_block.hpp"

#include <initializer_list>

#include "options/optdesc.hpp"

namespace kov {

void set_option_defaults(OptionBlock& ov, std::string& mask) {
    ov(1, 1) = 1;
    ov(2, 1) = -9;
    ov(3, 1) = 0;
    ov(3, 2) = 0;
    ov(4, 1) = -6;
    ov(4, 2) = 20;
    ov(4, 3) = 0;
    ov(5, 1) = 0;
    ov(5, 2) = 0;
    ov(5, 3) = 0;
    ov(6, 1) = 1;
    ov(7, 1) = 0;
    ov(8, 1) = 1;
    ov(9, 1) = 1;
    ov(9, 2) = 0;
    ov(9, 3) = 0;
    ov(10, 1) = 0;
    ov(10, 2) = 0;
    ov(11, 1) = 0;
    ov(12, 1) = 2;
    ov(12, 2) = 0;
    ov(12, 3) = 0;
    ov(12, 4) = 0;
    ov(13, 1) = 1;
    ov(14, 1) = 0;
    ov(14, 2) = 0;
    ov(15, 1) = 0;
    mask = default_stcmask;
    ov(16, 1) = 50;
    ov(16, 2) = 25;
    ov(16, 3) = 0;
    ov(17, 1) = 2;
    ov(18, 1) = 0;
    ov(19, 1) = 0;
    ov(20, 1) = 0;
    ov(20, 2) = 0;
    ov(20, 3) = 0;
    ov(20, 4) = 0;
}

int mean_chronology_code(int mean, int bootstrap) {
    if (mean == 0) return 1;
    int code = 0;  // a mean code the option ranges exclude has no text
    if (mean == 1) code = bootstrap == 1 ? 6 : 2;
    else if (mean == 2) code = bootstrap == 1 ? 7 : 3;
    else if (mean < 0) code = bootstrap == 1 ? 8 : 5;
    return code;
}

int description_code(const OptionBlock& ov, int line) {
    switch (line) {
    case 2: return ov(2, 2);
    case 3: return ov(3, 2) != 0 ? -ov(3, 1) : ov(3, 1);
    case 9: return ov(9, 3) != 0 ? -ov(9, 1) : ov(9, 1);
    case 10: return ov(10, 2) != 0 ? -(ov(10, 1) + 1) : ov(10, 1);
    case 12: return mean_chronology_code(ov(12, 1), ov(12, 3));
    case 16: return ov(16, 3) == 1 ? -ov(16, 1) : ov(16, 1);
    case 21: return ov(20, 2);
    case 22: return ov(20, 3);
    case 23: return ov(20, 4);
    }
    if (line >= 1 && line <= 20) return ov(line, 1);
    return 0;
}

std::string option_description(const OptionBlock& ov, int line, SecondPassMark mark) {
    std::string text = optdesc(line, description_code(ov, line));
    if (line == 4) {
        text.replace(1, 4, "1st-");
    } else if (line == 5) {
        bool rcs = mark == SecondPassMark::rcs_if_regional && ov(4, 1) == -2;
        text.replace(1, 4, rcs ? "rcs-" : "2nd-");
    }
    return text;
}

bool is_no_curve_code(int code) { return code == -9 || code == -8 || code == -7 || code == 9; }

namespace {

bool within(int v, int lo, int hi) { return v >= lo && v <= hi; }

// A value outside lo..hi, named as the refusal says it.
OptionCheck out_of_range(const char* name, int v, int lo, int hi) {
    return {std::string(name) + " " + std::to_string(v) + " is outside " + std::to_string(lo) + " to " + std::to_string(hi)};
}

// The first of the named values that lies outside its range, if any.
struct Ranged {
    const char* name;
    int v, lo, hi;
};
OptionCheck first_out_of_range(std::initializer_list<Ranged> values) {
    for (const Ranged& r : values)
        if (!within(r.v, r.lo, r.hi)) return out_of_range(r.name, r.v, r.lo, r.hi);
    return {};
}
OptionCheck hazard(std::string what) { return {std::move(what)}; }

// A plot switch is 0 or 1: a plot phase that tests for "not 0" would draw, and
// stop a batch run in its plot menu, on any other value.
Ranged plot_switch(const char* name, int v) { return {name, v, 0, 1}; }

// The age-dependent spline starts from this stiffness and grows stiffer along
// the series; it cannot be fitted from a stiffness below 5 years. The codes
// between the percent splines and the smoothers (-9, -8, -7) and between the
// growth curves and the fixed splines (9) name no curve at all.
// Regional curve standardisation is a first detrending only: as a second pass
// it would standardise indices by a curve of their ages.
OptionCheck detrending(const OptionBlock& ov, int k) {
    const int code = ov(k, 1);
    const std::string pass = k == 4 ? "first" : "second";
    if (is_no_curve_code(code))
        return hazard(pass + " detrending code " + std::to_string(code) + " is not a curve option");
    if (k == 5 && code == -2)
        return hazard("second detrending code -2 is the regional curve, a first detrending only");
    if (code == -6 && ov(k, 2) < 5)
        return hazard("age-dependent spline stiffness " + std::to_string(ov(k, 2)) + " is below 5 years");
    return first_out_of_range({plot_switch(k == 4 ? "first detrending plot switch" : "second detrending plot switch",
                                           ov(k, 3))});
}

}  // namespace

OptionCheck check_option(const OptionBlock& ov, int line) {
    switch (line) {
    case 1:
        return first_out_of_range({{"data type", ov(1, 1), 1, 4}});
    case 2:
        return first_out_of_range({plot_switch("gap fill plot switch", ov(2, 2))});
    case 3:
        return first_out_of_range({{"transformation", ov(3, 1), 0, 5},
                                   plot_switch("transformation plot switch", ov(3, 2))});
    case 4:
    case 5:
        return detrending(ov, line);
    case 6:
        // Robust detrending is listed by the entry but not there: 1 is the one method.
        if (ov(6, 1) != 1)
            return {"general detrending method " + std::to_string(ov(6, 1)) + " is not 1, the only method there is"};
        break;
    case 7:
        return first_out_of_range({{"interactive option", ov(7, 1), 0, 3}});
    case 8:
        return first_out_of_range({{"index type", ov(8, 1), 1, 2}});
    case 9:
        if (OptionCheck c = first_out_of_range({{"ar modeling method", ov(9, 1), 0, 3},
                                                {"ar outlier criterion", ov(9, 2), 0, 3},
                                                plot_switch("ar outlier plot switch", ov(9, 3))}))
            return c;
        // Robust modelling scales its outlier limit by the criterion; 0 names no limit.
        if (ov(9, 1) >= 2 && !within(ov(9, 2), 1, 3))
            return hazard("ar outlier criterion " + std::to_string(ov(9, 2)) +
                          " is outside 1 to 3 with robust ar modeling");
        break;
    case 10:
        return first_out_of_range({{"pooled ar order", ov(10, 1), 0, 10},
                                   plot_switch("pooled ar plot switch", ov(10, 2))});
    case 11:
        return first_out_of_range({{"series ar order", ov(11, 1), -1, 10}});
    case 12:
        if (OptionCheck c = first_out_of_range({{"mean chronology", ov(12, 1), -100, 2},
                                                {"bootstrap switch", ov(12, 3), 0, 1},
                                                plot_switch("bootstrap plot switch", ov(12, 2))}))
            return c;
        if (ov(12, 3) == 1 && ov(12, 4) < 5)
            return hazard("bootstrap spline period " + std::to_string(ov(12, 4)) + " is below 5 years");
        break;
    case 14:
        // Both years set and in the wrong order leave no year in common.
        if (ov(14, 1) != 0 && ov(14, 2) != 0 && ov(14, 2) < ov(14, 1))
            return hazard("common period last year " + std::to_string(ov(14, 2)) + " is before its first year " +
                          std::to_string(ov(14, 1)));
        break;
    case 16:
        if (OptionCheck c = first_out_of_range({plot_switch("running rbar plot switch", ov(16, 3))})) return c;
        // The windows advance by window less overlap: no advance, no end.
        if (ov(16, 1) > 0 && ov(16, 2) >= ov(16, 1))
            return hazard("running rbar overlap " + std::to_string(ov(16, 2)) + " is not below its window " +
                          std::to_string(ov(16, 1)));
        break;
    case 17:
        return first_out_of_range({{"printout", ov(17, 1), 1, 4}});
    case 18:
        return first_out_of_range({{"save format", ov(18, 1), 0, 7}});
    case 19:
        return first_out_of_range({{"summary plots", ov(19, 1), 0, 3}});
    case 20:
        return first_out_of_range({{"stand dynamics", ov(20, 1), 0, 3},
                                   plot_switch("stand dynamics plot switch", ov(20, 5))});
    case 21:
    case 22:
    case 23: {
        static constexpr const char* name[] = {"running mean window", "percent growth change", "standard error limit"};
        static constexpr int upper[] = {50, 200, 5};
        static constexpr int lower[] = {5, 5, 0};
        const int i = line - 21;
        const int v = ov(20, line - 19);
        // The lower bounds hold for release detection only.
        if (ov(20, 1) == 2 || ov(20, 1) == 3) return first_out_of_range({{name[i], v, lower[i], upper[i]}});
        if (v > upper[i]) return {std::string(name[i]) + " " + std::to_string(v) + " is above " + std::to_string(upper[i])};
        break;
    }
    }
    return {};
}

}  // namespace kov
