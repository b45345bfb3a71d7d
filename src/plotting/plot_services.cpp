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

}  // namespace kov
