#include "options/option_entry.hpp"

#include "options/option_block.hpp"
#include "options/option_entry_parts.hpp"
#include "options/option_questions.hpp"
#include "shared/console.hpp"

namespace kov {

bool store_if_accepted(OptionBlock& o, int k, int j, int value) {
    // The three stand-dynamics thresholds have listing lines of their own.
    const int line = (k == 20 && j >= 2) ? 19 + j : k;
    const int old = o(k, j);
    o(k, j) = value;
    if (check_option(o, line)) {
        o(k, j) = old;
        return false;
    }
    return true;
}

void optkey(int option, OptionBlock& optval, std::string& stcmask) {
    con().line("");
    text_line("input control parameters from keyboard");
    con().line("");
    text_line("hit <ret> for any specified default <parameters>");
    switch (option) {
        case 2: enter_missing_data(optval); break;
        case 3: enter_transformation(optval); break;
        case 4: enter_first_detrending(optval); break;
        case 5: enter_second_detrending(optval); break;
        case 6: enter_general_detrending(optval); break;
        case 7: enter_interactive_work(optval); break;
        case 8: enter_index_calculation(optval); break;
        case 9: enter_ar_modelling(optval); break;
        case 10: enter_pooled_order(optval); break;
        case 11: enter_series_order(optval); break;
        case 12: enter_mean_chronology(optval); break;
        case 13: enter_variance_stabilisation(optval); break;
        case 14: enter_common_period(optval); break;
        case 15: enter_site_tree_core_mask(optval, stcmask); break;
        case 16: enter_running_rbar(optval); break;
        case 17: enter_printout(optval); break;
        case 18: enter_series_save(optval); break;
        case 19: enter_summary_plots(optval); break;
        case 20: enter_stand_dynamics(optval); break;
        // A number outside 1 to 20 is taken as the data type.
        default: enter_data_type(optval); break;
    }
}

void optkey(int option) { optkey(option, shared().optval, shared().stcmask); }

}  // namespace kov
