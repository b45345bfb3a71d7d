// Keyboard entry of run options 1 to 10: data type to pooled AR order.
#include "options/option_block.hpp"
#include "options/option_entry_parts.hpp"
#include "options/option_questions.hpp"
#include "shared/console.hpp"

namespace kov {

namespace {

// The growth curves common to both detrending lists, from the negative
// exponential on.
void curve_choices() {
    choice_line("no detrending applied", " 0");
    choice_line("neg expon curve (k>0), no = opt 4", " 1");
    choice_line("neg expon curve (k>0), no = opt 5", " 2");
    choice_line("neg expon curve (any k)", " 3");
    choice_line("linear regression (any slope)", " 4");
    choice_line("linear regression (neg slope)", " 5");
    choice_line("horizontal line (arithmetic mean)", " 6");
    choice_line("hugershoff growth curve", " 7");
    choice_line("general negative exponential curve", " 8");
    choice_line("smoothing spline (fixed n cutoff)", ">9");
    choice_prompt_at37("smoothing spline (pct n cutoff)", "<-9");
}

// The initial stiffness of the age-dependent spline, for option `option`
// (4, or 5 under regional curve standardisation). The slot already holds the
// default, which an empty answer keeps.
void ask_stiffness(OptionBlock& o, int option, int default_years) {
    const bool first = default_years == 20;
    for (;;) {
        const NumberAnswer a = ask_number(option, [&] {
            con().line("");
            text_line("Melvin age-dependent spline:");
            text_line("Initial spline stiffness related");
            text_line("to tree age must be selected. The");
            text_line(first ? "default is 20 years. After that" : "default is 10 years. After that");
            text_line("the spline gets stiffer one year.");
            text_line("at a time over the series length.");
            text_line(first ? "Hit <Ret> for the 20-yr default." : "Hit <Ret> for the 10-yr default.");
            prompt_line("Enter initial spline stiffness");
        });
        if (a.empty) return;
        // The regional curve takes 5 years or more. For the first pass any
        // number is taken that the batch command reader will read back: a
        // stiffness below 5 is not.
        if (option == 5 && a.value < 5) continue;
        if (store_if_accepted(o, option, 2, a.value)) return;
    }
}

// The smoother parameters of codes -5, -4 and -3, stored in (option, 2).
// False when the answer was empty: the caller shows its list again.
bool ask_sensitivity(OptionBlock& o, int option) {
    for (;;) {
        const NumberAnswer a = ask_number(option, [] {
            con().line("");
            text_line("enter variable span tweeter sensitivity.");
            text_line("it ranges from 0 to 9, from most sensitive");
            text_line("to least sensitive: suggested default is 5,");
            text_line("but you will probably want to experiment.");
            prompt_line("so enter your tweeter sensitivity now");
        });
        if (a.empty) return false;
        if (in_range(a.value, 0, 9)) {
            o(option, 2) = a.value;
            return true;
        }
    }
}

bool ask_window(OptionBlock& o, int option, bool median) {
    for (;;) {
        const NumberAnswer a = ask_number(option, [&] {
            con().line("");
            if (median) {
                text_line("enter the median window width");
                text_line("fixed for all series: a positive odd integer >2");
            } else {
                text_line("enter the lowess window width");
                text_line("fixed for all series: a positive integer >2");
            }
            text_line("and less then the shortest series length, or");
            text_line("percent of series length: a negative integer");
            prompt_line("between -1 and -100, inclusive");
        });
        if (a.empty) return false;
        const int v = a.value;
        const bool fixed = v >= 3 && (!median || v % 2 == 1);
        if (fixed || in_range(v, -100, -1)) {
            o(option, 2) = v;
            return true;
        }
    }
}

}  // namespace

void enter_data_type(OptionBlock& o) {
    enter_code(o, 1, 1, 1, 4, [] {
        con().line("");
        text_line("tree-ring measurement types (/ to exit, h for help):");
        choice_line("raw measurements  (tucson format)", "<1>");
        choice_line("tree-ring series (uea cru format)", " 2");
        choice_line("tree-ring indices (tucson format)", " 3");
        choice_line("tree-ring series in compact format", " 4");
        prompt_line("enter your data format type");
    });
}

void enter_missing_data(OptionBlock& o) {
    const NumberAnswer a = ask_number(2, [] {
        con().line("");
        text_line("missing data fill-in capability is automatic.");
        text_line("any number .lt. 0, except -9999, is regarded");
        text_line("as a missing datum. if your missing data flag");
        text_line("is not negative, or it equals -9999, quit the");
        text_line("program and change your missing data flag!");
        prompt_line("enter <ret> to continue or / to quit");
    });
    o(2, 1) = a.empty ? -9 : a.value;
    ask_plot(o(2, 2), "plot the in-filled data? y/<n>");
}

void enter_transformation(OptionBlock& o) {
    int v = 0;
    for (;;) {
        const NumberAnswer a = ask_number(3, [] {
            con().line("");
            text_line("data transformation options (/ to exit, h for help):");
            choice_line("no data transformation", "<0>");
            choice_line("natural log (rt)", " 1");
            choice_line("natural log (rt+1/6)", " 2");
            choice_line("inverse hypersine (rt)", " 3");
            choice_line_remark("adaptive power transform (rt^p)", " 4", "(*** experimental!!! ***)");
            prompt_line("enter transformation method");
        });
        v = a.empty ? 0 : a.value;
        // Transformed series are indexed by differences, raw ones by ratios:
        // every code read sets the index type; option 8 may change it after.
        o(8, 1) = v == 0 ? 1 : 2;
        if (in_range(v, 0, 5)) break;
    }
    o(3, 1) = v;
    if (v > 0) ask_plot(o(3, 2), "plot the transformed data? y/<n>");
}

void enter_first_detrending(OptionBlock& o) {
    for (;;) {
        const NumberAnswer a = ask_number(4, [] {
            con().line("");
            text_line("first tree-ring detrending options:");
            text_line("  enter (/ to exit, h for help):");
            con().line("");
            choice_line_at37("age dependent spline ", "<-6>");
            choice_line("friedman variable span smoother", "-5");
            choice_line("lowess robust smoothing method", "-4");
            choice_line("median filter sharpening/smoothing", "-3");
            choice_line("regional curve (rcs) detrending", "-2");
            choice_line("first differences", "-1");
            curve_choices();
        });
        const int v = a.empty ? -6 : a.value;
        if (is_no_curve_code(v)) continue;
        o(4, 1) = v;
        if (v == -6) {
            o(4, 2) = 20;
            ask_stiffness(o, 4, 20);
        } else if (v == -5) {
            if (!ask_sensitivity(o, 4)) continue;
        } else if (v == -4 || v == -3) {
            if (!ask_window(o, 4, v == -3)) continue;
        } else if (v == -2) {
            o(4, 2) = 0;
        }
        break;
    }
    ask_plot(o(4, 3), "plot data with curve fits? y/<n>");
}

void enter_second_detrending(OptionBlock& o) {
    for (;;) {
        const bool regional = o(4, 1) == -2;
        const NumberAnswer a = ask_number(5, [&] {
            con().line("");
            text_line(regional ? "rcs growth curve option (/ to exit, h for help):"
                               : "second detrending options: (/ to exit, h for help):");
            con().line("");
            choice_line("age dependent spline ", "-6");
            choice_line("friedman variable span smoother", "-5");
            choice_line("lowess robust smoothing method", "-4");
            choice_line("median filter sharpening/smoothing", "-3");
            curve_choices();
        });
        if (a.empty) continue;
        const int v = a.value;
        if (v == -2) {
            con().line("");
            text_line("*** rcs option not allowed for 2nd detrending ***");
            continue;
        }
        if (is_no_curve_code(v)) continue;
        o(5, 1) = v;
        if (v == -6 && regional) {
            o(5, 2) = 10;
            ask_stiffness(o, 5, 10);
        } else if (v == -6) {
            // The second pass asks no stiffness, so (5,2) may still hold a
            // value the age-dependent spline cannot start from (0 after the
            // defaults); the batch command reader would then refuse the whole
            // file. Such a value gives way to the default stiffness.
            if (!store_if_accepted(o, 5, 2, o(5, 2))) o(5, 2) = 20;
        } else if (v == -4 || v == -3) {
            if (!ask_window(o, 5, v == -3)) continue;
        }
        break;
    }
    ask_plot(o(5, 3), "plot data with curve fits? y/<n>");
}

void enter_general_detrending(OptionBlock& o) {
    // Robust fitting is listed but not there yet: only 1 is taken.
    enter_code(o, 6, 1, 1, 1, [] {
        con().line("");
        text_line("general detrending options (/ to exit, h for help):");
        choice_line("non-robust (lsq) methods", "<1>");
        choice_line_remark("robust detrending methods", " 2", "(*** not yet enabled ***)");
        prompt_line("enter detrending method");
    });
}

void enter_interactive_work(OptionBlock& o) {
    enter_code(o, 7, 0, 0, 3, [] {
        con().line("");
        text_line("interactive detrending (/ to exit, h for help):");
        choice_line("no interactive detrending", "<0>");
        choice_line("interactive gap filling", " 1");
        choice_line("interactive detrending", " 2");
        choice_prompt("interactive gap and detrend", " 3");
    });
}

void enter_index_calculation(OptionBlock& o) {
    // Ratios suit raw series, differences transformed ones: the default
    // follows the transformation chosen.
    const bool ratios = o(3, 1) == 0;
    enter_code(o, 8, ratios ? 1 : 2, 1, 2, [&] {
        con().line("");
        text_line("compute detrended tree rings (/ to exit, h for help):");
        choice_line("indices or ratios (rt/gt)", ratios ? "<1>" : " 1");
        choice_prompt("residuals or differences (rt-gt)", ratios ? " 2" : "<2>");
    });
}

void enter_ar_modelling(OptionBlock& o) {
    enter_code(o, 9, 1, 0, 3, [] {
        con().line("");
        text_line("ar prewhitening options (/ to exit, h for help):");
        choice_line("no autoregressive modeling", " 0");
        choice_line("non-robust autoregressive modeling", "<1>");
        choice_line("robust autoregressive modeling", " 2");
        choice_line_remark("robust ar modeling + outlier removal", " 3", "(*** experimental!!! ***)");
        prompt_line("enter prewhitening type");
    });
    if (o(9, 1) < 2) return;
    for (;;) {
        const NumberAnswer a = ask_number(9, [] {
            con().line("");
            text_line("enter your AR outlier detection criterion:");
            choice_line(" 2.00 standard deviation detection", " 1");
            choice_line(" 2.58 standard deviation detection", " 2");
            choice_line(" 3.50 standard deviation detection", "<3>");
            prompt_line("enter your detection limit");
        });
        const int c = a.empty ? 3 : a.value;
        // 0 names no threshold: robust modelling would have none to test
        // against, and the batch command reader refuses it.
        if (in_range(c, 0, 3) && store_if_accepted(o, 9, 2, c)) break;
    }
    ask_plot(o(9, 3), "plot the autoregressive outliers? y/<n>");
}

void enter_pooled_order(OptionBlock& o) {
    enter_code(o, 10, 0, 0, 10, [] {
        con().line("");
        text_line("pooled ar model order options (/ to exit, h for help):");
        choice_line("minimum aic order selection", "<0>");
        choice_prompt("user-fixed ar order (max=10)", "ip");
    });
    ask_plot(o(10, 2), "plot pooled ar modelling results? y/<n>");
}

}  // namespace kov
