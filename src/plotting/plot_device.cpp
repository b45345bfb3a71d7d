#include "plotting/plot_device.hpp"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "plotting/x_display.hpp"
#include "shared/console.hpp"
#include "shared/files.hpp"
#include "shared/output_names.hpp"
#include "shared/stop.hpp"
#include "shared/tables.hpp"

#ifdef KOVRIN_HAVE_PLPLOT
#include <fcntl.h>
#include <plplot.h>
#include <unistd.h>

#include <cerrno>
#include <csetjmp>
#include <memory>
#endif

namespace kov {
namespace {

#ifdef KOVRIN_HAVE_PLPLOT
// PLplot ends the process on its fatal errors unless its exit handler does not
// return. The handler jumps back to the guard around the PLplot call that
// failed, so that the failure costs one plot, not the run. Between a guard and
// PLplot there are only frames without destructors to run.
std::jmp_buf* active_guard = nullptr;
std::string plplot_error;

extern "C" int on_plplot_exit(const char* message) {
    plplot_error = message ? message : "";
    if (active_guard) std::longjmp(*active_guard, 1);
    return 1;
}

template <class Call>
bool guarded(const Call& call) {
    std::jmp_buf here;
    std::jmp_buf* const outer = active_guard;
    active_guard = &here;
    if (setjmp(here) != 0) {
        active_guard = outer;
        return false;
    }
    call();
    active_guard = outer;
    return true;
}

// A file that PLplot writes through a stream the program opens for it, so
// that every write and the close are checked: PLplot itself says nothing
// when a page is cut short (a full disk, a file size limit). PLplot closes
// the stream at the end of its pass.
// The stream is a glibc cookie stream (fopencookie, with off64_t and lseek64
// in its seek function): this part builds only against the GNU C library; on
// another C library it needs that library's own custom stream (funopen on the
// BSDs and macOS).
struct CheckedFile {
    std::string name;
    FILE* stream = nullptr;
    int fd = -1;
    bool failed = false;
    bool closed = false;
};

ssize_t checked_write(void* cookie, const char* buf, size_t size) {
    auto* f = static_cast<CheckedFile*>(cookie);
    size_t done = 0;
    while (done < size) {
        const ssize_t n = ::write(f->fd, buf + done, size - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            f->failed = true;
            return done > 0 ? static_cast<ssize_t>(done) : -1;
        }
        done += static_cast<size_t>(n);
    }
    return static_cast<ssize_t>(size);
}

// The PostScript device goes back to the head of the file at the end to
// write its bounding box.
// Its signature is glibc's cookie seek function; lseek64 is glibc's too.
int checked_seek(void* cookie, off64_t* offset, int whence) {
    auto* f = static_cast<CheckedFile*>(cookie);
    const off64_t at = ::lseek64(f->fd, *offset, whence);
    if (at < 0) return -1;
    *offset = at;
    return 0;
}

int checked_close(void* cookie) {
    auto* f = static_cast<CheckedFile*>(cookie);
    f->closed = true;
    if (::close(f->fd) != 0) f->failed = true;
    return f->failed ? -1 : 0;
}

// PLplot itself. A screen device is opened once, as its own stream, and kept
// for the run: each drawing pass is a new page of it, drawn without PLplot's
// end-of-page wait, so the page stays in view while the console menu waits for
// the answer. Every other pass (a file, the null device) is a stream of its
// own from plinit to its end. The set-up calls before plinit are kept until
// plinit, which applies them to the pass's stream.
class PlplotBackend final : public PlotBackend {
public:
    PlplotBackend() { plsexit(on_plplot_exit); }
    void setopt(std::string_view o, std::string_view a) override { options_.emplace_back(o, a); }
    void sdev(std::string_view d) override { device_ = d; }
    void sfnam(std::string_view n) override { file_ = n; }
    void scol0(int i, int r, int g, int b) override { colours_.push_back({i, r, g, b}); }
    void scolbg(int r, int g, int b) override { colours_.push_back({-1, r, g, b}); }
    void init() override;
    void ssub(int nx, int ny) override {
        draw([&] { c_plssub(nx, ny); });
    }
    void fontld(int s) override {
        draw([&] { c_plfontld(s); });
    }
    void font(int f) override {
        draw([&] { c_plfont(f); });
    }
    void adv(int p) override {
        draw([&] { c_pladv(p); });
    }
    void vpor(double a, double b, double c, double d) override {
        draw([&] { c_plvpor(a, b, c, d); });
    }
    void wind(double a, double b, double c, double d) override {
        draw([&] { c_plwind(a, b, c, d); });
    }
    void col0(int i) override {
        draw([&] { c_plcol0(i); });
    }
    void axes(double x0, double y0, std::string_view xo, double xt, int nx, std::string_view yo, double yt,
              int ny) override {
        const std::string xs(xo), ys(yo);
        const char *xc = xs.c_str(), *yc = ys.c_str();
        draw([&] { c_plaxes(x0, y0, xc, xt, nx, yc, yt, ny); });
    }
    void lab(std::string_view x, std::string_view y, std::string_view t) override {
        const std::string xs(x), ys(y), ts(t);
        const char *xc = xs.c_str(), *yc = ys.c_str(), *tc = ts.c_str();
        draw([&] { c_pllab(xc, yc, tc); });
    }
    void mtex(std::string_view s, double d, double p, double j, std::string_view t) override {
        const std::string ss(s), ts(t);
        const char *sc = ss.c_str(), *tc = ts.c_str();
        draw([&] { c_plmtex(sc, d, p, j, tc); });
    }
    void lsty(int s) override {
        draw([&] { c_pllsty(s); });
    }
    void width(double w) override {
        draw([&] { c_plwidth(w); });
    }
    void line(std::span<const double> x, std::span<const double> y) override {
        draw([&] { c_plline(static_cast<PLINT>(x.size()), x.data(), y.data()); });
    }
    void poin(std::span<const double> x, std::span<const double> y, int code) override {
        draw([&] { c_plpoin(static_cast<PLINT>(x.size()), x.data(), y.data(), code); });
    }
    void erry(std::span<const double> x, std::span<const double> lo, std::span<const double> hi) override {
        draw([&] { c_plerry(static_cast<PLINT>(x.size()), x.data(), lo.data(), hi.data()); });
    }
    void fill(std::span<const double> x, std::span<const double> y) override {
        draw([&] { c_plfill(static_cast<PLINT>(x.size()), x.data(), y.data()); });
    }
    void psty(int p) override {
        draw([&] { c_plpsty(p); });
    }
    void env(double a, double b, double c, double d, int j, int ax) override {
        draw([&] { c_plenv(a, b, c, d, j, ax); });
    }
    void end() override;
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
    bool display_answers() override { return x_display_answers(); }
    ~PlplotBackend() override {
        if (screen_stream_ >= 0 && !screen_lost_) {
            const PLINT s = screen_stream_;
            guarded([&] {
                c_plsstrm(s);
                c_plend1();
            });
        }
        close_x_display();
    }

private:
    // One drawing call of the pass in progress; nothing once the pass failed.
    template <class Call>
    void draw(const Call& call) {
        if (drawing_ && !guarded(call)) failed();
    }
    void apply_colours() const {
        for (const auto& c : colours_) {
            if (c[0] < 0)
                c_plscolbg(c[1], c[2], c[3]);
            else
                c_plscol0(c[0], c[1], c[2], c[3]);
        }
    }
    void failed();
    FILE* open_page_file();
    void page_file_done();

