#pragma once
// The questions of the single run options, by option number; optkey
// dispatches to them. Options 1 to 10 and 11 to 20 live in two files.
#include <string>

#include "options/option_questions.hpp"
#include "shared/tables.hpp"

namespace kov {

// Stores `value` in slot (k, j) unless the batch command reader would refuse
// the line that holds it; then the slot keeps its old value and false is
// returned, so that the question is asked again.
bool store_if_accepted(OptionBlock& o, int k, int j, int value);

inline bool in_range(int v, int lo, int hi) { return v >= lo && v <= hi; }

// A question with a list of codes, its default and its range, stored in (k,1):
// an empty answer takes the default, a code outside the range asks again.
template <class Show>
void enter_code(OptionBlock& o, int k, int default_code, int lo, int hi, Show show) {
    for (;;) {
        const NumberAnswer a = ask_number(k, show);
        const int v = a.empty ? default_code : a.value;
        if (in_range(v, lo, hi)) {
            o(k, 1) = v;
            return;
        }
    }
}

void enter_data_type(OptionBlock& o);
void enter_missing_data(OptionBlock& o);
void enter_transformation(OptionBlock& o);
void enter_first_detrending(OptionBlock& o);
void enter_second_detrending(OptionBlock& o);
void enter_general_detrending(OptionBlock& o);
void enter_interactive_work(OptionBlock& o);
void enter_index_calculation(OptionBlock& o);
void enter_ar_modelling(OptionBlock& o);
void enter_pooled_order(OptionBlock& o);
void enter_series_order(OptionBlock& o);
void enter_mean_chronology(OptionBlock& o);
void enter_variance_stabilisation(OptionBlock& o);
void enter_common_period(OptionBlock& o);
void enter_site_tree_core_mask(OptionBlock& o, std::string& stcmask);
void enter_running_rbar(OptionBlock& o);
void enter_printout(OptionBlock& o);
void enter_series_save(OptionBlock& o);
void enter_summary_plots(OptionBlock& o);
void enter_stand_dynamics(OptionBlock& o);

}  // namespace kov
