#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "options/option_block.hpp"
#include "options/option_entry.hpp"
#include "options/option_help.hpp"
#include "shared/console.hpp"
#include "shared/stop.hpp"
#include "support/test_support.hpp"

using namespace kov;

namespace {

OptionBlock defaults() {
    OptionBlock o;
    std::string mask;
    set_option_defaults(o, mask);
    return o;
}

struct Entry {
    OptionBlock o;
    std::string mask = "SSSTTCC ";
    std::string out;
    int stop = -1;          // exit status of a stop, -1 without one
    bool unread = false;    // answers were left over: fewer questions than scripted
};

// Runs the entry of one option on a copy of `start` with scripted answers.
Entry enter(int option, const std::string& input, const OptionBlock& start = defaults()) {
    Entry e;
    e.o = start;
    kovtest::ScriptedConsole sc(input);
    try {
        optkey(option, e.o, e.mask);
        e.unread = con().read_line().has_value();
    } catch (const Stop& s) {
        e.stop = s.status;
    }
    e.out = sc.output();
    return e;
}

struct Slot {
    int k, j, v;
};

struct Case {
    const char* what;
    int option;
    std::string input;
    std::vector<Slot> changes;                      // every slot that differs from the start
    std::function<void(OptionBlock&)> setup = {};   // the start, from the defaults
};

std::string describe(const OptionBlock& o) {
    std::string s;
    for (int k = 1; k <= 20; ++k) {
        s += "(" + std::to_string(k) + ")";
        for (int j = 1; j <= 5; ++j) s += " " + std::to_string(o(k, j));
        s += "\n";
    }
    return s;
}

}  // namespace

