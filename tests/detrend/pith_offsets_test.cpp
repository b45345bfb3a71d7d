#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "detrend/pith_offsets.hpp"
#include "shared/files.hpp"
#include "shared/stop.hpp"
#include "shared/tables.hpp"
#include "shared/text_helpers.hpp"
#include "support/test_support.hpp"

using kovtest::split_lines;

namespace {

class Scene {
public:
    explicit Scene(int nc, const std::string& batmod = "n") : in_(dir_.path()) {
        kov::streams().close_all();
        kov::clear_protected();
        auto& s = kov::shared();
        s.nc = nc;
        s.batmod = batmod;
        s.optval(17, 1) = 2;
        for (int j = 1; j <= nc; ++j) {
            s.serids[j] = kov::padded("T" + std::to_string(j), 8);
            s.sertbl(j, kov::yfp) = 0;
        }
        kov::streams().luout.open_fresh("site_out.txt");
    }
    ~Scene() {
        kov::streams().close_all();
        kov::shared().batmod = "n";
    }
    std::vector<std::string> listing() {
        kov::streams().luout.close();
        return split_lines(dir_.read("site_out.txt"));
    }
    kovtest::TempDir& dir() { return dir_; }
    std::vector<int> pitoff = std::vector<int>(kov::mxs, -1);

private:
    kovtest::TempDir dir_;
    kovtest::InDir in_;
};

bool has(const std::vector<std::string>& lines, const std::string& text) {
    for (const auto& l : lines)
        if (l.find(text) != std::string::npos) return true;
    return false;
}

}  // namespace

TEST(PithOffsets, BatchRunTakesTheDetailColumn) {
    {
        kovtest::ScriptedConsole con("");
        Scene sc(3, "y");
        kov::read_pith_offsets(sc.pitoff);
        EXPECT_EQ(sc.pitoff[0], 0);
        const auto lines = sc.listing();
        EXPECT_TRUE(has(lines, std::string(16, ' ') + "rcs pith offset data read in from batch detail file"));
        EXPECT_TRUE(has(lines, std::string(20, ' ') + "***   all pith offset data are zero   ***"));
    }
    {
        kovtest::ScriptedConsole con("");
        Scene sc(20, "y");
        for (int j = 1; j <= 20; ++j) kov::shared().sertbl(j, kov::yfp) = j * 3;
        kov::read_pith_offsets(sc.pitoff);
        EXPECT_EQ(sc.pitoff[19], 60);
        const auto lines = sc.listing();
        // groups of 8, 8 and 4
        int groups = 0;
        for (const auto& l : lines) groups += l.rfind("  id: ", 0) == 0;
        EXPECT_EQ(groups, 3);
        EXPECT_TRUE(has(lines, "  id:  T17      T18      T19      T20     "));
        EXPECT_TRUE(has(lines, "          51       54       57       60"));
    }
}

TEST(PithOffsets, NoFileMeansZeroOffsets) {
    for (const char* answer : {"0\n", "\n"}) {
        kovtest::ScriptedConsole con(answer);
        Scene sc(2);
        kov::read_pith_offsets(sc.pitoff);
        EXPECT_EQ(sc.pitoff[0], 0);
        EXPECT_EQ(sc.pitoff[1], 0);
        EXPECT_EQ(sc.pitoff[2], -1);
        EXPECT_FALSE(has(sc.listing(), "rcs pith offset file processed"));
    }
}

TEST(PithOffsets, TitleLineThenOneOffsetPerSeries) {
    // name, end of the file view, no reformat, free form
    kovtest::ScriptedConsole con("offs.txt\nm\nn\n\n");
    Scene sc(3);
    sc.dir().write("offs.txt", "oak site offsets\n5\n 0\n12\n");
    kov::read_pith_offsets(sc.pitoff);
    EXPECT_EQ(sc.pitoff[0], 5);
    EXPECT_EQ(sc.pitoff[1], 0);
    EXPECT_EQ(sc.pitoff[2], 12);
    const auto out = con.lines();
    EXPECT_TRUE(has(out, " *** pith offset title:"));
    EXPECT_TRUE(has(out, " oak site offsets"));
    EXPECT_TRUE(has(out, " pith offset values read:     3"));
    EXPECT_TRUE(has(out, " the rcs pith offset file is an optional file for"));
    EXPECT_TRUE(has(sc.listing(), "         rcs pith offset file processed:  offs.txt"));
}

