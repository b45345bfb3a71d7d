#include "options/optdesc.hpp"

#include <string_view>

namespace kov {

namespace {

// The text for one number and code, before padding; empty when the code has
// no text of its own.
std::string_view description_text(int number, int code) {
    switch (number) {
    case 1:
        // The code is a position in the line; the data type never leaves 1 to 4,
        // and anything else has no text rather than reading past the line.
        switch (code) {
        case 1: return "!tucson ring-width format";
        case 2: return "!uea cru tree-ring format";
        case 3: return "!tucson tree-ring index format";
        case 4: return "!tree-ring compact data format";
        }
        return {};
    case 2:
        return code == 0 ? "!missing values estimated (no plots)" : "!missing values estimated (w/ plots)";
    case 3:
        switch (code) {
        case 0: return "!no data transformation (no plots)";
        case 1: return "!log (rt) transform (no plots)";
        case 2: return "!log (rt+1/6) transform (no plots)";
        case 3: return "!inverse hypersine transform (no plots)";
        case 4: return "!spread/level power transform (no plots)";
        case 5: return "!adaptive power transform (no plots)";
        case -1: return "!log (rt) transform (w/ plots)";
        case -2: return "!log (rt+1/6) transform (w/ plots)";
        case -3: return "!inverse hypersine transform (w/ plots)";
        case -4: return "!spread/level power transform (w/ plots)";
        case -5: return "!adaptive power transform (w/ plots)";
        }
        return {};
    case 4:
    case 5:
        // Four blanks after the "!" take the "1st-", "2nd-" or "rcs-" mark of
        // the caller.
        if (code >= 10) return "!    spline curve (fixed 50% cutoff)";
        if (code <= -10) return "!    spline curve (pct n 50% cutoff)";
        switch (code) {
        case -6: return "!    age-dependent spline, init spline";
        case -5: return "!    friedman super smoother & alpha";
        case -4: return "!    lowess filter and percent length";
        case -3: return "!    median filter and window length";
        case -2: return "!    regional curve method (briffa rcs)";
        case -1: return "!    tree-ring first-differences";
        case 0: return "!    no detrending performed";
        case 1: return "!    neg expon curve (k>0), no = opt 4";
        case 2: return "!    neg expon curve (k>0), no = opt 5";
        case 3: return "!    neg expon curve (any k)";
        case 4: return "!    linear regression, any slope curve";
        case 5: return "!    linear regression, neg slope only";
        case 6: return "!    horizontal line through mean";
        case 7: return "!    hugershoff growth curve";
        case 8: return "!    general negative exponential curve";
        }
        return {};
    case 6:
        switch (code) {
        case 0: return "!no detrending - raw data or differences";
        case 1: return "!non-robust detrending methods used";
        case 2: return "!robust detrending methods used";
        }
        return {};
    case 7:
        switch (code) {
        case 0: return "!no interactive detrending";
        case 1: return "!interactive filling of gaps";
        case 2: return "!interactive detrending used";
        case 3: return "!interactive gap and detrend";
        }
        return {};
    case 8:
        switch (code) {
        case 0: return "!no indices - raw data or differences used";
        case 1: return "!tree-ring indices or ratios (rt/gt)";
        case 2: return "!residuals or differences (rt-gt)";
        }
        return {};
    case 9:
        switch (code) {
        case 0: return "!no autoregressive modeling done";
        case 1: return "!non-robust autoregressive modeling";
        case 2: return "!robust ar modeling (no plots)";
        case 3: return "!robust ar + outliers removed (no plots)";
        case -2: return "!robust ar modeling (w/ plots)";
        case -3: return "!robust ar + outliers removed (w/ plots)";
        }
        return {};
    case 10:
        // The two user-supplied texts are one character longer than the field
        // and lose their closing parenthesis to it.
        if (code == 0) return "!minimum aic pooled ar model order fit (no plots)";
        if (code >= 1) return "!user-supplied pooled ar model order fit (no plots)";
        if (code == -1) return "!minimum aic pooled ar model order fit (w/ plots)";
        return "!user-supplied pooled ar model order fit (w/ plots)";
    case 11:
        if (code == 0) return "!pooled ar order fit to all series";
        if (code == -1) return "!each series order fit by minimum aic";
        if (code >= 1) return "!supplied ar order fit to all series";
        return {};
    case 12:
        switch (code) {
        case 1: return "!no mean chronologies computed";
        case 2: return "!non-robust (arithmetic) mean chronology";
        case 3: return "!robust (biweight) mean chronology";
        case 5: return "!jth quantile tree-ring chronology";
        case 6: return "!arithmetic mean with bootstrap limits";
        case 7: return "!robust mean with bootstrap limits";
        case 8: return "!jth quantile with bootstrap limits";
        }
        return {};
    case 13:
        if (code <= -10) return "!spline stabilized (pct n 50% cutoff)";
        if (code >= 10) return "!spline stabilized (fixed 50% cutoff)";
        switch (code) {
        case 0: return "!no variance stabilization performed";
        case 1: return "!rbar weighted stabilization method";
        case 2: return "!rbar weighted & 67%n spline methods";
        }
        return {};
    case 14:
        return code <= 0 ? "!no common period analysis performed" : "!first and last years of common period";
    case 15:
        return "!site-tree-core separation mask";
    case 16:
        if (code == 0) return "!no running rbar analysis performed";
        return code >= 1 ? "!running rbar window/overlap (no plots)" : "!running rbar window/overlap (w/ plots)";
    case 17:
        switch (code) {
        case 1: return "!summary statistics of ensemble printed";
        case 2: return "!summary & series statistics printed";
        case 3: return "!summary, series & long list chronology";
        case 4: return "!summary, series, long list, curve plts";
        }
        return {};
    case 18:
        switch (code) {
        case 0: return "!no individual core series saved";
        case 1: return "!series saved in tucson raw data format";
        case 2: return "!series saved in tucson index format";
        case 3: return "!series saved in uea cru index format";
        case 4: return "!series saved in compact data format";
        case 5: return "!series saved in space-delimited columns";
        case 6: return "!series saved in tab-delimited columns";
        case 7: return "!series saved in comma-delimited columns";
        }
        return {};
    case 19:
        switch (code) {
        case 0: return "!no spaghetti and mean chronology plots";
        case 1: return "!spaghetti plots of all series";
        case 2: return "!mean chronology plots";
        case 3: return "!spaghetti and mean chronology plots";
        }
        return {};
    case 20:
        switch (code) {
        case 0: return "!no stand dynamics analyses done";
        case 1: return "!endogenous outlier analysis done";
        case 2: return "!nowacki/abrams release detection";
        case 3: return "!nowacki/abrams (modified by vane)";
        }
        return {};
    case 21: return "!running mean window width";
    case 22: return "!percent growth change threshold";
    case 23: return "!standard error limit threshold";
    }
    return "!bloody hell if i know!";
}

}  // namespace

std::string optdesc(int number, int code) {
    std::string text(description_text(number, code).substr(0, optdesc_width));
    text.resize(optdesc_width, ' ');
    return text;
}

}  // namespace kov
