// Whole runs on real files, compared file by file and line by line with the
// outputs stored under tests/data/outputs by scripts/store-test-outputs.sh:
// the default options and every expensive option on (bootstrap limits, robust
// AR with outliers removed, the long chronology listing, and a common period
// with principal components), as scripts/run-outputs.sh runs them.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "support/test_support.hpp"

namespace {

namespace fs = std::filesystem;

// The console answers of scripts/run-outputs.sh: a batch run from the list
// file, then for every series whose growth curve goes negative: continue past
// its plot menu, refit by the mean (6), continue, keep the fit and go on in
// batch; the first line left over ends the run at its closing question.
std::string answers() {
    std::string a = "\nlist.txt\ntitle\ny\n";
    for (int k = 0; k < 200; ++k) a += "\nc\ny\n6\nc\nn\nn\n";
    return a + "\n";
}

// Runs the program in `dir` as the script does: no plot screen, the console
// followed by the exit status.
std::string run_in(const fs::path& dir) {
    const kovtest::Env display("DISPLAY", nullptr), device("KOVRIN_PLOT_DEVICE", nullptr);
    const kovtest::RunResult r = kovtest::run_kovrin(dir, answers());
    return r.out + "exit status: " + std::to_string(r.status) + "\n";
}

}  // namespace

TEST(StoredOutputs, EveryFileOfTheDefaultAndAllOptionsRunsIsUnchanged) {
    const fs::path stored = kovtest::test_data("outputs");
    int cases = 0;
    for (const char* set : {"default", "all"}) {
        ASSERT_TRUE(fs::is_directory(stored / set)) << set;
        for (const auto& entry : fs::directory_iterator(stored / set)) {
            const std::string name = entry.path().filename().string();
            SCOPED_TRACE(std::string(set) + " " + name);
            ++cases;
            kovtest::TempDir run;
            fs::copy_file(kovtest::test_data("rwl/" + name), run / name);
            fs::copy_file(entry.path() / (name + "_log.txt"), run / (name + "_log.txt"));
            run.write("list.txt", name + "\n");
            const std::string console = run_in(run.path());

            std::set<std::string> expected;
            for (const auto& file : fs::directory_iterator(entry.path())) {
                const std::string f = file.path().filename().string();
                expected.insert(f);
                const std::string want = kovtest::read_file(file.path());
                const std::string got = f == "console.txt" ? console : run.read(f);
                if (f != "console.txt") {
                    EXPECT_TRUE(run.exists(f)) << f << " was not written";
                }
                if (got != want) {
                    const std::string at = kovtest::first_difference(want, got);  // stored, then now
                    ADD_FAILURE() << f << " differs " << (at.empty() ? std::string("in its line ends") : "at " + at);
                }
            }
            for (const auto& file : fs::directory_iterator(run.path())) {
                const std::string f = file.path().filename().string();
                if (f != name && f != "list.txt") {
                    EXPECT_TRUE(expected.count(f)) << f << " is written but not stored";
                }
            }
        }
    }
    EXPECT_EQ(cases, 6);
}
