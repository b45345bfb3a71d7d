#pragma once
// The one layer between the plots and PLplot. The plots call the functions of
// namespace kov::plot, named after the PLplot calls they stand for; these refuse
// first what would make PLplot end, hang or ask on the console (an unknown
// device, a display that does not answer, a file device without a file name, a
// PostScript file that cannot be opened, a tick step that would fill an axis
// with thousands of ticks) and hand the rest to the installed backend: PLplot
// itself in the program, a recording backend in the tests.
#include <span>
#include <string>
#include <string_view>

namespace kov {

// The raw calls, one per PLplot function the plots use.
class PlotBackend {
public:
    virtual ~PlotBackend() = default;
    virtual void setopt(std::string_view opt, std::string_view arg) = 0;
    virtual void sdev(std::string_view device) = 0;
    virtual void sfnam(std::string_view name) = 0;
    virtual void scol0(int index, int r, int g, int b) = 0;
    virtual void scolbg(int r, int g, int b) = 0;
    virtual void init() = 0;
    virtual void ssub(int nx, int ny) = 0;
    virtual void fontld(int set) = 0;
    virtual void font(int f) = 0;
    virtual void adv(int page) = 0;
    virtual void vpor(double xmin, double xmax, double ymin, double ymax) = 0;
    virtual void wind(double xmin, double xmax, double ymin, double ymax) = 0;
    virtual void col0(int index) = 0;
    virtual void axes(double x0, double y0, std::string_view xopt, double xtick, int nxsub,
                      std::string_view yopt, double ytick, int nysub) = 0;
    virtual void lab(std::string_view x, std::string_view y, std::string_view title) = 0;
    virtual void mtex(std::string_view side, double disp, double pos, double just, std::string_view text) = 0;
    virtual void lsty(int style) = 0;
    virtual void width(double w) = 0;
    virtual void line(std::span<const double> x, std::span<const double> y) = 0;
    virtual void poin(std::span<const double> x, std::span<const double> y, int code) = 0;
    virtual void erry(std::span<const double> x, std::span<const double> ymin, std::span<const double> ymax) = 0;
    virtual void fill(std::span<const double> x, std::span<const double> y) = 0;
    virtual void psty(int pattern) = 0;
    virtual void env(double xmin, double xmax, double ymin, double ymax, int just, int axis) = 0;
    virtual void end() = 0;
    // Device names the backend can open.
    virtual bool has_device(std::string_view device) const = 0;
    // True when the display a screen device would open answers.
    virtual bool display_answers() = 0;
};

// The backend in use; tests install their own (nullptr: PLplot again). Each
// install shows the layer's once-per-run notes afresh.
PlotBackend& plot_backend();
void set_plot_backend(PlotBackend* backend);

namespace plot {

// The screen device the plots name: KOVRIN_PLOT_DEVICE when set, else "xwin"
// when DISPLAY is set, else "null" (with one console note per run).
inline constexpr std::string_view screen = "wingcc";
std::string resolve_device(std::string_view device);

// Devices by what they do: a window on a display, or one file per page (the
// file name extension; empty for any other device).
bool is_screen_device(std::string_view device);
std::string file_extension(std::string_view device);

// plsdev: "wingcc" is resolved as above. A device PLplot does not have becomes
// "null" with a console note (PLplot would otherwise ask on the console); so
// does a screen device whose display does not answer (one note per run). When
// the screen resolves to a file device, the page gets its own file:
// the output prefix of the data file, "_plot", the page number within the data
// file, the name set by name_pages and the device's extension. A page that
// cannot be created is named as every output file is (report_output_failure)
// and drawn on "null". PLplot writes every file, pages and PostScript saves,
// through a stream the layer opens and checks: a file cut short is named as
// incomplete once its pass ends, and the run goes on.
void sdev(std::string_view device);

// The name of the pages the plot now starting draws ("indices",
// "S01161_1st_detrending", ...), in the file names of a file device.
void name_pages(std::string_view what);
// A text as a part of a file name: letters, digits and "-" as they are, every
// other run of characters one "_" ("tree ring indices" gives "tree_ring_indices").
std::string file_word(std::string_view text);
// The file the next page on `device` goes to (the page number counts on).
std::string page_file_name(std::string_view device);

// True when a PostScript file of this name can be written; creates it empty when
// it did not exist (PLplot writes it next). A name of a file the run reads throws
// FileRefused, as every output file does.
bool can_write_file(const std::string& name);

// plaxes with a guard: a major step that would put over 1000 ticks on its axis,
// or minor ticks beyond 10000, gives PLplot's automatic ticks and a console note.
void axes(double x0, double y0, std::string_view xopt, double xtick, int nxsub, std::string_view yopt,
          double ytick, int nysub, double xmin, double xmax, double ymin, double ymax);

// The rest pass straight through.
inline void setopt(std::string_view o, std::string_view a) { plot_backend().setopt(o, a); }
inline void sfnam(std::string_view n) { plot_backend().sfnam(n); }
inline void scol0(int i, int r, int g, int b) { plot_backend().scol0(i, r, g, b); }
inline void scolbg(int r, int g, int b) { plot_backend().scolbg(r, g, b); }
inline void init() { plot_backend().init(); }
inline void ssub(int nx, int ny) { plot_backend().ssub(nx, ny); }
inline void fontld(int s) { plot_backend().fontld(s); }
inline void font(int f) { plot_backend().font(f); }
inline void adv(int p) { plot_backend().adv(p); }
inline void vpor(double a, double b, double c, double d) { plot_backend().vpor(a, b, c, d); }
inline void wind(double a, double b, double c, double d) { plot_backend().wind(a, b, c, d); }
inline void col0(int i) { plot_backend().col0(i); }
inline void lab(std::string_view x, std::string_view y, std::string_view t) { plot_backend().lab(x, y, t); }
inline void mtex(std::string_view s, double d, double p, double j, std::string_view t) {
    plot_backend().mtex(s, d, p, j, t);
}
inline void lsty(int s) { plot_backend().lsty(s); }
inline void width(double w) { plot_backend().width(w); }
void line(std::span<const float> x, std::span<const float> y);
void poin(std::span<const float> x, std::span<const float> y, int code);
void erry(std::span<const float> x, std::span<const float> ymin, std::span<const float> ymax);
void fill(std::span<const float> x, std::span<const float> y);
inline void psty(int p) { plot_backend().psty(p); }
inline void env(double a, double b, double c, double d, int j, int ax) { plot_backend().env(a, b, c, d, j, ax); }
inline void end() { plot_backend().end(); }

}  // namespace plot
}  // namespace kov
