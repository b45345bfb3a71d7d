#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "plotting/plot_menus.hpp"
#include "support/test_support.hpp"

using namespace kov;

namespace {

// The boxes of tests/data/plotting/menu_boxes.txt, each under its "[kind]" line:
// the menus as the plots showed them while each plot held its own box.
std::map<std::string, std::vector<std::string>> boxes_of_fixture() {
    std::map<std::string, std::vector<std::string>> boxes;
    std::string kind;
    for (const auto& line : kovtest::split_lines(kovtest::read_file(kovtest::test_data("plotting/menu_boxes.txt")))) {
        if (!line.empty() && line.front() == '[')
            kind = line.substr(1, line.size() - 2);
        else if (!line.empty())
            boxes[kind].push_back(line);
    }
    return boxes;
}

}  // namespace

TEST(PlotMenus, EveryPlotKeepsItsBoxAndItsAnswers) {
    using enum PlotMenuKind;
    using No = PlotMenu::No;
    const std::string request = "(/13x,'Unknown option re-enter a valid request')";
    const std::string choice = "(/13x,'Unknown option ',a,' re-enter a valid choise')";
    struct Case {
        PlotMenuKind kind;
        std::string name;
        int max_option;
        std::string unknown;
        bool names_answer;
        No no;
    } cases[] = {
        {eigenvalues, "eigenvalues", 17, request, false, No::continues},
        {weights, "weights", 17, request, false, No::continues},
        {gap_fill, "gap_fill", 17, request, false, No::clears_switch},
        {release, "release", 19, "(/13x,'unknown option re-enter a valid number')", false, No::clears_switch},
        {all_series, "all_series", 17, request, false, No::continues},
        {two_panel, "two_panel", 21, "(/13x,'unknown option re-enter a valid request')", false, No::clears_switch},
        {two_panel_depth, "two_panel_depth", 21, "(/13x,'unknown option re-enter a valid request')", false,
         No::clears_switch},
        {pooled_ar, "pooled_ar", 7, choice, true, No::continues},
        {loadings, "loadings", 7, choice, true, No::clears_switch},
        {scores, "scores", 17, "(/13x,'unknown option. please enter a valid request')", false, No::clears_switch},
        {transform_stats, "transform_stats", 21, "(/13x,'Unknown option re-enter a valid number or letter')", false,
         No::unknown},
    };
    const auto boxes = boxes_of_fixture();
    ASSERT_EQ(boxes.size(), std::size(cases));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const PlotMenu m = plot_menu(c.kind);
        ASSERT_TRUE(boxes.count(c.name));
        EXPECT_EQ(m.box, boxes.at(c.name));
        EXPECT_EQ(m.max_option, c.max_option);
        EXPECT_EQ(m.unknown, c.unknown);
        EXPECT_EQ(m.unknown_names_answer, c.names_answer);
        EXPECT_EQ(m.no, c.no);
    }
}