TEST(PithOffsets, ReformatTakesOneColumnLessTheShift) {
    // three columns, offsets in column 2 as first cambial ages
    kovtest::ScriptedConsole con("cols.txt\nm\ny\n3\n2\n2\n\n");
    Scene sc(3);
    const std::string text = "1 11 7\n2 1 8\nbad line\n3 26 9\n";
    sc.dir().write("cols.txt", text);
    kov::read_pith_offsets(sc.pitoff);
    EXPECT_EQ(sc.dir().read("cols.txt"), "   10\n    0\n   25\n");
    EXPECT_EQ(sc.pitoff[0], 10);
    EXPECT_EQ(sc.pitoff[2], 25);
    const auto saved = split_lines(sc.dir().read("cols.txt_save"));
    ASSERT_EQ(saved.size(), 4u);
    EXPECT_EQ(saved[0], kov::padded("1 11 7", 85));
    EXPECT_TRUE(has(con.lines(), " reformatted pith offset data:     3 values"));
}

// The copy of a reformatted file is as private as the file, whatever the
// umask would give a new file (022 here: a new file is 644); the file
// itself keeps its permissions too.
TEST(PithOffsets, TheCopyTakesThePermissionsOfTheFileItCopies) {
    namespace fs = std::filesystem;
    const auto mode = [](const fs::path& p) { return fs::status(p).permissions() & fs::perms::all; };
    const fs::perms owner = fs::perms::owner_read | fs::perms::owner_write;
    const fs::perms group_too = owner | fs::perms::group_read | fs::perms::group_write;
    for (const fs::perms m : {owner, group_too, owner | fs::perms::group_read | fs::perms::others_read}) {
        SCOPED_TRACE(static_cast<int>(m));
        kovtest::ScriptedConsole con("cols.txt\nm\ny\n3\n2\n2\n\n");
        Scene sc(3);
        sc.dir().write("cols.txt", "1 11 7\n2 1 8\n3 26 9\n");
        fs::permissions(sc.dir() / "cols.txt", m);
        const mode_t was = ::umask(022);
        kov::read_pith_offsets(sc.pitoff);
        ::umask(was);
        EXPECT_EQ(mode(sc.dir() / "cols.txt_save"), m);
        EXPECT_EQ(mode(sc.dir() / "cols.txt"), m);
        EXPECT_EQ(sc.pitoff[2], 25);
    }
}

// The user's file takes its new text only when the reformat is finished: a
// stop at its questions (here the end of the input) leaves it as it was.
TEST(PithOffsets, AStopInTheReformatLeavesTheFileAsItWas) {
    kovtest::ScriptedConsole con("cols.txt\nm\ny\n");
    Scene sc(3);
    const std::string text = "1 11 7\n2 1 8\n3 26 9\n";
    sc.dir().write("cols.txt", text);
    EXPECT_THROW(kov::read_pith_offsets(sc.pitoff), kov::Stop);
    EXPECT_EQ(sc.dir().read("cols.txt"), text);
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(sc.dir().path()))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"cols.txt", "cols.txt_save", "site_out.txt"}));
}

TEST(PithOffsets, ReadFailuresStopTheProgram) {
    struct Case { const char* text; const char* message; };
    const Case cases[] = {
        {"title\n4\nx\n5\n", " *** error in line number:    1"},
        {"4\n5\n", " *** pith offset values read .ne. number of series. oops!"},
        // a first cambial age of 0 reformatted, or a typing slip
        {"4\n-1\n5\n", " *** pith offset    -1 of series     2 (T2) is below 0"},
    };
    for (const auto& k : cases) {
        kovtest::ScriptedConsole con("p.txt\nm\nn\n\n\n");
        Scene sc(3);
        sc.dir().write("p.txt", k.text);
        EXPECT_THROW(kov::read_pith_offsets(sc.pitoff), kov::Stop) << k.text;
        EXPECT_TRUE(has(con.lines(), k.message)) << con.output();
    }
}

// A typed real layout may read a value beyond the integers: that record is
// unreadable like any other (here the second one, which stops the reading).
TEST(PithOffsets, RealBeyondTheIntegersIsAnUnreadableRecord) {
    kovtest::ScriptedConsole con("p.txt\nm\nn\n(f12.0)\n\n");
    Scene sc(3);
    sc.dir().write("p.txt", "title\n1.\n2.5e30\n3.\n");
    EXPECT_THROW(kov::read_pith_offsets(sc.pitoff), kov::Stop);
    EXPECT_TRUE(has(con.lines(), " *** error in line number:    1")) << con.output();
}

TEST(PithOffsets, TypedLayoutAndMissingFile) {
    kovtest::ScriptedConsole con("nothere.txt\np.txt\nm\n\n(3x,i2)\n");
    Scene sc(2);
    sc.dir().write("p.txt", "ab 17\ncd 04\n");
    kov::read_pith_offsets(sc.pitoff);
    EXPECT_TRUE(has(con.lines(), " *** error opening rcs pith offset file: nothere.txt"));
    EXPECT_EQ(sc.pitoff[0], 17);
    EXPECT_EQ(sc.pitoff[1], 4);
}
