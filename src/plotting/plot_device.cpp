#include "plotting/plot_device.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "shared/console.hpp"
#include "shared/files.hpp"
#include "shared/stop.hpp"

#ifdef KOVRIN_HAVE_PLPLOT
#include <plplot.h>
#endif

namespace kov {
namespace {

std::string cstr(std::string_view s) { return std::string(s); }

bool is_screen_device(std::string_view d) {
    return d == "xwin" || d == "qtwidget" || d == "wxwidgets" || d == "tk" || d == "xcairo" || d == "ntk";
}

#ifdef KOVRIN_HAVE_PLPLOT
// PLplot itself. A screen page is drawn without PLplot's end-of-page wait and
// kept open until the next drawing pass or the return of the plot cycle, so
// the page stays in view while the console menu waits for the answer.
class PlplotBackend final : public PlotBackend {
public:
    void setopt(std::string_view o, std::string_view a) override {
        settle();
        c_plsetopt(cstr(o).c_str(), cstr(a).c_str());
    }
    void sdev(std::string_view d) override {
        settle();
        device_ = cstr(d);
        c_plsdev(device_.c_str());
    }
    void sfnam(std::string_view n) override {
        settle();
        c_plsfnam(cstr(n).c_str());
    }
    void scol0(int i, int r, int g, int b) override {
        settle();
        c_plscol0(i, r, g, b);
    }
    void scolbg(int r, int g, int b) override {
        settle();
        c_plscolbg(r, g, b);
    }
    void init() override {
        settle();
        c_plspause(0);
        c_plinit();
    }
    void ssub(int nx, int ny) override { c_plssub(nx, ny); }
    void fontld(int s) override { c_plfontld(s); }
    void font(int f) override { c_plfont(f); }
    void adv(int p) override { c_pladv(p); }
    void vpor(double a, double b, double c, double d) override { c_plvpor(a, b, c, d); }
    void wind(double a, double b, double c, double d) override { c_plwind(a, b, c, d); }
    void col0(int i) override { c_plcol0(i); }
    void axes(double x0, double y0, std::string_view xo, double xt, int nx, std::string_view yo, double yt,
              int ny) override {
        c_plaxes(x0, y0, cstr(xo).c_str(), xt, nx, cstr(yo).c_str(), yt, ny);
    }
    void lab(std::string_view x, std::string_view y, std::string_view t) override {
        c_pllab(cstr(x).c_str(), cstr(y).c_str(), cstr(t).c_str());
    }
    void mtex(std::string_view s, double d, double p, double j, std::string_view t) override {
        c_plmtex(cstr(s).c_str(), d, p, j, cstr(t).c_str());
    }
    void lsty(int s) override { c_pllsty(s); }
    void width(double w) override { c_plwidth(w); }
    void line(std::span<const double> x, std::span<const double> y) override {
        c_plline(static_cast<PLINT>(x.size()), x.data(), y.data());
    }
    void poin(std::span<const double> x, std::span<const double> y, int code) override {
        c_plpoin(static_cast<PLINT>(x.size()), x.data(), y.data(), code);
    }
    void erry(std::span<const double> x, std::span<const double> lo, std::span<const double> hi) override {
        c_plerry(static_cast<PLINT>(x.size()), x.data(), lo.data(), hi.data());
    }
    void fill(std::span<const double> x, std::span<const double> y) override {
        c_plfill(static_cast<PLINT>(x.size()), x.data(), y.data());
    }
    void psty(int p) override { c_plpsty(p); }
    void env(double a, double b, double c, double d, int j, int ax) override { c_plenv(a, b, c, d, j, ax); }
    void end() override {
        if (is_screen_device(device_)) {
            c_plflush();
            pending_ = true;
        } else {
            c_plend();
        }
    }
    bool has_device(std::string_view d) const override {
        // plgDevs fills arrays the caller provides, of the size it is given.
        std::vector<const char*> menu_v(128, nullptr), names_v(128, nullptr);
        const char** menu = menu_v.data();
        const char** names = names_v.data();
        int n = static_cast<int>(names_v.size());
        plgDevs(&menu, &names, &n);
        n = std::min(n, static_cast<int>(names_v.size()));
        for (int i = 0; i < n; ++i)
            if (names[i] && d == names[i]) return true;
        return false;
    }
    void release() override { settle(); }
    ~PlplotBackend() override { settle(); }

private:
    void settle() {
        if (pending_) {
            pending_ = false;
            c_plend();
        }
    }
    std::string device_;
    bool pending_ = false;
};
#else
// Without PLplot every plot is drawn nowhere; the console menus still run.
class PlplotBackend final : public PlotBackend {
public:
    void setopt(std::string_view, std::string_view) override {}
    void sdev(std::string_view) override {}
    void sfnam(std::string_view) override {}
    void scol0(int, int, int, int) override {}
    void scolbg(int, int, int) override {}
    void init() override {}
    void ssub(int, int) override {}
    void fontld(int) override {}
    void font(int) override {}
    void adv(int) override {}
    void vpor(double, double, double, double) override {}
    void wind(double, double, double, double) override {}
    void col0(int) override {}
    void axes(double, double, std::string_view, double, int, std::string_view, double, int) override {}
    void lab(std::string_view, std::string_view, std::string_view) override {}
    void mtex(std::string_view, double, double, double, std::string_view) override {}
    void lsty(int) override {}
    void width(double) override {}
    void line(std::span<const double>, std::span<const double>) override {}
    void poin(std::span<const double>, std::span<const double>, int) override {}
    void erry(std::span<const double>, std::span<const double>, std::span<const double>) override {}
    void fill(std::span<const double>, std::span<const double>) override {}
    void psty(int) override {}
    void env(double, double, double, double, int, int) override {}
    void end() override {}
    bool has_device(std::string_view d) const override { return d == "null" || d == "psc"; }
};
#endif

struct LayerState {
    PlotBackend* installed = nullptr;
    bool screen_note_shown = false;
};

LayerState& layer() {
    static LayerState s;
    return s;
}

PlplotBackend& plplot_backend() {
    static PlplotBackend b;
    return b;
}

std::vector<double> widen(std::span<const float> v) { return std::vector<double>(v.begin(), v.end()); }

// How many steps of `step` fit between a and b (0 for PLplot's automatic step).
double step_count(double a, double b, double step) {
    if (step == 0.0) return 0.0;
    const double c = std::fabs(b - a) / std::fabs(step);
    return std::isfinite(c) ? c : 1e300;
}

}  // namespace

PlotBackend& plot_backend() {
    return layer().installed ? *layer().installed : static_cast<PlotBackend&>(plplot_backend());
}

void set_plot_backend(PlotBackend* backend) { layer().installed = backend; }

namespace plot {

std::string resolve_device(std::string_view device) {
    if (device != screen) return std::string(device);
    if (const char* d = std::getenv("KOVRIN_PLOT_DEVICE"); d && *d) return d;
    if (const char* d = std::getenv("DISPLAY"); d && *d) return "xwin";
    if (!layer().screen_note_shown) {
        layer().screen_note_shown = true;
        con().line(" note: no plot screen (DISPLAY is not set): plots are drawn on the null device;"
                   " save them with [s]");
    }
    return "null";
}

void sdev(std::string_view device) {
    std::string d = resolve_device(device);
    if (!plot_backend().has_device(d)) {
        con().line(" note: plot device " + d + " is not available: the null device is used");
        d = "null";
    }
    plot_backend().sdev(d);
}

bool can_write_file(const std::string& name) {
    if (is_protected(name)) throw FileRefused(name);
    // Appending leaves an existing file as it is when it turns out unwritable.
    std::FILE* f = std::fopen(name.c_str(), "a");
    if (!f) return false;
    std::fclose(f);
    return true;
}

void axes(double x0, double y0, std::string_view xopt, double xtick, int nxsub, std::string_view yopt,
          double ytick, int nysub, double xmin, double xmax, double ymin, double ymax) {
    auto guard = [](double a, double b, double& step, int& nsub) {
        const double majors = step_count(a, b, step);
        const double minors = majors * std::max(nsub, 1);
        if (majors > 1000.0 || minors > 10000.0 || nsub < 0) {
            step = 0.0;
            nsub = 0;
            con().line(" note: tick step too small for the axis: automatic ticks are drawn");
        }
    };
    guard(xmin, xmax, xtick, nxsub);
    guard(ymin, ymax, ytick, nysub);
    plot_backend().axes(x0, y0, xopt, xtick, nxsub, yopt, ytick, nysub);
}

void line(std::span<const float> x, std::span<const float> y) {
    if (x.empty()) return;
    auto a = widen(x), b = widen(y);
    plot_backend().line(a, b);
}
void poin(std::span<const float> x, std::span<const float> y, int code) {
    if (x.empty()) return;
    auto a = widen(x), b = widen(y);
    plot_backend().poin(a, b, code);
}
void erry(std::span<const float> x, std::span<const float> lo, std::span<const float> hi) {
    if (x.empty()) return;
    auto a = widen(x), b = widen(lo), c = widen(hi);
    plot_backend().erry(a, b, c);
}
void fill(std::span<const float> x, std::span<const float> y) {
    if (x.empty()) return;
    auto a = widen(x), b = widen(y);
    plot_backend().fill(a, b);
}

}  // namespace plot
}  // namespace kov
