#include "plotting/plot_menus.hpp"

#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

namespace kov {
namespace {

using Box = std::vector<std::string>;

// The menu of a one-panel plot; the other panel plots change single rows.
const Box one_panel_box = {
    "|************* plot options menu **************|",
    "| replot             [0]  minor ticks y   [11] |",
    "| background color   [1]  major ticks z   [12] |",
    "| frame color        [2]  minor ticks z   [13] |",
    "| text color         [3]  max. x          [14] |",
    "| line color         [4]  min. x          [15] |",
    "| fit  color         [5]  max. y          [16] |",
    "| line style         [6]  min. y          [17] |",
    "| curve width        [7]                  [  ] |",
    "| major ticks x      [8]                  [  ] |",
    "| minor ticks x      [9]                  [  ] |",
    "| major ticks y     [10]                  [  ] |",
    "|                                              |",
    "|           reset plot options  [99]           |",
    "|----------------------------------------------|",
    "|    [s]ave   <[c]ontinue>  [n]o more plots    |",
    "|______________________________________________|",
};

// One column narrower than the others.
const Box all_series_box = {
    "|************* plot options menu *************|",
    "| replot            [0]  minor ticks  y  [11] |",
    "| background color  [1]  major ticks  z  [12] |",
    "| frame color       [2]  minor ticks  z  [13] |",
    "| text color        [3]  max. x          [14] |",
    "| line color        [4]  min. x          [15] |",
    "| curve  color      [5]  max. y          [16] |",
    "| line style        [6]  min. y          [17] |",
    "| curve width       [7]                  [  ] |",
    "| major ticks  x    [8]                  [  ] |",
    "| minor ticks  x    [9]                  [  ] |",
    "| major ticks  y   [10]                  [  ] |",
    "|                                             |",
    "|           reset plot options  [99]          |",
    "|---------------------------------------------|",
    "|    [s]ave   <[c]ontinue>  [n]o more plots   |",
    "|_____________________________________________|",
};

// The bar pages: the pooled autoregression and the component loadings.
const Box bars_box = {
    "|************* plot options menu ***************|",
    "| replot             [0] line color         [4] |",
    "| background color   [1] bar fill  color    [5] |",
    "| frame color        [2] curve style        [6] |",
    "| text color         [3] curve width        [7] |",
    "|                                               |",
    "|              reset options  [99]              |",
    "|-----------------------------------------------|",
    "|             [s]ave   <[c]ontinue>             |",
    "|_______________________________________________|",
};

// The bar colour of this page is option 21, the symbol colour.
const Box transform_box = {
    "|************** plot options menu *************|",
    "| replot            [0] line color         [4] |",
    "| background color  [1] bar fill  color   [21] |",
    "| frame color       [2] curve style        [6] |",
    "| text color        [3] curve width        [7] |",
    "|                                              |",
    "|           reset plot options   [99]          |",
    "|----------------------------------------------|",
    "|              [s]ave  [c]ontinue              |",
    "|______________________________________________|",
};

const Box scores_box = {
    "|************* plot options menu **************|",
    "| replot             [0]  minor ticks y   [11] |",
    "| background color   [1]  max. x          [14] |",
    "| frame color        [2]  min. x          [15] |",
    "| text color         [3]  max. y          [16] |",
    "| line color         [4]  min. y          [17] |",
    "| curve  color       [5]                       |",
    "| line style         [6]                       |",
    "| curve width        [7]                       |",
    "| major ticks x      [8]                       |",
    "| minor ticks x      [9]                       |",
    "| major ticks y     [10]                       |",
    "|                                              |",
    "|              reset options  [99]             |",
    "|----------------------------------------------|",
    "|    [s]ave   <[c]ontinue>  [n]o more plots    |",
    "|______________________________________________|",
};

// box with the numbered rows (1 is its top line) replaced
Box with_rows(Box box, std::initializer_list<std::pair<size_t, const char*>> rows) {
    for (const auto& [row, text] : rows) box.at(row - 1) = text;
    return box;
}

Box gap_fill_box() {
    // the reset row stands one column further left than in its neighbours
    return with_rows(one_panel_box, {{14, "|            reset plot options  [99]          |"}});
}

Box release_box() {
    return with_rows(one_panel_box, {
                                        {7, "| gap fill  color    [5]  max. y          [16] |"},
                                        {9, "| curve width        [7]  max. z          [18] |"},
                                        {10, "| major ticks x      [8]  min. z          [19] |"},
                                    });
}

Box two_panel_box(bool depth) {
    Box box = with_rows(one_panel_box, {
                                           {7, "| curve  color       [5]  max. y          [16] |"},
                                           {9, "| curve width        [7]  max. z          [18] |"},
                                           {10, "| major ticks x      [8]  min. z          [19] |"},
                                           {11, "| minor ticks x      [9]  symbol type     [20] |"},
                                           {12, "| major ticks y     [10]  symbol color    [21] |"},
                                           {14, "|              reset options  [99]             |"},
                                       });
    if (depth)
        box.insert(box.begin() + 12, {"| sample depth plot       max z2          [22] |",
                                      "|                         min z2          [23] |"});
    return box;
}

PlotMenu menu(Box box, int max_option, const char* unknown, PlotMenu::No no, bool unknown_names_answer = false) {
    PlotMenu m;
    m.box = std::move(box);
    m.max_option = max_option;
    if (unknown) m.unknown = unknown;
    m.unknown_names_answer = unknown_names_answer;
    m.no = no;
    return m;
}

constexpr const char* unknown_request = "(/13x,'Unknown option re-enter a valid request')";
constexpr const char* unknown_choice = "(/13x,'Unknown option ',a,' re-enter a valid choise')";

}  // namespace

PlotMenu plot_menu(PlotMenuKind kind) {
    using enum PlotMenuKind;
    using No = PlotMenu::No;
    switch (kind) {
        case eigenvalues:
        case weights: return menu(one_panel_box, 17, unknown_request, No::continues);
        case gap_fill: return menu(gap_fill_box(), 17, unknown_request, No::clears_switch);
        case release:
            return menu(release_box(), 19, "(/13x,'unknown option re-enter a valid number')", No::clears_switch);
        case all_series: return menu(all_series_box, 17, unknown_request, No::continues);
        case two_panel: return menu(two_panel_box(false), 21, nullptr, No::clears_switch);
        case two_panel_depth: return menu(two_panel_box(true), 21, nullptr, No::clears_switch);
        case pooled_ar: return menu(bars_box, 7, unknown_choice, No::continues, true);
        case loadings: return menu(bars_box, 7, unknown_choice, No::clears_switch, true);
        case scores:
            return menu(scores_box, 17, "(/13x,'unknown option. please enter a valid request')", No::clears_switch);
        case transform_stats:
            return menu(transform_box, 21, "(/13x,'Unknown option re-enter a valid number or letter')", No::unknown);
    }
    return PlotMenu{};
}

}  // namespace kov
