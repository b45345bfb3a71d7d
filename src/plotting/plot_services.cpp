#include "plotting/plot_services.hpp"

#include <cstdlib>
#include <filesystem>
#include <string>

namespace kov {

void setplb(std::string_view directory) {
    std::string dir(directory);
    while (!dir.empty() && dir.back() == ' ') dir.pop_back();
    // PLplot reads PLPLOT_LIB. A directory that does not exist here (the
    // driver names the Windows data folder) would hide PLplot's own fonts, and
    // PLplot ends the process when it finds none: keep the installed default then.
    std::error_code ec;
    if (dir.empty() || !std::filesystem::is_directory(dir, ec)) return;
    ::setenv("PLPLOT_LIB", dir.c_str(), 1);
}

// Plots of the analyses still to be drawn: they return as if the user had continued.
void pltldg(std::span<const float>, int, int, std::string_view, std::string_view, int&, int, int,
            const std::array<float, 4>&, int, const std::array<int, 4>&, int) {}

void pltscr(std::span<const float>, const std::array<int, 2>&, int, std::string_view, std::string_view, int&,
            int, int, const std::array<float, 4>&, int, int, const std::array<int, 4>&, int) {}

}  // namespace kov
