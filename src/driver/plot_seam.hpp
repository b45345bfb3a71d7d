#pragma once
// The two-panel plot as the driver's steps call it: the plot itself in a run,
// a recorder in the tests, which can also answer "n" by clearing the switch.
#include <array>
#include <functional>
#include <string_view>

#include "plotting/plot_services.hpp"

namespace kov {

using TwoPanelPlot =
    std::function<void(const TwoPanelData&, int n, int first_year, int variant, std::string_view name,
                       std::string_view top_title, std::string_view bottom_title, std::string_view xlabel,
                       std::string_view ylabel, std::string_view xlabel2, std::string_view zlabel, int kind,
                       char setting, int& plot_switch, const std::array<float, 7>& fitcoef, int curve_option)>;

// The plot itself.
inline TwoPanelPlot screen_two_panel() {
    return [](const TwoPanelData& data, int n, int first_year, int variant, std::string_view name,
              std::string_view top_title, std::string_view bottom_title, std::string_view xlabel,
              std::string_view ylabel, std::string_view xlabel2, std::string_view zlabel, int kind, char setting,
              int& plot_switch, const std::array<float, 7>& fitcoef, int curve_option) {
        plt2pn(data, n, first_year, variant, name, top_title, bottom_title, xlabel, ylabel, xlabel2, zlabel, kind,
               setting, plot_switch, fitcoef, curve_option);
    };
}

}  // namespace kov
