#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "options/option_help.hpp"
#include "shared/stop.hpp"
#include "support/test_support.hpp"

using namespace kov;

namespace {

std::string page(int option, const std::string& input = "") {
    kovtest::ScriptedConsole sc(input);
    opthelp(option);
    return sc.output();
}

}  // namespace

// Each page explains its option with the figures and examples users look for.
TEST(OptionHelp, PagesCarryTheirFiguresAndExamples) {
    const struct {
        int option;
        std::vector<std::string> phrases;
    } cases[] = {
        {1, {"four", "tucson", "cru", "compact"}},
        {2, {"-9999", "negative"}},
        {3, {"1/6", "0.01", "inverse hypersine", "power"}},
        {4, {"-6", "variable span super smoother", "-4", "-100", "-3", "-2", "-1",
             "f(i) = y(i) - y(i-1)", "a*exp(-b*t(i)) + d", "rises in the juvenile phase", "b = 1.0", "100", "-66"}},
        {5, {"regional curve", "-2"}},
        {7, {"batch processing"}},
        {9, {"2.00", "2.58", "3.50", "1 in 20", "1 in 100", "1 in 1000"}},
        {10, {"minimum aic"}},
        {11, {"-1", "pooled"}},
        {12, {"-50", "-25", "-75", "-1", "-100", "median"}},
        {13, {"rbar-weighted", "n > 20", "spline"}},
        {14, {"rbar", "snr", "eps", "sss"}},
        {15, {"SSSTTCC", "ssttc", "8"}},
        {16, {"overlap", "10"}},
        {17, {"1", "4"}},
        {18, {"tucson", "cru", "compact", "space", "tab", "comma", "spreadsheet"}},
        {19, {"spaghetti", "batch"}},
        {20, {"endogenous", "3.5", "1 in 1000"}},
    };
    for (const auto& c : cases) {
        const std::string text = page(c.option, std::string(7, '\n'));
        for (const auto& p : c.phrases) EXPECT_NE(text.find(p), std::string::npos) << c.option << ": " << p;
    }
}

// Pages are written from column 2 after an empty line, and name no person:
// methods are described, not credited.
TEST(OptionHelp, LayoutAndNoPersonNamed) {
    const std::vector<std::string> people = {"melvin", "friedman", "hugershoff", "briffa", "tukey",
                                             "nowacki", "abrams", "vane"};
    for (int k = 0; k <= 21; ++k) {
        const std::string text = page(k, std::string(7, '\n'));
        ASSERT_FALSE(text.empty());
        EXPECT_EQ(text[0], '\n') << k;
        for (const auto& l : kovtest::split_lines(text)) {
            if (l.empty()) continue;
            EXPECT_EQ(l[0], ' ') << k << ": " << l;
            EXPECT_LE(l.size(), 80u) << k << ": " << l;
        }
        std::string lower = text;
        for (char& ch : lower) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
        for (const auto& p : people) EXPECT_EQ(lower.find(p), std::string::npos) << k << ": " << p;
    }
}

TEST(OptionHelp, NumbersOutside2To20ShowTheDataFormatPage) {
    const std::string first = page(1);
    for (int k : {0, -3, 21, 25}) EXPECT_EQ(page(k), first) << k;
    EXPECT_NE(page(2), first);
}

// The detrending page waits after each of its seven screens; the end of
// console input at a wait counts as Return.
TEST(OptionHelp, DetrendingPageHasSevenScreens) {
    std::string text;
    EXPECT_NO_THROW(text = page(4, ""));
    int waits = 0;
    for (auto at = text.find(" Hit Return to Continue"); at != std::string::npos;
         at = text.find(" Hit Return to Continue", at + 1))
        ++waits;
    EXPECT_EQ(waits, 7);
    EXPECT_EQ(text.substr(text.size() - 22), "Hit Return to Continue");
    for (int k : {1, 2, 3, 5, 20}) EXPECT_EQ(page(k).find("Hit Return"), std::string::npos) << k;
}