// Scripted answers for every option and the slots they leave; every other slot
// keeps its value. Where an answer is asked again, the next scripted answer is
// the one stored; a question asked more or less often than scripted fails.
TEST(OptionEntry, ScriptedAnswersStoreTheSlotsOfEachOption) {
    const std::vector<Case> cases = {
        {"data type: empty takes 1", 1, "\n", {{1, 1, 1}}, [](OptionBlock& o) { o(1, 1) = 3; }},
        {"data type: 5 and 0 asked again", 1, "5\n0\n3\n", {{1, 1, 3}}},
        {"data type: a number after a blank is read as typed", 1, " 3\n", {{1, 1, 3}}},
        {"data type: 13 is out of range", 1, "13\n2\n", {{1, 1, 2}}},
        {"data type: a word is asked again", 1, "tucson\n4\n", {{1, 1, 4}}},
        {"option 21 is the data type", 21, "2\n", {{1, 1, 2}}},
        {"option 0 is the data type", 0, "4\n", {{1, 1, 4}}},
        {"missing data: any integer", 2, "7\nn\n", {{2, 1, 7}}},
        {"missing data: empty is -9, plot yes", 2, "\ny\n", {{2, 1, -9}, {2, 2, 1}}, [](OptionBlock& o) { o(2, 1) = 5; }},
        {"missing data: blank then digits read as typed", 2, "  7\n\n", {{2, 1, 7}}},
        {"missing data: plot question clears the switch", 2, "-9\nN\n", {{2, 2, 0}},
         [](OptionBlock& o) { o(2, 2) = 1; }},
        {"missing data: other letters ask the plot again", 2, "-9\nx\nY\n", {{2, 2, 1}}},
        {"transformation 5 asks the plot", 3, "5\ny\n", {{3, 1, 5}, {3, 2, 1}, {8, 1, 2}}},
        {"transformation 0 asks no plot and sets ratios", 3, "0\n", {{3, 1, 0}, {8, 1, 1}},
         [](OptionBlock& o) { o(3, 1) = 3; o(8, 1) = 2; }},
        {"transformation: empty is 0", 3, "\n", {}},
        {"transformation 6 asked again, its index type stays", 3, "6\n0\n", {}},
        {"first detrending -8 asked again, 15 kept stiffness", 4, "-8\n15\nn\n", {{4, 1, 15}}},
        {"first detrending 9 names no curve: asked again", 4, "9\n10\nn\n", {{4, 1, 10}}},
        {"first detrending -30 percent spline", 4, "-30\ny\n", {{4, 1, -30}, {4, 3, 1}}},
        {"first detrending: empty is -6 with 20 years", 4, "\n\nn\n", {{4, 1, -6}, {4, 2, 20}},
         [](OptionBlock& o) { o(4, 1) = 1; o(4, 2) = 7; }},
        {"age-dependent spline stiffness typed", 4, "-6\n35\nn\n", {{4, 2, 35}}},
        {"age-dependent spline stiffness below 5 refused", 4, "-6\n4\n0\n5\nn\n", {{4, 2, 5}}},
        {"super smoother sensitivity", 4, "-5\n10\n-1\n5\nn\n", {{4, 1, -5}, {4, 2, 5}}},
        {"super smoother: empty goes back to the list", 4, "-5\n\n7\nn\n", {{4, 1, 7}}},
        {"median window 8 asked again, 9 stored", 4, "-3\n8\n9\nn\n", {{4, 1, -3}, {4, 2, 9}}},
        {"median window percent", 4, "-3\n2\n-101\n-100\nn\n", {{4, 1, -3}, {4, 2, -100}}},
        {"lowess window even is fine", 4, "-4\n0\n4\nn\n", {{4, 1, -4}, {4, 2, 4}}},
        {"lowess: empty goes back to the list", 4, "-4\n\n-1\nn\n", {{4, 1, -1}}},
        {"regional curve sets the width to 0", 4, "-2\nn\n", {{4, 1, -2}, {4, 2, 0}}},
        {"second detrending: empty and -2 asked again", 5, "\n-2\n1\nn\n", {{5, 1, 1}}},
        {"second detrending -9, -8, -7, 9 asked again, -1 taken", 5, "-9\n-8\n-7\n9\n-1\ny\n", {{5, 1, -1}, {5, 3, 1}}},
        {"second detrending -5 keeps its width", 5, "-5\nn\n", {{5, 1, -5}}, [](OptionBlock& o) { o(5, 2) = 3; }},
        {"second detrending lowess window", 5, "-4\n-20\nn\n", {{5, 1, -4}, {5, 2, -20}}},
        {"second detrending median: empty back to the list", 5, "-3\n\n6\nn\n", {{5, 1, 6}}},
        {"second age-dependent spline gets a usable stiffness", 5, "-6\nn\n", {{5, 1, -6}, {5, 2, 20}}},
        {"second age-dependent spline keeps a usable stiffness", 5, "-6\nn\n", {{5, 1, -6}},
         [](OptionBlock& o) { o(5, 2) = 12; }},
        {"regional curve: -6 with 4 asked again, 12 stored", 5, "-6\n4\n12\nn\n",
         {{5, 1, -6}, {5, 2, 12}}, [](OptionBlock& o) { o(4, 1) = -2; o(4, 2) = 0; }},
        {"regional curve: -6 with empty keeps 10", 5, "-6\n\nn\n", {{5, 1, -6}, {5, 2, 10}},
         [](OptionBlock& o) { o(4, 1) = -2; o(4, 2) = 0; }},
        {"general detrending: only 1", 6, "2\n0\n\n", {}},
        {"interactive work 4 asked again", 7, "4\n-1\n3\n", {{7, 1, 3}}},
        {"interactive work: empty is 0", 7, "\n", {{7, 1, 0}}, [](OptionBlock& o) { o(7, 1) = 2; }},
        {"index: empty is ratios without transformation", 8, "\n", {{8, 1, 1}}, [](OptionBlock& o) { o(8, 1) = 2; }},
        {"index: empty is differences with transformation", 8, "\n", {{8, 1, 2}}, [](OptionBlock& o) { o(3, 1) = 2; }},
        {"index: 3 asked again", 8, "3\n0\n2\n", {{8, 1, 2}}},
        {"ar 1 leaves criterion and plot", 9, "1\n", {}, [](OptionBlock& o) { o(9, 2) = 2; o(9, 3) = 1; }},
        {"ar 3 with empty criterion", 9, "3\n\nn\n", {{9, 1, 3}, {9, 2, 3}}},
        {"ar 2: criterion 0 and 4 asked again", 9, "2\n0\n4\n1\ny\n", {{9, 1, 2}, {9, 2, 1}, {9, 3, 1}}},
        {"ar 0", 9, "0\n", {{9, 1, 0}}},
        {"ar: empty is 1, nothing more asked", 9, "\n", {{9, 1, 1}}, [](OptionBlock& o) { o(9, 1) = 3; }},
        {"pooled order 3 with plot", 10, "3\ny\n", {{10, 1, 3}, {10, 2, 1}}},
        {"pooled order 11 asked again", 10, "11\n-1\n\nn\n", {}},
        {"series order -2 and 11 asked again", 11, "-2\n11\n\n", {{11, 1, 0}}, [](OptionBlock& o) { o(11, 1) = 4; }},
        {"series order -1", 11, "-1\n", {{11, 1, -1}}},
        {"mean 0 clears all four slots", 12, "0\n", {{12, 1, 0}, {12, 2, 0}, {12, 3, 0}, {12, 4, 0}},
         [](OptionBlock& o) { o(12, 2) = 1; o(12, 3) = 1; o(12, 4) = 20; }},
        {"median with bootstrap, no plot", 12, "-50\ny\nn\n", {{12, 1, -50}, {12, 3, 1}, {12, 4, 20}, {13, 1, 0}}},
        {"mean out of range, then arithmetic without bootstrap", 12, "-101\n3\n1\n\n", {{12, 1, 1}}},
        {"bootstrap question asks again on other letters", 12, "\nq\nY\ny\n",
         {{12, 3, 1}, {12, 4, 20}, {12, 2, 1}, {13, 1, 0}}},
        {"stabilisation with bootstrap keeps the code", 13, "1\n", {{13, 1, 1}},
         [](OptionBlock& o) { o(12, 3) = 1; o(12, 4) = 20; o(13, 1) = 0; }},
        {"stabilisation 7 without bootstrap", 13, "7\n", {{13, 1, 7}}},
        {"stabilisation: empty is 1", 13, "\n", {{13, 1, 1}}, [](OptionBlock& o) { o(13, 1) = 0; }},
        {"common period: empty first, four-digit last", 14, "\n1950\n", {{14, 2, 1950}}},
        {"common period ending before it starts asked again", 14, "1900\n1800\n2000\n",
         {{14, 1, 1900}, {14, 2, 2000}}},
        {"common period: first year only", 14, "1900\n\n", {{14, 1, 1900}}},
        {"running rbar: empty window still asks overlap and plot", 16, "\n\nn\n", {{16, 1, 0}, {16, 2, 0}}},
        {"running rbar overlap not below the window asked again", 16, "40\n40\n55\n20\ny\n",
         {{16, 1, 40}, {16, 2, 20}, {16, 3, 1}}},
        {"printout 5 asked again", 17, "5\n0\n4\n", {{17, 1, 4}}},
        {"printout: empty is 2", 17, "\n", {{17, 1, 2}}, [](OptionBlock& o) { o(17, 1) = 1; }},
        {"save 8 asked again", 18, "8\n6\n", {{18, 1, 6}}},
        {"save: empty is 0", 18, "\n", {{18, 1, 0}}, [](OptionBlock& o) { o(18, 1) = 4; }},
        {"summary plots 3", 19, "4\n3\n", {{19, 1, 3}}},
        {"summary plots: empty is 0", 19, "\n", {{19, 1, 0}}, [](OptionBlock& o) { o(19, 1) = 2; }},
        {"stand dynamics: empty is 0, nothing more asked", 20, "\n", {{20, 1, 0}},
         [](OptionBlock& o) { o(20, 1) = 2; }},
        {"stand dynamics 0 leaves the thresholds", 20, "0\n", {},
         [](OptionBlock& o) { o(20, 2) = 9; o(20, 5) = 1; }},
        {"stand dynamics 1 asks the plot only", 20, "1\ny\n", {{20, 1, 1}, {20, 5, 1}}},
        {"releases: thresholds asked again out of range", 20, "2\nn\n4\n20\n300\n50\n",
         {{20, 1, 2}, {20, 2, 20}, {20, 3, 50}}, [](OptionBlock& o) { o(20, 4) = 4; }},
        {"modified releases: standard error 6 asked again", 20, "3\nn\n20\n50\n6\n2\n",
         {{20, 1, 3}, {20, 2, 20}, {20, 3, 50}, {20, 4, 2}}},
        {"a word at the window brings back the plot question", 20, "2\nn\nwide\ny\n20\n50\n",
         {{20, 1, 2}, {20, 5, 1}, {20, 2, 20}, {20, 3, 50}}},
        {"empty answers take the shown defaults", 20, "3\nn\n\n\n\n",
         {{20, 1, 3}, {20, 2, 10}, {20, 3, 25}, {20, 4, 2}}},
        {"a word steps back from each threshold", 20, "3\nn\n30\nx\n40\n50\nx\n60\n1\n",
         {{20, 1, 3}, {20, 2, 40}, {20, 3, 60}, {20, 4, 1}}},
        {"thresholds: a number after a blank is read as typed", 20, "2\n\n 20\n 50\n",
         {{20, 1, 2}, {20, 2, 20}, {20, 3, 50}}},
    };
    for (const Case& c : cases) {
        OptionBlock start = defaults();
        if (c.setup) c.setup(start);
        OptionBlock want = start;
        for (const Slot& s : c.changes) want(s.k, s.j) = s.v;
        const Entry e = enter(c.option, c.input, start);
        EXPECT_EQ(e.stop, -1) << c.what << "\n" << e.out;
        EXPECT_FALSE(e.unread) << c.what << ": fewer questions than answers";
        EXPECT_EQ(describe(e.o), describe(want)) << c.what;
    }
}

