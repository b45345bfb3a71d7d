#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <vector>

#include "plotting/plot_services.hpp"
#include "plotting/recording_backend.hpp"
#include "support/test_support.hpp"

namespace {

using kovtest::RecordingBackend;

// Three frequencies of a table with 5 rows: frequency, then three powers.
struct Spectra {
    std::vector<float> pp = std::vector<float>(20, 0.0f);
    Spectra(float third_power) {
        const float f[3] = {0.1f, 0.2f, 0.5f};
        for (int i = 0; i < 3; ++i) {
            pp[i] = f[i];
            pp[5 + i] = 100.0f;       // STD
            pp[10 + i] = 10.0f;       // RES
            pp[15 + i] = i == 2 ? third_power : 1.0f;  // KOV
        }
    }
    std::string run(RecordingBackend&, int logok, const std::string& answers) {
        ::setenv("KOVRIN_PLOT_DEVICE", "null", 1);
        kovtest::ScriptedConsole sc(answers);
        kov::pltspc(5, 0, 4, 3, pp.data(), logok, "STD", "RES", "KOV");
        ::unsetenv("KOVRIN_PLOT_DEVICE");
        return sc.output();
    }
};

TEST(SpectraPlot, LogarithmicWhenEveryPowerIsPositive) {
    Spectra s(1000.0f);
    RecordingBackend rec;
    s.run(rec, 1, "r\nc\n");
    ASSERT_EQ(rec.passes(), 2);
    for (int pass : {0, 1}) {
        const auto env = rec.in_pass("env", pass);
        ASSERT_EQ(env.size(), 1u);
        EXPECT_NEAR(env[0].v[0], 0.1, 1e-6);
        EXPECT_NEAR(env[0].v[1], 0.5, 1e-6);
        EXPECT_NEAR(env[0].v[2], 0.0, 1e-5);  // log10 1
        EXPECT_NEAR(env[0].v[3], 3.0, 1e-5);  // log10 1000
        EXPECT_EQ(env[0].v[5], 20);
        EXPECT_EQ(rec.in_pass("lab", pass)[0].s[1], "log10 Power");
    }
    const auto lines = rec.in_pass("line", 0);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_NEAR(lines[0].y[0], 2.0, 1e-5);
    EXPECT_EQ(lines[0].colour, 9);
    EXPECT_EQ(lines[1].colour, 1);
    EXPECT_EQ(lines[2].colour, 15);
    const auto legends = rec.in_pass("mtex", 0);
    EXPECT_EQ(legends[0].s, (std::vector<std::string>{"rv", "STD"}));
    EXPECT_EQ(legends[2].v, (std::vector<double>{-12.0, 0.925, 0.0}));
}

TEST(SpectraPlot, LinearWithAPowerNotAboveZero) {
    for (int logok : {0, 1}) {  // a caller's 1 with a zero power is drawn linear too
        Spectra s(0.0f);
        RecordingBackend rec;
        s.run(rec, logok, "c\n");
        const auto env = rec.named("env");
        EXPECT_EQ(env[0].v[2], 0.0);
        EXPECT_EQ(env[0].v[3], 100.0);
        EXPECT_EQ(env[0].v[5], 0);
        EXPECT_EQ(rec.named("lab")[0].s[1], "Power");
    }
}

TEST(SpectraPlot, AnyOtherAnswerLeavesAndAFailedSaveShowsOnlyThePrompt) {
    for (std::string a : {"n", "c", "y", "5", ""}) {
        Spectra s(1.0f);
        RecordingBackend rec;
        const std::string out = s.run(rec, 1, a + "\n");
        EXPECT_EQ(rec.passes(), 1);
    }
    Spectra s(1.0f);
    RecordingBackend rec;
    const std::string out = s.run(rec, 1, "s\n\nc\n");
    EXPECT_NE(out.find("               the extension .ps\n\n                enter option number > "),
              std::string::npos);
    EXPECT_EQ(kovtest::count(out, "[r]eplot"), 1);  // one menu box
}

}  // namespace
