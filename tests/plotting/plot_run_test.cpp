// Whole runs with every plot on, on the devices a user meets: no screen, a
// display that does not answer, a real X display (Xvfb) and a file device.
// Whatever the device, the run ends normally and writes the same files as on
// the null device; a file device leaves one picture per page.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
// GCC 12 warns, without cause, of an uninitialised std::function inside the
// regex compiler when it inlines it into a sanitized build.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#include <regex>
#pragma GCC diagnostic pop
#include <set>
#include <sstream>
#include <string>
#include <vector>

#ifdef KOVTEST_HAVE_PNG
#include <png.h>
#endif

#include "support/test_support.hpp"

namespace {

namespace fs = std::filesystem;
using kovtest::count;
using kovtest::Env;
using kovtest::first_difference;
using kovtest::split_lines;
using kovtest::TempDir;

// The first six series of a real file (every plot of a run is drawn for
// them: the weights plots need a depth of six) with the command file that
// switches every plot on.
void lay_out_run(const TempDir& d) {
    std::set<std::string> ids;
    std::string data;
    for (const auto& line : split_lines(kovtest::read_file(kovtest::test_data("rwl/russ001.rwl")))) {
        const std::string id = line.substr(0, 6);
        if (!ids.count(id) && ids.size() == 6) continue;
        ids.insert(id);
        data += line + "\n";
    }
    d.write("site.txt", data);
    const std::string commands = kovtest::read_file(kovtest::test_data("options/all_plots_log.txt"));
    d.write("site_log.txt", "data file #  1  --  site.txt" + commands.substr(commands.find('\n')));
    d.write("list.txt", "site.txt\n");
}

struct PlotRunResult {
    kovtest::RunResult result;
    std::map<std::string, std::string> files;     // every file the run left but the pictures
    std::map<std::string, std::string> pictures;  // the .png files
};

// A batch run answered with Enter at every menu; DISPLAY and the plot device
// as given (nullptr: unset).
PlotRunResult run_all_plots(const char* display, const char* device) {
    TempDir d;
    lay_out_run(d);
    Env e1("DISPLAY", display), e2("KOVRIN_PLOT_DEVICE", device);
    PlotRunResult r;
    r.result = kovtest::run_kovrin(d.path(), "\nlist.txt\nrun title\ny\n" + std::string(3000, '\n'));
    for (const auto& entry : fs::directory_iterator(d.path())) {
        const std::string name = entry.path().filename().string();
        (entry.path().extension() == ".png" ? r.pictures : r.files)[name] = kovtest::read_file(entry.path());
    }
    return r;
}

// The console less the one note on the screen that differs between devices.
std::string without_screen_note(const std::string& out) {
    std::string kept;
    for (const auto& l : split_lines(out))
        if (l.find(" note: no plot screen (DISPLAY is not set)") == std::string::npos &&
            l.find(" note: the display ") == std::string::npos)
            kept += l + "\n";
    return kept;
}

// The run on the null device that the others are held against.
const PlotRunResult& reference() {
    static const PlotRunResult r = run_all_plots(nullptr, nullptr);
    return r;
}

void expect_same_outputs(const PlotRunResult& r) {
    const PlotRunResult& ref = reference();
    auto tail = [](const std::string& out) { return out.substr(out.size() - std::min<size_t>(1500, out.size())); };
    ASSERT_EQ(ref.result.status, 0) << tail(ref.result.out);
    EXPECT_EQ(r.result.status, 0) << tail(r.result.out);
    std::set<std::string> names, ref_names;
    for (const auto& [n, text] : r.files) names.insert(n);
    for (const auto& [n, text] : ref.files) ref_names.insert(n);
    EXPECT_EQ(names, ref_names);
    for (const auto& [n, text] : ref.files) {
        auto it = r.files.find(n);
        if (it != r.files.end()) {
            EXPECT_TRUE(it->second == text) << n << " differs";
        }
    }
    // the files of the last steps are written, and the run-wide chronology
    // files, which a run of one data file deletes at its normal end, are gone
    for (const char* f : {"site_crns.txt", "site_out.txt", "site_spectra.txt", "site_detail.txt"}) {
        ASSERT_TRUE(ref.files.count(f)) << f;
        EXPECT_GT(ref.files.at(f).size(), 100u) << f;
    }
    EXPECT_FALSE(ref.files.count("crns_std.txt"));
}

// A display number no X server uses here.
std::string unused_display() {
    for (int n = 271;; ++n) {
        const std::string num = std::to_string(n);
        if (!fs::exists("/tmp/.X11-unix/X" + num) && !fs::exists("/tmp/.X" + num + "-lock")) return ":" + num;
    }
}

// An Xvfb server for the scope, on a display number it picks itself.
class Xvfb {
public:
    Xvfb() {
        int fds[2];
        if (::pipe(fds) != 0) return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::close(fds[0]);
            const int quiet = ::open("/dev/null", O_WRONLY);
            ::dup2(quiet, 1);
            ::dup2(quiet, 2);
            const std::string fd = std::to_string(fds[1]);
            ::execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x1024x24", "-nolisten", "tcp",
                     static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(fds[1]);
        std::string number;
        pollfd p{fds[0], POLLIN, 0};
        char c;
        while (::poll(&p, 1, 20000) > 0 && ::read(fds[0], &c, 1) == 1 && c != '\n') number += c;
        ::close(fds[0]);
        if (!number.empty()) display_ = ":" + number;
    }
    ~Xvfb() {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    const std::string& display() const { return display_; }

private:
    pid_t pid_ = -1;
    std::string display_;
};

bool on_path(const std::string& program) {
    const char* path = std::getenv("PATH");
    std::stringstream dirs(path ? path : "");
    for (std::string dir; std::getline(dirs, dir, ':');)
        if (!dir.empty() && ::access((fs::path(dir) / program).c_str(), X_OK) == 0) return true;
    return false;
}

TEST(PlotRun, ADisplayThatDoesNotAnswerCostsNothingButTheScreen) {
    const std::string display = unused_display();
    const PlotRunResult r = run_all_plots(display.c_str(), nullptr);
    expect_same_outputs(r);
    // one line says so, and the plots still show their menus
    EXPECT_EQ(count(r.result.out, "no screen plots are drawn"), 1);
    EXPECT_EQ(count(r.result.out, " note: the display " + display + " does not answer: no screen plots are drawn"), 1);
    EXPECT_EQ(first_difference(without_screen_note(r.result.out), without_screen_note(reference().result.out)), "");
}

TEST(PlotRun, EveryPlotOnARealDisplay) {
    if (!on_path("Xvfb")) GTEST_SKIP() << "Xvfb is not installed: the run on a real X display is not tried";
    Xvfb x;
    ASSERT_FALSE(x.display().empty()) << "Xvfb did not start";
    const PlotRunResult r = run_all_plots(x.display().c_str(), nullptr);
    expect_same_outputs(r);
    // nothing but the screen note of the reference differs: PLplot neither
    // failed nor wrote anything on the console
    EXPECT_EQ(first_difference(without_screen_note(r.result.out), without_screen_note(reference().result.out)), "");
    EXPECT_EQ(count(r.result.out, "note:"), count(reference().result.out, "note:") - 1);
}

#ifdef KOVTEST_HAVE_PNG
// Width, height and the number of pixels unlike the top-left one (the
// background) of a PNG file; nullopt when it does not read as a PNG.
struct Picture {
    unsigned width = 0, height = 0;
    size_t drawn = 0;
};
std::optional<Picture> read_png(const std::string& bytes) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size())) return std::nullopt;
    image.format = PNG_FORMAT_RGB;
    std::vector<png_byte> pixels(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) return std::nullopt;
    Picture pic{image.width, image.height, 0};
    for (size_t i = 0; i + 2 < pixels.size(); i += 3)
        pic.drawn += pixels[i] != pixels[0] || pixels[i + 1] != pixels[1] || pixels[i + 2] != pixels[2];
    return pic;
}
#endif