TEST(OptionEntry, MaskIsTakenAsTyped) {
    struct MaskCase {
        std::string input, mask;
    } cases[] = {
        {"ssttc\n", "ssttc   "},
        {"\n", "        "},
        {" SSTTTCC\n", " SSTTTCC"},
        {"SSSTTTCCCC\n", "SSSTTTCC"},
        {"help\nSSSTTCC\n", "SSSTTCC "},
    };
    for (const auto& c : cases) {
        OptionBlock start = defaults();
        start(15, 1) = 3;
        const Entry e = enter(15, c.input, start);
        EXPECT_EQ(e.stop, -1);
        EXPECT_FALSE(e.unread);
        EXPECT_EQ(e.mask, c.mask) << c.input;
        EXPECT_EQ(e.o(15, 1), 0);
    }
}

// "/" as the first character of an answer stops the program at once, a stop
// the user asked for; end of input at a question stops with status 2.
TEST(OptionEntry, SlashStopsAndEndOfInputStopsWithStatus2) {
    const struct {
        int option;
        std::string input;
        int status;
    } cases[] = {
        {1, "/\n", exit_ok},        {2, "/\n", exit_ok},       {4, "-6\n/\n", exit_ok},
        {4, "-5\n/\n", exit_ok},    {5, "/\n", exit_ok},       {9, "3\n/\n", exit_ok},
        {12, "/\n", exit_ok},       {14, "1900\n/\n", exit_ok}, {15, "/abc\n", exit_ok},
        {16, "50\n/\n", exit_ok},   {20, "/\n", exit_ok},      {3, "/\n", exit_ok},
        {6, "/\n", exit_ok},        {7, "/\n", exit_ok},       {8, "/\n", exit_ok},
        {10, "/\n", exit_ok},       {11, "/\n", exit_ok},      {13, "/\n", exit_ok},
        {17, "/\n", exit_ok},       {18, "/\n", exit_ok},      {19, "/\n", exit_ok},
        {1, "", exit_end_of_input},
        {3, "2\n", exit_end_of_input}, {20, "2\nn\n", exit_end_of_input},
        // the three thresholds of the release detection
        {20, "2\nn\n/\n", exit_ok}, {20, "2\nn\n20\n/\n", exit_ok}, {20, "3\nn\n20\n50\n/\n", exit_ok},
    };
    for (const auto& c : cases) {
        const Entry e = enter(c.option, c.input);
        EXPECT_EQ(e.stop, c.status) << c.option << " " << c.input;
    }
}

