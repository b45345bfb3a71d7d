#pragma once
// A plot backend that records every call instead of drawing, installed for the
// scope of a test.
#include <string>
#include <vector>

#include "plotting/plot_device.hpp"

namespace kovtest {

struct PlotCall {
    std::string name;
    std::vector<double> v;          // numeric arguments in order
    std::vector<std::string> s;     // text arguments in order
    std::vector<double> x, y, y2;   // point lists of line, poin, erry, fill
    int colour = -1;                // colour index in force when the call was made
    double width = -1;              // pen width in force
};

class RecordingBackend : public kov::PlotBackend {
public:
    RecordingBackend() { kov::set_plot_backend(this); }
    ~RecordingBackend() override { kov::set_plot_backend(nullptr); }
    std::vector<PlotCall> calls;

    // Calls of one name, in order.
    std::vector<PlotCall> named(const std::string& n) const {
        std::vector<PlotCall> out;
        for (const auto& c : calls)
            if (c.name == n) out.push_back(c);
        return out;
    }
    // Calls of one name within drawing pass `pass` (0-based), or of all passes.
    std::vector<PlotCall> in_pass(const std::string& n, int pass) const {
        std::vector<PlotCall> out;
        int p = -1;
        for (const auto& c : calls) {
            if (c.name == "init") ++p;
            if (c.name == n && p == pass) out.push_back(c);
        }
        return out;
    }
    int passes() const { return static_cast<int>(named("init").size()); }

    void setopt(std::string_view o, std::string_view a) override { add("setopt", {}, {std::string(o), std::string(a)}); }
    void sdev(std::string_view d) override { add("sdev", {}, {std::string(d)}); }
    void sfnam(std::string_view n) override { add("sfnam", {}, {std::string(n)}); }
    void scol0(int i, int r, int g, int b) override { add("scol0", {double(i), double(r), double(g), double(b)}); }
    void scolbg(int r, int g, int b) override { add("scolbg", {double(r), double(g), double(b)}); }
    void init() override { add("init"); }
    void ssub(int nx, int ny) override { add("ssub", {double(nx), double(ny)}); }
    void fontld(int s) override { add("fontld", {double(s)}); }
    void font(int f) override { add("font", {double(f)}); }
    void adv(int p) override { add("adv", {double(p)}); }
    void vpor(double a, double b, double c, double d) override { add("vpor", {a, b, c, d}); }
    void wind(double a, double b, double c, double d) override { add("wind", {a, b, c, d}); }
    void col0(int i) override {
        colour_ = i;
        add("col0", {double(i)});
    }
    void axes(double x0, double y0, std::string_view xo, double xt, int nx, std::string_view yo, double yt,
              int ny) override {
        add("axes", {x0, y0, xt, double(nx), yt, double(ny)}, {std::string(xo), std::string(yo)});
    }
    void lab(std::string_view x, std::string_view y, std::string_view t) override {
        add("lab", {}, {std::string(x), std::string(y), std::string(t)});
    }
    void mtex(std::string_view s, double d, double p, double j, std::string_view t) override {
        add("mtex", {d, p, j}, {std::string(s), std::string(t)});
    }
    void lsty(int s) override { add("lsty", {double(s)}); }
    void width(double w) override {
        width_ = w;
        add("width", {w});
    }
    void line(std::span<const double> x, std::span<const double> y) override { add_points("line", x, y, {}); }
    void poin(std::span<const double> x, std::span<const double> y, int code) override {
        add_points("poin", x, y, {});
        calls.back().v = {double(code)};
    }
    void erry(std::span<const double> x, std::span<const double> lo, std::span<const double> hi) override {
        add_points("erry", x, lo, hi);
    }
    void fill(std::span<const double> x, std::span<const double> y) override { add_points("fill", x, y, {}); }
    void psty(int p) override { add("psty", {double(p)}); }
    void env(double a, double b, double c, double d, int j, int ax) override {
        add("env", {a, b, c, d, double(j), double(ax)});
    }
    void end() override { add("end"); }
    bool has_device(std::string_view d) const override {
        return d == "null" || d == "psc" || d == "xwin" || d == "pngcairo";
    }
    bool display_answers() override { return display; }
    bool display = true;  // whether the display of a screen device answers

private:
    void add(std::string n, std::vector<double> v = {}, std::vector<std::string> s = {}) {
        calls.push_back({std::move(n), std::move(v), std::move(s), {}, {}, {}, colour_, width_});
    }
    void add_points(std::string n, std::span<const double> x, std::span<const double> y,
                    std::span<const double> y2) {
        add(std::move(n));
        calls.back().x.assign(x.begin(), x.end());
        calls.back().y.assign(y.begin(), y.end());
        calls.back().y2.assign(y2.begin(), y2.end());
    }
    int colour_ = -1;
    double width_ = -1;
};

}  // namespace kovtest
