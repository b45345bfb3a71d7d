#pragma once
// The run option block: defaults, the description code of every listing line,
// and the checks that keep a later phase from dividing by zero.
#include <string>

#include "shared/tables.hpp"

namespace kov {

// Default site-tree-core mask.
inline constexpr const char* default_stcmask = "SSSTTCC ";

// Sets every used slot to its default and the mask to "SSSTTCC ". The plot
// switches (2,2) and (20,5) keep their values, so that with a menu per data
// file a yes to these two plots carries over to the next file.
void set_option_defaults(OptionBlock& ov, std::string& mask);

// The mean-chronology description code: 1 without a mean chronology; 2, 3, 5
// for arithmetic, biweight and quantile means; 6, 7, 8 for the same with
// bootstrap limits.
int mean_chronology_code(int mean, int bootstrap);

// The description code of listing line `line` (1 to 20: the options, 21 to 23:
// the stand-dynamics thresholds) as every listing of options hands it to
// optdesc; a set plot switch makes the code negative.
int description_code(const OptionBlock& ov, int line);

// How the second detrending line is marked.
enum class SecondPassMark {
    second,          // always "2nd-" (the batch command file)
    rcs_if_regional  // "rcs-" while (4,1) is -2, else "2nd-" (the listings and the reader's echo)
};

// The 50-character description of listing line `line`, with "1st-" over
// characters 2 to 5 on line 4 and "2nd-" or "rcs-" on line 5.
std::string option_description(const OptionBlock& ov, int line,
                               SecondPassMark mark = SecondPassMark::rcs_if_regional);

// Detrending codes that name no curve (-9, -8, -7 and 9): refused for both
// passes by the keyboard entry and the batch command reader.
bool is_no_curve_code(int code);

// What is wrong with the values of one listing line, if anything: a value
// that the option's keyboard entry would not store, or one within its range on
// which a later phase would divide by zero or stop.
struct OptionCheck {
    std::string what;  // names the value and why it is refused; empty: nothing wrong
    explicit operator bool() const { return !what.empty(); }
};

// Checks the values of listing line `line` (1 to 23) as they stand in the
// block. Lines 21 to 23 are checked against the stand-dynamics code (20,1).
// The batch command reader refuses a line on any finding; the keyboard entry
// can ask again on the same findings. The median and lowess widths of lines 4
// and 5 are not checked here: the reader corrects them or stops on them.
OptionCheck check_option(const OptionBlock& ov, int line);

}  // namespace kov