// "h" or any word beginning with h shows the option's own help page and then
// asks the same question again.
TEST(OptionEntry, HelpShowsTheOptionsPageThenTheQuestionAgain) {
    const struct {
        int option;
        std::string input;
        int page;
    } cases[] = {
        {1, "h\n1\n", 1},          {25, "H\n1\n", 1},     {2, "help\n\n\n", 2},
        {3, "h\n0\n", 3},          {5, "h\n1\nn\n", 5},   {6, "h\n1\n", 6},
        {7, "h\n0\n", 7},          {8, "h\n1\n", 8},      {9, "2\nh\n3\nn\n", 9},
        {10, "h\n0\nn\n", 10},     {11, "h\n0\n", 11},    {12, "h\n0\n", 12},
        {13, "h\n1\n", 13},        {14, "\nh\n\n", 14},   {15, "h\nSSSTTCC\n", 15},
        {16, "\nh\n\nn\n", 16},    {17, "h\n2\n", 17},    {18, "h\n0\n", 18},
        {19, "h\n0\n", 19},        {20, "2\nn\nh\n20\n50\n", 20},
    };
    for (const auto& c : cases) {
        std::string page;
        {
            kovtest::ScriptedConsole sc("");
            opthelp(c.page);
            page = sc.output();
        }
        const Entry e = enter(c.option, c.input);
        EXPECT_EQ(e.stop, -1) << c.option;
        EXPECT_FALSE(e.unread) << c.option;
        const auto at = e.out.find(page);
        ASSERT_NE(at, std::string::npos) << "option " << c.option << " does not show page " << c.page;
        EXPECT_NE(e.out.find("==> ", at + page.size()), std::string::npos) << "no question after the page";
    }
}

