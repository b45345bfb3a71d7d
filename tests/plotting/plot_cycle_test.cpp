// The plot cycle as the user meets it: the menu answers, redraws, the
// PostScript save and its refusals, run through the two-panel plot.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "plotting/plot_device.hpp"
#include "plotting/plot_services.hpp"
#include "plotting/recording_backend.hpp"
#include "shared/files.hpp"
#include "shared/tables.hpp"
#include "support/test_support.hpp"

namespace {

using kovtest::count;
using kovtest::Env;
using kovtest::RecordingBackend;
using kovtest::ScriptedConsole;

// Eleven years 1990 to 2000 of a series rising from 1.0 to 2.0, its curve and
// its indices: a kind-2 plot (before and after).
struct Series {
    std::vector<float> y, curve, idx, spl;
    kov::TwoPanelData data;
    Series() {
        for (int i = 0; i < 11; ++i) {
            y.push_back(1.0f + 0.1f * i);
            curve.push_back(1.5f);
            idx.push_back(0.5f + 0.05f * i);
            spl.push_back(0.75f);
        }
        data.col = {y.data(), curve.data(), nullptr, idx.data(), spl.data(), nullptr};
    }
};

struct EnvDevice {
    EnvDevice() { ::setenv("KOVRIN_PLOT_DEVICE", "null", 1); }
    ~EnvDevice() { ::unsetenv("KOVRIN_PLOT_DEVICE"); }
};

int run_kind2(const std::string& answers, RecordingBackend& rec, ScriptedConsole*& out, int flag = 1) {
    static Series s;
    static std::unique_ptr<ScriptedConsole> sc;
    sc.reset();  // the old console uninstalls itself first
    sc = std::make_unique<ScriptedConsole>(answers);
    out = sc.get();
    kov::plt2pn(s.data, 11, 1990, 1, "ABC01", " original series", " transformed", "years", "measurement (y)",
                "years", "measurement (z)", 2, ' ', flag, {}, 0);
    (void)rec;
    return flag;
}

TEST(PlotCycle, AnswersThatLeaveTheMenu) {
    EnvDevice env;
    struct {
        std::string typed;
        int flag_after;
    } cases[] = {{"\n", 1}, {"c\n", 1}, {"C\n", 1}, {"y\n", 1}, {"Y\n", 1}, {"n\n", 0}, {"N\n", 0}, {"c and more\n", 1}};
    for (const auto& c : cases) {
        RecordingBackend rec;
        ScriptedConsole* sc = nullptr;
        const int flag = run_kind2(c.typed, rec, sc);
        SCOPED_TRACE(c.typed);
        EXPECT_EQ(flag, c.flag_after);
        EXPECT_EQ(rec.passes(), 1);
        EXPECT_EQ(count(sc->output(), "enter option number > "), 1);
    }
}

TEST(PlotCycle, MenuBoxAndPrompt) {
    EnvDevice env;
    RecordingBackend rec;
    ScriptedConsole* sc = nullptr;
    run_kind2("c\n", rec, sc);
    const std::string expected =
        "\n\n"
        "               |************* plot options menu **************|\n"
        "               | replot             [0]  minor ticks y   [11] |\n"
        "               | background color   [1]  major ticks z   [12] |\n"
        "               | frame color        [2]  minor ticks z   [13] |\n"
        "               | text color         [3]  max. x          [14] |\n"
        "               | line color         [4]  min. x          [15] |\n"
        "               | curve  color       [5]  max. y          [16] |\n"
        "               | line style         [6]  min. y          [17] |\n"
        "               | curve width        [7]  max. z          [18] |\n"
        "               | major ticks x      [8]  min. z          [19] |\n"
        "               | minor ticks x      [9]  symbol type     [20] |\n"
        "               | major ticks y     [10]  symbol color    [21] |\n"
        "               |                                              |\n"
        "               |              reset options  [99]             |\n"
        "               |----------------------------------------------|\n"
        "               |    [s]ave   <[c]ontinue>  [n]o more plots    |\n"
        "               |______________________________________________|\n"
        "\n"
        "                enter option number > ";
    EXPECT_NE(sc->output().find(expected), std::string::npos) << sc->output();
}

TEST(PlotCycle, UnknownAnswersShowTheMessageAndTheMenuAgain) {
    EnvDevice env;
    for (std::string typed : {"-1", "24", "98", "x", "sa", "?"}) {
        RecordingBackend rec;
        ScriptedConsole* sc = nullptr;
        const int flag = run_kind2(typed + "\nc\n", rec, sc);
        SCOPED_TRACE(typed);
        EXPECT_EQ(flag, 1);
        EXPECT_EQ(rec.passes(), 1);
        EXPECT_EQ(count(sc->output(), "\n             unknown option re-enter a valid request\n"), 1);
        EXPECT_EQ(count(sc->output(), "enter option number > "), 2);
    }
}

TEST(PlotCycle, OnlyTheFirstTwoCharactersCount) {
    EnvDevice env;
    RecordingBackend rec;
    ScriptedConsole* sc = nullptr;
    run_kind2("100\n0.5\nc\n", rec, sc);  // 100 is option 10: the y major step
    EXPECT_NE(sc->output().find("change y axis major tics from:"), std::string::npos);
}

TEST(PlotCycle, AnOptionChangeShowsOnlyAfterReplot) {
    EnvDevice env;
    RecordingBackend rec;
    ScriptedConsole* sc = nullptr;
    run_kind2("4\n3\n0\nc\n", rec, sc);
    ASSERT_EQ(rec.passes(), 2);  // the change itself did not redraw
    // the data line of the top panel: colour 15 first, 3 after the replot
    EXPECT_EQ(rec.in_pass("line", 0).front().colour, 15);
    EXPECT_EQ(rec.in_pass("line", 1).front().colour, 3);
}

TEST(PlotCycle, ResetRedrawsWithDefaultsAndLimitsFromTheData) {
    EnvDevice env;
    RecordingBackend rec;
    ScriptedConsole* sc = nullptr;
    run_kind2("14\n2100\n4\n3\n0\n99\nc\n", rec, sc);
    ASSERT_EQ(rec.passes(), 3);
    EXPECT_EQ(rec.in_pass("wind", 0).front().v[1], 2010);  // a last year on a multiple of 10 gets 10 more
    EXPECT_EQ(rec.in_pass("wind", 1).front().v[1], 2100);  // typed maximum
    EXPECT_EQ(rec.in_pass("wind", 2).front().v[1], rec.in_pass("wind", 0).front().v[1]);
    EXPECT_EQ(rec.in_pass("line", 2).front().colour, 15);
}

TEST(PlotCycle, BackgroundSwapsColourEntriesZeroAndFifteen) {
    EnvDevice env;
    RecordingBackend rec;
    ScriptedConsole* sc = nullptr;
    run_kind2("1\n0\n0\n1\n2\n10\n20\n30\n0\nc\n", rec, sc);
    const auto sc0 = rec.named("scol0");
    const auto bg = rec.named("scolbg");
    ASSERT_EQ(sc0.size(), 6u);
    ASSERT_EQ(bg.size(), 3u);
    // white: entry 0 first, white; black: entry 15 first, white, and 0 black
    EXPECT_EQ(sc0[0].v, (std::vector<double>{0, 255, 255, 255}));
    EXPECT_EQ(sc0[1].v, (std::vector<double>{15, 0, 0, 0}));
    EXPECT_EQ(sc0[2].v, (std::vector<double>{15, 255, 255, 255}));
    EXPECT_EQ(sc0[3].v, (std::vector<double>{0, 0, 0, 0}));
    EXPECT_EQ(bg[1].v, (std::vector<double>{0, 0, 0}));
    EXPECT_EQ(sc0[4].v, (std::vector<double>{0, 255, 255, 255}));  // user defined: as white
    EXPECT_EQ(bg[2].v, (std::vector<double>{10, 20, 30}));
}

TEST(PlotCycle, SaveDrawsIntoTheFileAndTheMenuComesBackWithoutRedraw) {
    EnvDevice env;
    kovtest::TempDir dir;
    RecordingBackend rec;
    ScriptedConsole* sc = nullptr;
    const std::string name = (dir / "plot").string();  // no extension: used as typed
    run_kind2("s\n   " + name + "\n0\nc\n", rec, sc);
    ASSERT_EQ(rec.passes(), 3);
    const auto dev = rec.named("sdev");
    ASSERT_EQ(dev.size(), 3u);
    EXPECT_EQ(dev[0].s[0], "null");
    EXPECT_EQ(dev[1].s[0], "psc");
    EXPECT_EQ(dev[2].s[0], "null");  // 0 after a save draws on the screen again
    ASSERT_EQ(rec.named("sfnam").size(), 1u);
    EXPECT_EQ(rec.named("sfnam")[0].s[0], name);
    const auto geo = rec.named("setopt");
    EXPECT_EQ(geo[1].s, (std::vector<std::string>{"geometry", "600x1000"}));
    EXPECT_EQ(geo[2].s, (std::vector<std::string>{"geometry", "1000x700"}));
    EXPECT_NE(sc->output().find("               NOTE: The image file you are about to create is PostScript. \n"
                                "               To make this readily apparent to your OS we recommend adding\n"
                                "               the extension .ps to the file name.\n"
                                "               Enter plot file name > "),
              std::string::npos);
    EXPECT_EQ(count(sc->output(), "enter option number > "), 3);
}

TEST(PlotCycle, ANameThatCannotBeWrittenIsRefusedBeforePlplotSeesIt) {
    EnvDevice env;
    kovtest::TempDir dir;
    for (std::string typed : {std::string("\n"), std::string("   \n"), (dir / "no_such_folder" / "p.ps").string() + "\n",
                              dir.path().string() + "\n"}) {
        RecordingBackend rec;
        ScriptedConsole* sc = nullptr;
        run_kind2("s\n" + typed + "c\n", rec, sc);
        SCOPED_TRACE(typed);
        EXPECT_EQ(rec.passes(), 1);
        EXPECT_TRUE(rec.named("sfnam").empty());
        EXPECT_NE(sc->output().find("Enter plot file name > \n               Error reading plot file name\n"
                                    "               Try again and do not forget to append\n"
                                    "               the extension .ps\n\n\n               |****"),
                  std::string::npos);
    }
}

TEST(PlotCycle, ATickStepTooSmallGivesAutomaticTicks) {
    EnvDevice env;
    RecordingBackend rec;
    ScriptedConsole* sc = nullptr;
    run_kind2("8\n0.001\n0\nc\n", rec, sc);
    ASSERT_EQ(rec.passes(), 2);
    const auto ax = rec.in_pass("axes", 1);
    ASSERT_FALSE(ax.empty());
    EXPECT_EQ(ax[0].v[2], 0.0);  // PLplot's own step
    EXPECT_EQ(ax[0].v[3], 0.0);
    EXPECT_NE(sc->output().find("automatic ticks"), std::string::npos);
    EXPECT_EQ(rec.in_pass("axes", 0)[0].v[2], 10.0);
}

TEST(PlotDevice, TheScreenDeviceIsResolvedFromTheEnvironment) {
    Env device("KOVRIN_PLOT_DEVICE", nullptr), display("DISPLAY", ":0");
    EXPECT_EQ(kov::plot::resolve_device("wingcc"), "xwin");
    ::setenv("KOVRIN_PLOT_DEVICE", "svg", 1);
    EXPECT_EQ(kov::plot::resolve_device("wingcc"), "svg");
    EXPECT_EQ(kov::plot::resolve_device("psc"), "psc");
    ::unsetenv("KOVRIN_PLOT_DEVICE");
    ::unsetenv("DISPLAY");
    {
        RecordingBackend rec;  // a run of its own: the note was not shown yet
        ScriptedConsole sc("");
        EXPECT_EQ(kov::plot::resolve_device("wingcc"), "null");
        EXPECT_EQ(kov::plot::resolve_device("wingcc"), "null");
        EXPECT_EQ(count(sc.output(), "note:"), 1);  // one note per run
    }
}

TEST(PlotDevice, AnUnknownDeviceFallsBackToNull) {
    ::setenv("KOVRIN_PLOT_DEVICE", "nosuchdevice", 1);
    RecordingBackend rec;
    ScriptedConsole sc("");
    kov::plot::sdev("wingcc");
    ::unsetenv("KOVRIN_PLOT_DEVICE");
    ASSERT_EQ(rec.named("sdev").size(), 1u);
    EXPECT_EQ(rec.named("sdev")[0].s[0], "null");
    EXPECT_NE(sc.output().find("nosuchdevice"), std::string::npos);
}

TEST(PlotDevice, AScreenWhoseDisplayDoesNotAnswerIsNeverOpened) {
    Env device("KOVRIN_PLOT_DEVICE", nullptr), display("DISPLAY", ":0");
    for (bool answers : {true, false}) {
        RecordingBackend rec;
        rec.display = answers;
        ScriptedConsole sc("");
        kov::plot::sdev("wingcc");
        kov::plot::sdev("wingcc");
        kov::plot::sdev("psc");  // a save still goes to its file
        const auto dev = rec.named("sdev");
        ASSERT_EQ(dev.size(), 3u);
        EXPECT_EQ(dev[0].s[0], answers ? "xwin" : "null");
        EXPECT_EQ(dev[1].s[0], answers ? "xwin" : "null");
        EXPECT_EQ(dev[2].s[0], "psc");
        EXPECT_EQ(count(sc.output(), "does not answer: no screen plots are drawn"), answers ? 0 : 1);
    }
}

// With a file device for the screen every page is its own file, named by the
// data file, the page number within it and the plot, so PLplot never asks for
// a name; the PostScript save keeps the typed name.
TEST(PlotDevice, AFileDeviceNamesOneFilePerPage) {
    kovtest::TempDir dir;
    kovtest::InDir in(dir.path());
    auto& sh = kov::shared();
    const std::string saved_datfil = sh.datfil;
    ::setenv("KOVRIN_PLOT_DEVICE", "pngcairo", 1);
    auto files_of = [](const std::string& datfil, const std::string& answers) {
        kov::shared().datfil = datfil;
        RecordingBackend rec;
        ScriptedConsole* sc = nullptr;
        run_kind2(answers, rec, sc);
        std::vector<std::string> names;
        for (const auto& c : rec.named("sfnam")) names.push_back(c.s[0]);
        std::vector<std::string> devices;
        for (const auto& c : rec.named("sdev")) devices.push_back(c.s[0]);
        return std::make_pair(names, devices);
    };
    // a first plot drawn, redrawn (0) and saved; a second plot; then a new data file
    auto [first, dev1] = files_of("pages.txt", "0\ns\nmine.ps\nc\n");
    EXPECT_EQ(first, (std::vector<std::string>{"pages_plot001_ABC01_transform.png", "pages_plot002_ABC01_transform.png",
                                               "mine.ps"}));
    EXPECT_EQ(dev1, (std::vector<std::string>{"pngcairo", "pngcairo", "psc"}));
    EXPECT_EQ(files_of("pages.txt", "c\n").first, (std::vector<std::string>{"pages_plot003_ABC01_transform.png"}));
    EXPECT_EQ(files_of("oak", "c\n").first, (std::vector<std::string>{"oak_plot001_ABC01_transform.png"}));
    EXPECT_TRUE(dir.exists("pages_plot003_ABC01_transform.png"));

    // a page is not drawn when its name is a file the run reads (and nothing
    // is written over it) or when it cannot be created (its folder is
    // missing): that one is named as every output file that cannot be
    // created, and the run will end as a failure
    auto expect_not_drawn = [](const std::string& datfil, const std::string& note) {
        kov::shared().datfil = datfil;
        RecordingBackend rec;
        ScriptedConsole* sc = nullptr;
        run_kind2("c\n", rec, sc);
        EXPECT_TRUE(rec.named("sfnam").empty()) << datfil;
        EXPECT_EQ(rec.named("sdev")[0].s[0], "null") << datfil;
        EXPECT_NE(sc->output().find(note), std::string::npos) << sc->output();
    };
    dir.write("oak_plot002_ABC01_transform.png", "input");
    kov::protect_name("oak_plot002_ABC01_transform.png");
    expect_not_drawn("oak", "oak_plot002_ABC01_transform.png is a file this run reads");
    kov::clear_protected();
    EXPECT_EQ(dir.read("oak_plot002_ABC01_transform.png"), "input");
    kov::clear_failed_outputs();
    expect_not_drawn("no_such_folder/oak",
                     " *** output file cannot be created:  no_such_folder/oak_plot001_ABC01_transform.png");
    ASSERT_EQ(kov::failed_outputs().size(), 1u);
    EXPECT_EQ(kov::failed_outputs()[0].name, "no_such_folder/oak_plot001_ABC01_transform.png");
    kov::clear_failed_outputs();
    ::unsetenv("KOVRIN_PLOT_DEVICE");
    sh.datfil = saved_datfil;
}

TEST(PlotDevice, FileWords) {
    const std::pair<const char*, const char*> cases[] = {
        {"tree ring indices", "tree_ring_indices"},
        {" S01161  1st detrending", "S01161_1st_detrending"},
        {"1st-detrending curves with mean", "1st-detrending_curves_with_mean"},
        {"ab/../c d>3.5", "ab_c_d_3_5"},
        {"  ", ""},
    };
    for (const auto& [text, word] : cases) EXPECT_EQ(kov::plot::file_word(text), word) << text;
}

#ifdef KOVRIN_HAVE_PLPLOT
// PLplot ends the process on a fatal error unless its exit handler does not
// return: the failure must cost the plot, not the run.
TEST(PlotLibrary, AFatalErrorInPlplotSkipsThePlotAndTheRunGoesOn) {
    kov::PlotBackend& plplot = kov::plot_backend();
    if (!plplot.has_device("xwin")) GTEST_SKIP() << "PLplot has no xwin device here";
    Env display("DISPLAY", ":269");  // no server: PLplot's xwin stops with "Can't open display"
    ScriptedConsole sc("");
    plplot.sdev("xwin");  // straight to the backend: the layer would check the display first
    plplot.init();
    plplot.adv(0);
    plplot.end();
    EXPECT_NE(sc.output().find(" *** the plotting library failed: Can't open display -- the plot is not drawn"),
              std::string::npos)
        << sc.output();
    EXPECT_NE(sc.output().find("no screen plots are drawn for the rest of the run"), std::string::npos);
    // the next pass, on a file, is drawn
    kovtest::TempDir dir;
    plplot.sdev("psc");
    plplot.sfnam((dir / "after.ps").string());
    plplot.init();
    plplot.adv(0);
    plplot.end();
    EXPECT_EQ(kovtest::read_file(dir / "after.ps").substr(0, 4), "%!PS");
}

TEST(PlotSave, PlplotWritesAColourPostScriptFile) {
    EnvDevice env;
    kovtest::TempDir dir;
    ScriptedConsole sc("s\n" + (dir / "two.ps").string() + "\n0\ns\n" + (dir / "again").string() + "\nc\n");
    static Series s;
    int flag = 1;
    kov::plt2pn(s.data, 11, 1990, 1, "ABC01", " original series", " transformed", "years", "measurement (y)",
                "years", "measurement (z)", 2, ' ', flag, {}, 0);
    for (const char* f : {"two.ps", "again"}) {
        const std::string ps = kovtest::read_file(dir / f);
        ASSERT_GT(ps.size(), 1000u) << f;
        EXPECT_EQ(ps.substr(0, 4), "%!PS") << f;
    }
}
#endif

}  // namespace