    std::vector<std::pair<std::string, std::string>> options_;
    std::string device_, file_;
    // The file of the pass in progress, and those of passes PLplot failed in,
    // which its abandoned streams may still hold.
    std::unique_ptr<CheckedFile> page_file_;
    std::vector<std::unique_ptr<CheckedFile>> abandoned_files_;
    std::vector<std::array<int, 4>> colours_;  // index -1: the background
    PLINT screen_stream_ = -1;                  // the kept screen stream
    bool screen_lost_ = false;                  // PLplot failed on the screen
    bool drawing_ = false;                      // a pass is in progress
    bool pass_on_screen_ = false;
};

void PlplotBackend::init() {
    drawing_ = false;
    pass_on_screen_ = plot::is_screen_device(device_);
    bool ok = true;
    if (pass_on_screen_ && screen_lost_) {
        ok = false;  // said when it happened; the plots go on without a screen
    } else if (pass_on_screen_ && screen_stream_ >= 0) {
        const PLINT s = screen_stream_;
        ok = guarded([&] {
            c_plsstrm(s);
            apply_colours();
            c_pleop();
            c_plbop();
        });
        if (!ok) failed();
    } else {
        std::vector<const char*> opts;
        for (const auto& o : options_) {
            opts.push_back(o.first.c_str());
            opts.push_back(o.second.c_str());
        }
        const char* dev = device_.c_str();
        FILE* file = nullptr;
        if (!file_.empty()) {
            file = open_page_file();
            ok = file != nullptr;
        }
        PLINT made = -1;  // the stream plmkstrm gives
        if (ok) {
            ok = guarded([&] {
                c_plmkstrm(&made);
                if (made < 0) return;
                for (size_t k = 0; k + 1 < opts.size(); k += 2) c_plsetopt(opts[k], opts[k + 1]);
                c_plsdev(dev);
                if (file) plsfile(file);
                apply_colours();
                c_plspause(0);
                c_plinit();
            });
            if (ok && made < 0) {
                plplot_error = "no plot stream left";
                ok = false;
            }
            if (ok && pass_on_screen_) screen_stream_ = made;
            if (!ok) failed();
        }
    }
    options_.clear();
    file_.clear();
    colours_.clear();
    drawing_ = ok;
}

void PlplotBackend::end() {
    if (!drawing_) return;
    if (pass_on_screen_) {
        draw([] { c_plflush(); });
    } else {
        draw([] { c_plend1(); });
    }
    if (drawing_) page_file_done();
    drawing_ = false;
}

// The file of a file pass, created afresh; nullptr, with the file named as
// one that cannot be created, when it cannot be opened. The plot is not
// drawn then.
FILE* PlplotBackend::open_page_file() {
    // a pass left without its end keeps its stream, and so its file
    if (page_file_) abandoned_files_.push_back(std::move(page_file_));
    auto f = std::make_unique<CheckedFile>();
    f->name = file_;
    f->fd = ::open(file_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    FILE* stream = nullptr;
    if (f->fd >= 0) {
        // fopencookie is a GNU C library call (see CheckedFile).
        stream = fopencookie(f.get(), "w", cookie_io_functions_t{nullptr, checked_write, checked_seek, checked_close});
        if (!stream) ::close(f->fd);
        f->stream = stream;
    }
    if (!stream) {
        report_output_failure(file_, OutputFailure::not_created);
        return nullptr;
    }
    page_file_ = std::move(f);
    return stream;
}

// The pass is over: its file is checked. PLplot closes the stream at the end
// of a pass; a file it left open is closed here.
void PlplotBackend::page_file_done() {
    if (!page_file_) return;
    const std::unique_ptr<CheckedFile> f = std::move(page_file_);
    if (!f->closed && std::fclose(f->stream) != 0) f->failed = true;  // runs checked_close
    if (f->failed) report_output_failure(f->name, OutputFailure::incomplete);
}

// The stream that failed is left as it is (PLplot cannot be trusted to close it)
// and the rest of the pass is skipped; a lost screen gives no further screen pages.
// Its file, left as far as PLplot wrote it, is incomplete.
void PlplotBackend::failed() {
    drawing_ = false;
    con().line(" *** the plotting library failed: " + plplot_error + " -- the plot is not drawn");
    if (page_file_) {
        report_output_failure(page_file_->name, OutputFailure::incomplete);
        abandoned_files_.push_back(std::move(page_file_));
    }
    if (pass_on_screen_ && !screen_lost_) {
        screen_lost_ = true;
        con().line(" note: no screen plots are drawn for the rest of the run; save them with [s]");
    }
}
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
    bool display_answers() override { return false; }
};
#endif

struct LayerState {
    PlotBackend* installed = nullptr;
    bool screen_note_shown = false;
    bool display_note_shown = false;
    std::string page_name;     // the pages of the plot now drawn
    std::string pages_prefix;  // the output prefix the page numbers count for
    int pages = 0;             // pages drawn into files for that prefix
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

// A backend installed by a test stands for a run of its own: the once-per-run
// notes are shown again. The page numbers count on; they start again with the
// next data file as in a run.
void set_plot_backend(PlotBackend* backend) {
    LayerState& l = layer();
    l.installed = backend;
    l.screen_note_shown = false;
    l.display_note_shown = false;
}

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

bool is_screen_device(std::string_view d) {
    return d == "xwin" || d == "xcairo" || d == "qtwidget" || d == "wxwidgets" || d == "tk" || d == "ntk";
}

std::string file_extension(std::string_view d) {
    static const std::pair<std::string_view, std::string_view> files[] = {
        {"pngcairo", "png"}, {"pngqt", "png"},   {"pdfcairo", "pdf"}, {"pdfqt", "pdf"}, {"pdf", "pdf"},
        {"svg", "svg"},      {"svgcairo", "svg"}, {"svgqt", "svg"},   {"ps", "ps"},     {"psc", "ps"},
        {"pscairo", "ps"},   {"epscairo", "eps"}, {"jpgqt", "jpg"},   {"bmpqt", "bmp"}, {"ppmqt", "ppm"},
        {"tiffqt", "tif"},   {"xfig", "fig"}};
    for (const auto& [dev, ext] : files)
        if (d == dev) return std::string(ext);
    return {};
}

void name_pages(std::string_view what) { layer().page_name = file_word(what); }

std::string file_word(std::string_view text) {
    std::string w;
    bool gap = false;
    for (const char ch : text) {
        const unsigned char u = static_cast<unsigned char>(ch);
        if (std::isalnum(u) || ch == '-') {
            if (gap && !w.empty()) w += '_';
            w += ch;
            gap = false;
        } else {
            gap = true;
        }
    }
    return w;
}

std::string page_file_name(std::string_view device) {
    LayerState& l = layer();
    std::string prefix = output_prefix(shared().datfil);
    if (prefix.empty()) prefix = "kovrin";
    if (prefix != l.pages_prefix) {
        l.pages_prefix = prefix;
        l.pages = 0;
    }
    ++l.pages;
    char number[16];
    std::snprintf(number, sizeof number, "%03d", l.pages);
    std::string name = prefix + std::string(suffix::plot_pages) + number;
    if (!l.page_name.empty()) name += "_" + l.page_name;
    return name + "." + file_extension(device);
}

void sdev(std::string_view device) {
    const bool on_screen = device == screen;
    std::string d = resolve_device(device);
    // The memory and external-context devices draw into what a host program
    // hands them; on their own PLplot ends the process.
    const bool host_only = d == "mem" || d == "memcairo" || d == "memqt" || d == "extcairo" || d == "extqt";
    if (host_only || !plot_backend().has_device(d)) {
        con().line(" note: plot device " + d + " is not available: the null device is used");
        d = "null";
    } else if (is_screen_device(d) && !plot_backend().display_answers()) {
        if (!layer().display_note_shown) {
            layer().display_note_shown = true;
            const char* display = std::getenv("DISPLAY");
            con().line(std::string(" note: the display ") + (display && *display ? display : "(none)") +
                       " does not answer: no screen plots are drawn; save them with [s]");
        }
        d = "null";
    }
    if (!on_screen || file_extension(d).empty()) {
        plot_backend().sdev(d);
        return;
    }
    // A file device as the screen: one file per page, named here, so that
    // PLplot never asks for a name on the console.
    const std::string name = page_file_name(d);
    const bool reads = is_protected(name);  // asked first: a page is skipped, not the run
    const bool writable = !reads && can_write_file(name);
    if (reads)
        con().line(" note: plot file " + name + " is a file this run reads: the page is not drawn");
    else if (!writable)
        report_output_failure(name, OutputFailure::not_created);  // the page is not drawn
    plot_backend().sdev(writable ? d : "null");
    if (writable) plot_backend().sfnam(name);
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
