#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "plotting/plot_cycle.hpp"
#include "plotting/plot_services.hpp"
#include "plotting/recording_backend.hpp"
#include "support/test_support.hpp"

namespace {

using kovtest::RecordingBackend;

TEST(ComponentPlots, PanelLabels) {
    struct {
        int kind, comp;
        float pct;
        std::string label;
    } cases[] = {
        {1, 3, 12.5f, "PC_3 12.50 %"},
        {1, 12, 45.23f, "PC_1245.23 %"},  // number and percentage run together
        {1, 12, 5.6f, "PC_12 5.60 %"},
        {2, 1, 60.0f, "VF_1 60.00 %"},
    };
    for (const auto& c : cases) EXPECT_EQ(kov::component_label(c.kind, c.comp, c.pct), c.label);
}

struct Page {
    std::array<float, 4> pct{30.0f, 0.0f, 0.0f, 0.0f};
    std::array<int, 4> comp{9, 10, 11, 12};
    int iplot = 2;
    std::string out;
};

void loadings(RecordingBackend&, Page& p, int nser, int istage, const std::string& answers) {
    std::vector<float> load(static_cast<size_t>(nser) * 4, 0.0f);
    for (int i = 0; i < nser; ++i) load[i] = 0.1f * (i + 1) - 0.3f;
    ::setenv("KOVRIN_PLOT_DEVICE", "null", 1);
    kovtest::ScriptedConsole sc(answers);
    kov::pltldg(load, nser, 1, "site.rwl", " raw measurements common period principal components", p.iplot, nser,
                istage, p.pct, 1, p.comp, 9);
    ::unsetenv("KOVRIN_PLOT_DEVICE");
    p.out = sc.output();
}

TEST(ComponentPlots, LoadingsPageEndsAtTheFirstPanelNotShown) {
    RecordingBackend rec;
    Page p;  // the third page of nine components: component 9 only
    loadings(rec, p, 8, 1, "c\n");
    EXPECT_EQ(rec.named("wind").size(), 1u);
    EXPECT_EQ(rec.named("adv").size(), 3u);  // the title page, before panel 1, after panel 1
    const auto ax = rec.named("axes");
    ASSERT_EQ(ax.size(), 1u);
    // eight series: a major tick at every series, no minor ticks
    EXPECT_EQ(ax[0].s[0], "abitnr");
    EXPECT_EQ(ax[0].v[2], 1.0);
    EXPECT_EQ(ax[0].v[3], 0);
    EXPECT_EQ(rec.named("lab")[0].s, (std::vector<std::string>{"", "loadings", "PC_9 30.00 %"}));
    const auto fills = rec.named("fill");
    ASSERT_EQ(fills.size(), 8u);
    EXPECT_EQ(fills[2].x, (std::vector<double>{2, 2, 3, 3}));  // series 3 from 2 to 3
    EXPECT_EQ(rec.named("mtex")[0].s[1], " raw measurements common period principal components");
}

TEST(ComponentPlots, LoadingsAxesByCountAndStage) {
    {
        RecordingBackend rec;
        Page p;
        p.pct = {30, 20, 10, 5};
        p.comp = {1, 2, 3, 4};
        loadings(rec, p, 12, 1, "n\n");
        EXPECT_EQ(p.iplot, 0);
        ASSERT_EQ(rec.named("axes").size(), 4u);
        EXPECT_EQ(rec.named("axes")[0].s[0], "abitnrs");
        EXPECT_EQ(rec.named("axes")[0].v[2], 10.0);  // x 0 to 12: ticks of 10 with 10 minor
        EXPECT_EQ(rec.named("lab")[3].s[0], "series");
    }
    {
        RecordingBackend rec;
        Page p;
        loadings(rec, p, 8, 2, "9\nc\n");
        EXPECT_EQ(rec.named("wind")[0].v, (std::vector<double>{0, 8, -0.5, 1.0}));
        EXPECT_EQ(rec.named("axes")[0].v[4], 0.5);
        EXPECT_EQ(rec.named("axes")[0].v[5], 1);
        EXPECT_NE(p.out.find("Unknown option 9  re-enter a valid choise"), std::string::npos);
    }
}

TEST(ComponentPlots, ScoresPageKeepsItsFourPositions) {
    std::vector<float> sc(static_cast<size_t>(30) * 4, 0.0f);
    for (int i = 0; i < 30; ++i) sc[i] = i < 15 ? -1.0f : 2.0f;
    Page p;
    RecordingBackend rec;
    ::setenv("KOVRIN_PLOT_DEVICE", "null", 1);
    {
        kovtest::ScriptedConsole con("c\n");
        kov::pltscr(sc, {1901, 1930}, 1, "site.rwl", " raw measurements", p.iplot, 30, 4, p.pct, 1, 1, p.comp, 9);
    }
    ::unsetenv("KOVRIN_PLOT_DEVICE");
    EXPECT_EQ(rec.named("adv").size(), 5u);  // the title and four positions
    EXPECT_EQ(rec.named("wind").size(), 4u);
    ASSERT_EQ(rec.named("axes").size(), 1u);
    EXPECT_EQ(rec.named("wind")[0].v, (std::vector<double>{1901, 1930, -3, 3}));
    EXPECT_EQ(rec.named("axes")[0].v[4], 1.0);
    EXPECT_EQ(rec.named("axes")[0].v[5], 2);
    const auto lines = rec.named("line");
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].x.front(), 1901);
    EXPECT_EQ(lines[0].x.back(), 1930);
    EXPECT_NEAR(lines[1].y[0], 0.5, 1e-6);  // the mean of 15 x -1 and 15 x 2
    EXPECT_EQ(rec.named("lab")[0].s[1], "PC_9 30.00 %");
    EXPECT_EQ(rec.named("mtex")[0].s[1], std::string(10, ' ') + " raw measurements");
}

}  // namespace
