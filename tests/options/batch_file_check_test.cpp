// The check a batch run makes of every command file before it writes anything
// must refuse exactly the files the reader would stop at, naming the file and
// its line, and must leave the run's options and the console's echo alone.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "options/batch_file.hpp"
#include "shared/console.hpp"
#include "shared/files.hpp"
#include "shared/stop.hpp"
#include "shared/tables.hpp"
#include "support/test_support.hpp"

using namespace kov;
using kovtest::ScriptedConsole;
using kovtest::TempDir;

namespace {

// The default command file with some lines changed (index from 1, as the
// file counts them); a line index past the end cuts the file there.
std::string edited(const std::function<void(std::vector<std::string>&)>& edit) {
    auto lines = kovtest::split_lines(kovtest::default_commands("site01.txt"));
    edit(lines);
    return kovtest::join_lines(lines);
}

auto set(int line, std::string text) {
    return [line, text](std::vector<std::string>& f) { f[static_cast<size_t>(line - 1)] = text; };
}
auto keep(int n) {
    return [n](std::vector<std::string>& f) { f.resize(static_cast<size_t>(n)); };
}

}  // namespace

TEST(BatchFileCheck, RefusesWhatTheReaderStopsAtAndNothingElse) {
    const struct {
        const char* what;
        std::string text;
        std::string named;  // the check's naming line; "" for a file it takes
    } cases[] = {
        {"the default file", edited([](auto&) {}), ""},
        {"no stand dynamics, ends after its line", edited(keep(21)), ""},
        {"a median window of 4 (stored as 3)", edited(set(5, "-3     4     0     !")), ""},
        {"empty", "", " *** the batch command file s_log.txt is empty"},
        {"line 1 only", edited(keep(1)), " *** the batch command file s_log.txt ends before its line 2, option 1"},
        {"ends after option 10", edited(keep(11)),
         " *** the batch command file s_log.txt ends before its line 12, option 11"},
        {"index type 5", edited(set(9, "5                  !")),
         " *** line 9 of the batch command file s_log.txt, option 8: index type 5 is outside 1 to 2"},
        {"a value missing", edited(set(3, "-9")),
         " *** line 3 of the batch command file s_log.txt, option 2: 1 value where 2 belong"},
        {"a lowess window of 2, which stops the reader", edited(set(6, "-4     2     0     !")),
         " *** line 6 of the batch command file s_log.txt, option 5: lowess smoother width inadmissable"},
        {"release threshold below its bound", edited([](auto& f) {
             f[20] = "2            0     !";
             f[21] = "4                  !";
         }),
         " *** line 22 of the batch command file s_log.txt, option 20: running mean window 4 is outside 5 to 50"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        dir.write("s_log.txt", c.text);
        TextIn log;
        ASSERT_TRUE(log.open((dir / "s_log.txt").string()));

        // what the reader makes of the file
        shared().optval = OptionBlock{};
        bool reader_stops = false;
        {
            ScriptedConsole sc("");
            try {
                reader_stops = rdbatch(log, 0, "site01.txt") >= 1;
            } catch (const Stop&) {
                reader_stops = true;
            }
        }

        // the check, from a block it must not change
        OptionBlock before;
        before(1, 1) = 3;
        before(20, 2) = 17;
        shared().optval = before;
        ScriptedConsole sc("");
        const bool usable = batch_file_usable(log, "s_log.txt");
        EXPECT_EQ(usable, !reader_stops);
        EXPECT_EQ(usable, c.named.empty());
        EXPECT_TRUE(shared().optval == before);
        const auto lines = sc.lines();
        if (c.named.empty()) {
            EXPECT_TRUE(lines.empty()) << sc.output();  // no echo of the lines
        } else {
            ASSERT_GE(lines.size(), 2u);
            EXPECT_EQ(lines[1], c.named);
            // the reader's closing block follows
            EXPECT_EQ(lines.back().substr(0, 4), " ***");
            EXPECT_EQ(lines.size(), 6u) << sc.output();
        }
    }
}