TEST(PlotRun, AFileDeviceLeavesOnePicturePerPageAndAsksNothing) {
    // the device comes with PLplot's cairo drivers
    const PlotRunResult r = run_all_plots(nullptr, "pngcairo");
    if (r.result.out.find("plot device pngcairo is not available") != std::string::npos)
        GTEST_SKIP() << "PLplot has no pngcairo device here";
    expect_same_outputs(r);
    // PLplot asked nothing: the console is that of the run on the null device
    EXPECT_EQ(first_difference(without_screen_note(r.result.out), without_screen_note(reference().result.out)), "");

    // one picture per page: each menu follows one page
    const int pages = count(r.result.out, " enter option number > ");
    ASSERT_GT(pages, 50);
    ASSERT_EQ(static_cast<int>(r.pictures.size()), pages);
    const std::regex pattern("site_plot([0-9]{3})_[A-Za-z0-9_-]+\\.png");
    int k = 0;
    for (const auto& [name, bytes] : r.pictures) {
        std::smatch m;
        ASSERT_TRUE(std::regex_match(name, m, pattern)) << name;
        EXPECT_EQ(std::stoi(m[1].str()), ++k) << name;
    }
    // the gap fills come first; the names say what each page shows
    EXPECT_TRUE(r.pictures.count("site_plot001_S01161_fill.png"));
    for (const char* end : {"_indices_with_mean.png", "_spectra.png", "_raw_std.png", "_S01161_1st_detrending.png",
                            "_raw_weights.png", "_raw_eigenvalues.png"})
        EXPECT_EQ(std::count_if(r.pictures.begin(), r.pictures.end(), [&](const auto& p) { return p.first.ends_with(end); }),
                  1)
            << end;

#ifdef KOVTEST_HAVE_PNG
    // every picture opens at the size of the screen page, with a plot on it
    for (const auto& [name, bytes] : r.pictures) {
        const auto pic = read_png(bytes);
        ASSERT_TRUE(pic) << name;
        EXPECT_EQ(pic->width, 1000u) << name;
        EXPECT_EQ(pic->height, 700u) << name;
        // frames, ticks, labels and curves: far more than a stray mark
        EXPECT_GT(pic->drawn, 5000u) << name;
    }
#else
    GTEST_SKIP() << "libpng is not installed: the pictures are not read back";
#endif
}

}  // namespace