// The detrending page comes in seven screens; each waits for Return.
TEST(OptionEntry, DetrendingHelpWaitsAfterEachOfSevenScreens) {
    const Entry e = enter(4, "h\n\n\n\n\n\n\n\n15\nn\n");
    EXPECT_EQ(e.stop, -1);
    EXPECT_FALSE(e.unread);
    EXPECT_EQ(e.o(4, 1), 15);
    int waits = 0;
    for (auto at = e.out.find("Hit Return to Continue"); at != std::string::npos;
         at = e.out.find("Hit Return to Continue", at + 1))
        ++waits;
    EXPECT_EQ(waits, 7);
}

namespace {

// The console output as the user sees it: a prompt keeps the cursor on its
// line, and the Return typed there ends it.
std::vector<std::string> shown_lines(const std::string& out) {
    std::string shown;
    for (char ch : out) {
        shown += ch;
        if (shown.size() >= 4 && shown.compare(shown.size() - 4, 4, "==> ") == 0) shown += '\n';
    }
    return kovtest::split_lines(shown);
}

bool has_line(const std::vector<std::string>& lines, const std::string& want) {
    for (const auto& l : lines)
        if (l == want) return true;
    return false;
}

}  // namespace

// The heading of the entry and the question lines, to the character (placed by
// tests/options/menu_lines.py from the columns of text, marker and prompt).
TEST(OptionEntry, QuestionLinesToTheCharacter) {
    const Entry one = enter(1, "1\n");
    const std::vector<std::string> want = {
        "",
        " input control parameters from keyboard",
        "",
        " hit <ret> for any specified default <parameters>",
        "",
        " tree-ring measurement types (/ to exit, h for help):",
        " raw measurements  (tucson format)   <1>",
        " tree-ring series (uea cru format)    2",
        " tree-ring indices (tucson format)    3",
        " tree-ring series in compact format   4",
        " enter your data format type                ==> ",
    };
    EXPECT_EQ(shown_lines(one.out), want);

    const struct {
        int option;
        std::string input, line;
    } cases[] = {
        {3, "0\n", " adaptive power transform (rt^p)      4             (*** experimental!!! ***)"},
        {4, "1\nn\n", " age dependent spline               <-6>"},
        {4, "1\nn\n", " smoothing spline (pct n cutoff)    <-9     ==> "},
        {5, "1\nn\n", " age dependent spline                -6"},
        {7, "0\n", " interactive gap and detrend          3     ==> "},
        {18, "0\n", " save in the compact data format      4"},
        {8, "1\n", " indices or ratios (rt/gt)           <1>"},
        {8, "1\n", " residuals or differences (rt-gt)     2     ==> "},
        {5, "-2\n1\nn\n", " *** rcs option not allowed for 2nd detrending ***"},
        {13, "1\n", " variance stabilization (/ to exit, h for help):"},
        {20, "2\nn\n20\n50\n", "  percent growth changes (range 5-50)       ==> "},
        {20, "2\nn\n20\n50\n", "  for identifying releases (range 5-200)    ==> "},
        // each threshold shows the default an empty answer takes above its prompt
        {20, "3\nn\n20\n50\n2\n", " enter running mean width for calculating   <10>"},
        {20, "3\nn\n20\n50\n2\n", " enter percent growth change theshold       <25>"},
        {20, "3\nn\n20\n50\n2\n", " enter standard error theshold for          <2>"},
        {2, "\n\n", " plot the in-filled data? y/<n>             ==> "},
    };
    for (const auto& c : cases) {
        const Entry e = enter(c.option, c.input);
        EXPECT_TRUE(has_line(shown_lines(e.out), c.line)) << c.option << ": [" << c.line << "]\n" << e.out;
    }
    // Option 13 with bootstrap limits on: the two-line notice.
    OptionBlock boot = defaults();
    boot(12, 3) = 1;
    const auto notice = shown_lines(enter(13, "2\n", boot).out);
    ASSERT_GE(notice.size(), 3u);
    EXPECT_EQ(std::vector<std::string>(notice.end() - 3, notice.end()),
              (std::vector<std::string>{"", " bootstrap limits will be calculated.", " no variance stabilization is allowed."}));
    EXPECT_EQ(enter(13, "2\n").out.find("bootstrap limits will be calculated."), std::string::npos);
}
