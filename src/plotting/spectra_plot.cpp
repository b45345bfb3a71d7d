// The power spectra of the standard, residual and kovrin chronologies against
// frequency, with a short menu of its own.
#include <algorithm>
#include <cmath>
#include <vector>

#include "plotting/plot_cycle.hpp"
#include "plotting/plot_device.hpp"
#include "plotting/plot_services.hpp"
#include "shared/console.hpp"

namespace kov {

void pltspc(int ldp, int /*idum*/, int ncol, int nf, const float* pp, int logok, std::string_view leg1,
            std::string_view leg2, std::string_view leg3) {
    const int n = std::clamp(nf, 0, std::max(ldp, 0));
    const int used = std::clamp(ncol, 1, 4);
    auto at = [&](int row, int col) { return pp[static_cast<size_t>(col - 1) * ldp + (row - 1)]; };
    // A logarithm of a power that is not positive is undefined: such data are
    // drawn on the linear scale whatever the caller's flag says.
    bool log_scale = logok != 0;
    for (int c = 2; c <= 4 && log_scale; ++c)
        for (int i = 1; i <= n; ++i)
            if (!(at(i, c) > 0.0f)) log_scale = false;
    std::vector<float> freq(n);
    std::array<std::vector<float>, 3> curve;
    for (auto& c : curve) c.resize(n);
    float xmin = 999.0f, xmax = -999.0f, ymin = 999.0f, ymax = -999.0f;
    for (int i = 1; i <= n; ++i) {
        freq[i - 1] = at(i, 1);
        xmin = std::min(xmin, freq[i - 1]);
        xmax = std::max(xmax, freq[i - 1]);
        for (int c = 2; c <= 4; ++c) {
            float v = at(i, c);
            if (log_scale) v = std::log(v) * 0.4342945f;
            curve[c - 2][i - 1] = v;
            if (c <= used) {
                ymin = std::min(ymin, v);
                ymax = std::max(ymax, v);
            }
        }
    }
    auto draw = [&] {
        plot::scol0(0, 255, 255, 255);
        plot::scol0(15, 0, 0, 0);
        plot::scolbg(255, 255, 255);
        plot::init();
        plot::ssub(1, 1);
        plot::col0(15);
        plot::env(xmin, xmax, ymin, ymax, 0, log_scale ? 20 : 0);
        plot::lab("Frequency (cycles/yr.)", log_scale ? "log10 Power" : "Power", "Spectral Power of Chronologies");
        const std::string_view legs[3] = {leg1, leg2, leg3};
        const int colours[3] = {9, 1, 15};
        const double disp[3] = {-22.0, -17.0, -12.0};
        for (int k = 0; k < 3; ++k) {
            plot::col0(colours[k]);
            plot::mtex("rv", disp[k], 0.925, 0.0, legs[k]);
            plot::line(freq, curve[k]);
        }
        plot::end();
    };
    plot::name_pages("spectra");
    plot::setopt("geometry", "1000x700");
    plot::sdev(plot::screen);
    draw();
    Console& c = con();
    bool box = true;
    for (;;) {
        if (box) {
            c.write("(//15x,'|************* plot options menu ***************|')");
            c.write("(15x,'|-----------------------------------------------|')");
            c.write("(15x,'|       [s]ave   <[c]ontinue>   [r]eplot        |')");
            c.write("(15x,'|_______________________________________________|')");
        }
        c.write("(/15x,' enter option number > ',$)");
        const std::string a = c.answer();
        const char ch = a.empty() ? ' ' : a[0];
        if (ch == 's' || ch == 'S') {
            std::string name;
            box = ask_plot_file(name);
            if (!box) continue;
            plot::setopt("geometry", "600x1000");
            plot::sdev("psc");
            plot::sfnam(name);
            draw();
        } else if (ch == 'r' || ch == 'R') {
            plot::setopt("geometry", "1000x700");
            plot::sdev(plot::screen);
            draw();
            box = true;
        } else {
            return;
        }
    }
}

}  // namespace kov
