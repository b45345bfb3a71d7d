#include <gtest/gtest.h>

#include "series/fixed_text.hpp"
#include "series/series_fixture.hpp"
#include "series/viewer.hpp"

using namespace kov;
using kovtest::count_lines_with;

namespace {

const std::string ruler =
    "     .........1.........2.........3.........4.........5.........6.........7.........8\n";

std::string numbered_file(int n) {
    std::string text;
    for (int i = 1; i <= n; ++i) text += "line " + std::to_string(i) + "\n";
    return text;
}

std::string shown(int number, const std::string& text) {
    std::string num = std::to_string(number);
    return " " + std::string(3 - num.size(), ' ') + num + " " + padded(text, 80) + "\n";
}

struct Viewer : kovtest::ListingFixture {
    TextIn file;
};

}  // namespace

TEST(Viewer, PagesFiveLinesAtATime) {
    Viewer v;
    v.open_text(v.file, numbered_file(7));
    kovtest::ScriptedConsole sc("\nm\n");
    snoop(v.file);
    std::string expected = "\n snooping in the data file (first 80 characters/line):\n" + ruler;
    for (int i = 1; i <= 5; ++i) expected += shown(i, "line " + std::to_string(i));
    expected += "\n more <ret>, read to end <e>, return to main program <m> " + ruler;
    expected += shown(6, "line 6") + shown(7, "line 7");
    expected += "\n end-of-snoop:     7 lines read\n\n more <ret> or return to main program <m> ";
    EXPECT_EQ(sc.output(), expected);
    EXPECT_EQ(v.file.line_number(), 0u);  // rewound for the caller
}

TEST(Viewer, ReadToEndShowsTheLastFiveLines) {
    Viewer v;
    v.open_text(v.file, numbered_file(12));
    kovtest::ScriptedConsole sc("e\nM\n");
    snoop(v.file);
    const std::string out = sc.output();
    EXPECT_EQ(out.find(shown(6, "line 6")), std::string::npos);
    EXPECT_EQ(out.find(shown(7, "line 7")), std::string::npos);
    const std::string tail = "\n last 5 lines in file (first 80 characters):\n" + ruler + shown(8, "line 8") +
                             shown(9, "line 9") + shown(10, "line 10") + shown(11, "line 11") +
                             shown(12, "line 12") + "\n end-of-snoop:    12 lines read\n\n";
    EXPECT_NE(out.find(tail), std::string::npos) << out;
    EXPECT_EQ(v.file.line_number(), 0u);
}

TEST(Viewer, ReturnAtOnceAndPromptsAtTheEnd) {
    struct Case {
        const char* what;
        int lines;
        const char* answers;
        const char* report;
        int rulers;
    };
    const Case cases[] = {
        {"M at the first prompt", 12, "M\n", "\n end-of-snoop:     5 lines read\n", 1},
        {"five lines: Enter reaches the end at once", 5, "\nm\n", "\n end-of-snoop:     5 lines read\n\n", 2},
    };
    for (const Case& c : cases) {
        Viewer v;
        v.open_text(v.file, numbered_file(c.lines));
        kovtest::ScriptedConsole sc(c.answers);
        snoop(v.file);
        EXPECT_NE(sc.output().find(c.report), std::string::npos) << c.what << "\n" << sc.output();
        EXPECT_EQ(count_lines_with(sc.output(), ".........1.........2"), c.rulers) << c.what;
        EXPECT_EQ(v.file.line_number(), 0u) << c.what;
    }
}

TEST(Viewer, AnotherLookStartsAgainAndTabsShowAsBlanks) {
    Viewer v;
    v.open_text(v.file, "a\tb\nline 2\n");
    kovtest::ScriptedConsole sc("\nm\n");
    snoop(v.file);
    const std::string out = sc.output();
    EXPECT_EQ(count_lines_with(out, "snooping in the data file"), 1);
    EXPECT_EQ(count_lines_with(out, "   1 a b"), 2);
    EXPECT_EQ(count_lines_with(out, "end-of-snoop:     2 lines read"), 2);
}
