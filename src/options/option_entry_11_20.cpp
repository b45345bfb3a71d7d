// Keyboard entry of run options 11 to 20: series AR order to stand dynamics.
#include "options/option_entry_parts.hpp"
#include "options/option_help.hpp"
#include "options/option_questions.hpp"
#include "shared/console.hpp"
#include "shared/stop.hpp"

namespace kov {

void enter_series_order(OptionBlock& o) {
    enter_code(o, 11, 0, -1, 10, [] {
        con().line("");
        text_line("series ar model order options (/ to exit, h for help):");
        choice_line("same order as pooled ar model", "<0>");
        choice_line("minimum aic order selection", "-1");
        choice_prompt("user-fixed ar order (max=10)", "ip");
    });
}

void enter_mean_chronology(OptionBlock& o) {
    enter_code(o, 12, 2, -100, 2, [&] {
        // A visit to option 12 starts from nothing: no earlier mean or
        // bootstrap choice survives a help page or a wrong answer either.
        o(12, 1) = o(12, 2) = o(12, 3) = o(12, 4) = 0;
        con().line("");
        text_line("mean chronology options (/ to exit, h for help):");
        choice_line("no mean chronologies computed", " 0");
        choice_line("non-robust (arithmetic) mean", " 1");
        choice_line("robust (biweight) mean", "<2>");
        choice_prompt("quantile (min -1 to max -100)", "<0");
    });
    if (o(12, 1) == 0) return;
    ask_yes_no(o(12, 3), [] {
        con().line("");
        text_line("compute bootstrap confidence limits?");
        text_line("be advised that no mean chronology");
        text_line("variance stabilization is allowed if");
        text_line("bootstrop limits are computed . . so");
        prompt_line("compute bootstrap confidence limits? y/<n>");
    });
    if (o(12, 3) == 0) return;
    o(12, 4) = 20;
    o(13, 1) = 0;
    ask_plot(o(12, 2), "plot the bootstrap results? y/<n>");
}

void enter_variance_stabilisation(OptionBlock& o) {
    const NumberAnswer a = ask_number(13, [] {
        con().line("");
        text_line("variance stabilization (/ to exit, h for help):");
        choice_line("no variance stabilization", " 0");
        choice_line("briffa rbar-weighted method", "<1>");
        choice_line("both briffa & 67%n spline methods", " 2");
        choice_line("smoothing spline (fixed n cutoff)", ">9");
        choice_prompt_at37("smoothing spline (pct n cutoff)", "<-9");
    });
    o(13, 1) = a.empty ? 1 : a.value;
    if (o(13, 1) != 0 && o(12, 3) == 1) {
        con().line("");
        text_line("bootstrap limits will be calculated.");
        text_line("no variance stabilization is allowed.");
    }
}

void enter_common_period(OptionBlock& o) {
    const NumberAnswer first = ask_number(14, [] {
        con().line("");
        text_line("common period analysis (/ to exit, h for help):");
        prompt_line("first year (<ret> for none)");
    });
    o(14, 1) = first.empty ? 0 : first.value;
    for (;;) {
        const NumberAnswer last = ask_number(14, [] { prompt_line("last year (<ret> for none)"); });
        // A period that ends before it starts is asked again: the batch
        // command reader would refuse it.
        if (store_if_accepted(o, 14, 2, last.empty ? 0 : last.value)) return;
    }
}

void enter_site_tree_core_mask(OptionBlock& o, std::string& stcmask) {
    for (;;) {
        stcmask.assign(8, ' ');
        con().line("");
        text_line("enter the 8-character site-tree-core mask as");
        text_line("something like ssstttcc, whatever the consistent");
        text_line("separation of the site, tree, and core ids may be");
        text_line("for the series ids (/ to exit, h for help):");
        con().line("");
        prompt_line("site-tree-core mask");
        // The mask is taken as typed: its case and its blanks carry meaning.
        std::string mask = con().answer().substr(0, 8);
        mask.resize(8, ' ');
        o(15, 1) = 0;
        if (mask[0] == '/') throw Stop("", exit_ok);
        if (mask[0] == 'h' || mask[0] == 'H') {
            opthelp(15);
            continue;
        }
        stcmask = mask;
        return;
    }
}

void enter_running_rbar(OptionBlock& o) {
    const NumberAnswer window = ask_number(16, [] {
        con().line("");
        text_line("running rbar options (/ to exit, h for help):");
        prompt_line("enter rbar window length, <ret> for none");
    });
    o(16, 1) = window.empty ? 0 : window.value;
    for (;;) {
        const NumberAnswer overlap = ask_number(16, [] { prompt_line("enter the running rbar window overlap"); });
        // Windows that overlap by their whole width never move on: such an
        // overlap is asked again, as the batch command reader refuses it.
        if (store_if_accepted(o, 16, 2, overlap.empty ? 0 : overlap.value)) break;
    }
    ask_plot(o(16, 3), "plot running rbar and eps? y/<n>");
}

void enter_printout(OptionBlock& o) {
    enter_code(o, 17, 2, 1, 4, [] {
        con().line("");
        text_line("output options (/ to exit, h for help):");
        choice_line("summary statistics of all series", " 1");
        choice_line("+ individual series statistics", "<2>");
        choice_line("+ long list of mean chronology", " 3");
        choice_prompt("+ plots of series curve fits", " 4");
    });
}

void enter_series_save(OptionBlock& o) {
    enter_code(o, 18, 0, 0, 7, [] {
        con().line("");
        text_line("save core series (/ to exit, h for help):");
        choice_line("no core series saved", "<0>");
        choice_line("save in tucson raw data format", " 1");
        choice_line("save in tucson index format", " 2");
        choice_line("save in uea cru index format", " 3");
        choice_line("save in the compact data format", " 4");
        choice_line("save in sas space-delimited columns", " 5");
        choice_line("save in tab-delimited columns", " 6");
        choice_prompt("save in comma-delimited columns", " 7");
    });
}

void enter_summary_plots(OptionBlock& o) {
    enter_code(o, 19, 0, 0, 3, [] {
        con().line("");
        text_line("summary hi-res plot options (/ to exit, h for help):");
        choice_line("no summary hi-res plots", "<0>");
        choice_line("spaghetti plots of all series", " 1");
        choice_line("various summary plots (try it!)", " 2");
        choice_prompt("all of the above (lots!!!)", " 3");
    });
}

void enter_stand_dynamics(OptionBlock& o) {
    enter_code(o, 20, 0, 0, 3, [] {
        con().line("");
        text_line("stand dynamics analysis (/ to exit, h for help):");
        choice_line("no stand dynamics analyses", "<0>");
        choice_line("endogenous disturbance outliers", " 1");
        choice_line("nowacki/abrams release detection", " 2");
        choice_prompt("modified nowacki/abrams (by vane)", " 3");
    });
    const int code = o(20, 1);
    if (code == 0) return;
    // The plot question and the thresholds form a chain in which an
    // unreadable answer steps back one question; an empty one takes the
    // default shown above the prompt.
    constexpr int window_default = 10, threshold_default = 25, std_error_default = 2;
    enum Step { plot, window, threshold, std_error, done };
    Step step = plot;
    while (step != done) {
        switch (step) {
            case plot:
                ask_plot(o(20, 5), "plot the stand dynamics analyses? y/<n>");
                step = code >= 2 ? window : done;
                break;
            case window: {
                const auto v = ask_number_or_back(20, window_default, [] {
                    con().line("");
                    text_line_with_default("enter running mean width for calculating", window_default);
                    prompt_line_col3("percent growth changes (range 5-50)");
                });
                if (!v) {
                    step = plot;
                } else if (in_range(*v, 5, 50)) {
                    o(20, 2) = *v;
                    step = threshold;
                }
                break;
            }
            case threshold: {
                const auto v = ask_number_or_back(20, threshold_default, [] {
                    con().line("");
                    text_line_with_default("enter percent growth change theshold", threshold_default);
                    prompt_line_col3("for identifying releases (range 5-200)");
                });
                if (!v) {
                    step = window;
                } else if (in_range(*v, 5, 200)) {
                    o(20, 3) = *v;
                    step = code == 3 ? std_error : done;
                }
                break;
            }
            case std_error: {
                const auto v = ask_number_or_back(20, std_error_default, [] {
                    con().line("");
                    text_line_with_default("enter standard error theshold for", std_error_default);
                    prompt_line_col3("identifying probable release (range 0-5)");
                });
                if (!v) {
                    step = threshold;
                } else if (in_range(*v, 0, 5)) {
                    o(20, 4) = *v;
                    step = done;
                }
                break;
            }
            case done: break;
        }
    }
}

}  // namespace kov
