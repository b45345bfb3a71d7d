#include <gtest/gtest.h>

#include <linux/capability.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include "driver/batch_detail.hpp"
#include "driver/data_file_loop.hpp"
#include "driver_test_support.hpp"
#include "shared/text_helpers.hpp"

using namespace kov;
using kovtest::at;
using kovtest::DriverScene;
using kovtest::ScriptedConsole;
using kovtest::split_lines;

namespace {


// A record as the columns of the file give it: num in 1-4, ident in 7-14 and
// each value right-aligned in six columns from column 15.
std::string record(int num, const std::string& ident, std::array<int, 10> v) {
    std::string s = at({{1, std::string(4 - std::to_string(num).size(), ' ') + std::to_string(num)}, {7, padded(ident, 8)}});
    for (int x : v) {
        const std::string t = std::to_string(x);
        s += std::string(6 - t.size(), ' ') + t;
    }
    return s;
}

const std::string legend = kovtest::detail_head;

void set_row(int row, const std::string& id, std::array<int, 10> v) {
    shared().serids[row] = in_columns(id, 8);
    for (int c = 1; c <= 10; ++c) shared().sertbl(row, c) = v[static_cast<size_t>(c - 1)];
}

std::array<int, 10> row(int r) {
    std::array<int, 10> v{};
    for (int c = 1; c <= 10; ++c) v[static_cast<size_t>(c - 1)] = shared().sertbl(r, c);
    return v;
}

// Set-up of one data file "site.txt" as the loop leaves it before the reader.
void start_file(int transformation = 0) {
    shared().datfil = padded("site.txt", 60);
    shared().optval = OptionBlock{};
    shared().optval(3, 1) = transformation;
    optsnap() = OptionBlock{};
    reset_series_table();
    batch_detail_state() = BatchDetailState{};
    streams().luout.open_fresh("site_out.txt");
}

// What the console shows after the line that names why a detail file is
// refused: defaults are used and the file is left as it was.
std::string refusal_after(const std::string& named) {
    return "\n" + named +
           "\n\n *** batch detail data file either not found or\n"
           " *** error in reading in data. defaults are used.\n"
           "\n *** not used, the file is left as it was: site_detail.txt\n";
}

// The listing of a refused detail file: the file named, why, and that it is
// left as it was.
std::vector<std::string> refused_listing(const std::string& why) {
    return {at({{2, "batch detail file processed: "}, {35, padded("site_detail.txt", 60)}}), "",
            " *** batch detail file not used: " + why, " *** not used, the file is left as it was: site_detail.txt", ""};
}

}  // namespace

TEST(DetailWriter, LegendHeaderAndOneRecordPerSeries) {
    for (int first_difference : {0, 1}) {
        DriverScene scene;
        start_file();
        optsnap()(4, 1) = first_difference ? -1 : 8;
        shared().nc = 2;
        set_row(1, "ab01", {1901, 1950, 12, 0, 8, 0, 0, 1, 1, 1});
        set_row(2, "cd0203xy", {1850, 1999, 0, 2500, 8, 3, 1, 1, 0, 7});
        // the first detrending took the first year off both series
        shared().fdyears[1] = shared().fdyears[2] = first_difference;
        ScriptedConsole sc("");
        write_batch_detail();
        const std::vector<std::string> expect{
            at({{2, "num = number of series"}, {37, "ident = series identification"}}),
            at({{2, "ify = first year of time series"}, {39, "ily = last year of time series"}}),
            at({{2, "yfp = years from pith for rcs"}, {39, "itn = transform (>3 = power*1000)"}}),
            at({{2, "idt = series detrending options"}, {39, "ips = series ar model order options"}}),
            at({{2, "isb = stabilize variance options"}, {39, "icu = use (1) or do not use (0)"}}),
            at({{2, "ics = save (1) or do not save (0)"}, {39, "cpa = common period analysis series"}}),
            at({{20, "-- do not delete these lines --"}}),
            " num  ident      ify   ily   yfp   itn   idt   ips   isb   icu   ics   cpa",
            record(1, "ab01", {1901 - first_difference, 1950, 12, 0, 8, 0, 0, 1, 1, 1}),
            record(2, "cd0203xy", {1850 - first_difference, 1999, 0, 2500, 8, 3, 1, 1, 0, 7}),
        };
        EXPECT_EQ(split_lines(scene.dir().read("site_detail.txt")), expect);
        EXPECT_NE(sc.output().find("\n batch detail file saved: " + padded("site_detail.txt", 60) + "\n"),
                  std::string::npos);
    }
}

TEST(DetailWriter, LeftOutSeriesKeepTheirRecordsAtTheirPlaces) {
    DriverScene scene;
    start_file();
    // records of the batch run: the second and fourth series were left out
    batch_detail_state().records = {
        {"a1      ", {1900, 1950, 0, 0, 0, 0, 0, 1, 1, 1}},
        {"b2      ", {1910, 1960, 5, 0, 0, 0, 0, 0, 1, 2}},
        {"c3      ", {1920, 1970, 0, 0, 0, 0, 0, 1, 1, 3}},
        {"d4      ", {1930, 1980, 0, 0, 0, 0, 0, 0, 0, 4}},
        {"e5      ", {0, 0, 0, 0, 0, 0, 0, 1, 1, 5}},  // a record beyond the series of the file
    };
    shared().nc = 2;
    set_row(1, "a1", {1900, 1950, 0, 0, -6, 0, 0, 1, 1, 1});
    set_row(2, "c3", {1920, 1970, 0, 0, -6, 0, 0, 1, 1, 2});
    ScriptedConsole sc("");
    write_batch_detail();
    const auto lines = split_lines(scene.dir().read("site_detail.txt"));
    const std::vector<std::string> records(lines.begin() + 8, lines.end());
    EXPECT_EQ(records, (std::vector<std::string>{
                           record(1, "a1", {1900, 1950, 0, 0, -6, 0, 0, 1, 1, 1}),
                           record(2, "b2", {1910, 1960, 5, 0, 0, 0, 0, 0, 1, 2}),
                           record(3, "c3", {1920, 1970, 0, 0, -6, 0, 0, 1, 1, 2}),
                           record(4, "d4", {1930, 1980, 0, 0, 0, 0, 0, 0, 0, 4}),
                       }));
}

// An interactive run writes the detail file without reading it: a file it
// replaces that holds other settings than the next batch run would read from
// it (a record added or taken away, one of another series, a record number,
// yfp, itn, ips, icu or ics edited by hand) is kept beside it first, byte for
// byte and with its permissions, as "_save", or "_save2" ... when an earlier
// copy holds another text, and the console names the copy. A file that holds
// the same records (whatever its line ends and trailing blanks, its legend,
// and the columns that only report: ify, ily, idt, isb and cpa), holds none,
// or is replaced by a batch run, which read it, gets no copy.
TEST(DetailWriter, AnInteractiveRunKeepsAFileWithOtherRecordsBesideIt) {
    const std::string ours = legend + record(1, "ab01", {1901, 1950, 0, 0, -6, 0, 0, 1, 1, 1}) + "\n" +
                             record(2, "cd02", {1850, 1999, 0, 0, -6, 0, 0, 1, 1, 2}) + "\n";
    const std::string first_only = legend + record(1, "ab01", {1901, 1950, 0, 0, -6, 0, 0, 1, 1, 1}) + "\n";
    // ours with column c (1 = ify) of record 2 holding v
    auto second_with = [&](int c, int v) {
        std::array<int, 10> cols{1850, 1999, 0, 0, -6, 0, 0, 1, 1, 2};
        cols[static_cast<size_t>(c - 1)] = v;
        return first_only + record(2, "cd02", cols) + "\n";
    };
    const std::string edited = second_with(8, 0);  // icu
    // ours with the last `from` in it put as `to`
    auto ours_with = [&](const std::string& from, const std::string& to) {
        return std::string(ours).replace(ours.rfind(from), from.size(), to);
    };
    std::string crlf;
    for (char c : ours) crlf += c == '\n' ? std::string("  \r\n") : std::string(1, c);
    const struct {
        const char* what;
        std::string earlier;  // "": no file
        const char* batmod;
        std::string earlier_copy;  // in "_save" before the run
        const char* copy;          // the name of the copy; nullptr: none
    } cases[] = {
        {"no earlier file", "", "n", "", nullptr},
        {"the same records", ours, "n", "", nullptr},
        {"the same records, other line ends", crlf, "N", "", nullptr},
        {"blank lines only", "\n  \n", "n", "", nullptr},
        {"an edited icu", edited, "n", "", "site_detail.txt_save"},
        {"a text that is no detail file", "my own notes\n", "n", "", "site_detail.txt_save"},
        {"an edited icu, a copy of it there", edited, "n", edited, "site_detail.txt_save"},
        {"an edited icu, a copy of another text there", edited, "n", "an earlier copy\n", "site_detail.txt_save2"},
        {"an edited icu in a batch run", edited, "y", "", nullptr},
        {"another first year", second_with(1, 1851), "n", "", nullptr},
        {"another last year", second_with(2, 1998), "n", "", nullptr},
        {"another detrending (idt)", second_with(5, 6), "n", "", nullptr},
        {"another isb", second_with(7, 1), "n", "", nullptr},
        {"another cpa", second_with(10, 5), "n", "", nullptr},
        {"another legend", "edited legend\n" + ours.substr(ours.find('\n') + 1), "n", "", nullptr},
        {"an edited yfp", second_with(3, 40), "n", "", "site_detail.txt_save"},
        {"an edited itn", second_with(4, 1), "n", "", "site_detail.txt_save"},
        {"an edited ips", second_with(6, 3), "n", "", "site_detail.txt_save"},
        {"an edited ics", second_with(9, 0), "n", "", "site_detail.txt_save"},
        {"a record number 0", ours_with("   2  cd02", "   0  cd02"), "n", "", "site_detail.txt_save"},
        {"a record of another series", ours_with("cd02", "cd03"), "n", "", "site_detail.txt_save"},
        {"a record fewer", first_only, "n", "", "site_detail.txt_save"},
        {"a record more", ours + record(3, "ef03", {1900, 1950, 0, 0, -6, 0, 0, 1, 1, 3}) + "\n", "n", "",
         "site_detail.txt_save"},
        {"a record that cannot be read", ours_with("1850", "18x0"), "n", "", "site_detail.txt_save"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        DriverScene scene;
        auto& d = scene.dir();
        start_file();
        shared().batmod = c.batmod;
        shared().nc = 2;
        set_row(1, "ab01", {1901, 1950, 0, 0, -6, 0, 0, 1, 1, 1});
        set_row(2, "cd02", {1850, 1999, 0, 0, -6, 0, 0, 1, 1, 2});
        if (!c.earlier.empty()) {
            d.write("site_detail.txt", c.earlier);
            ASSERT_EQ(::chmod((d / "site_detail.txt").c_str(), 0640), 0);
        }
        if (!c.earlier_copy.empty()) d.write("site_detail.txt_save", c.earlier_copy);
        auto before = kovtest::folder_files(d);
        ScriptedConsole sc("");
        write_batch_detail();
        EXPECT_TRUE(failed_outputs().empty());
        EXPECT_EQ(d.read("site_detail.txt"), ours);
        auto after = kovtest::folder_files(d);
        after.erase("site_detail.txt");
        before.erase("site_detail.txt");
        after.erase("site_out.txt");
        before.erase("site_out.txt");
        const std::string shown = "\n batch detail file saved: " + padded("site_detail.txt", 60) + "\n";
        if (!c.copy) {
            EXPECT_EQ(after, before);
            EXPECT_EQ(sc.output(), shown);
            continue;
        }
        EXPECT_EQ(d.read(c.copy), c.earlier);
        struct stat st {};
        ASSERT_EQ(::stat((d / c.copy).c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0640u);
        after.erase(c.copy);
        before.erase(c.copy);
        EXPECT_EQ(after, before);  // an earlier copy of another text stays
        EXPECT_EQ(sc.output(),
                  shown + " the batch detail file it replaces held other records, kept as:  " + c.copy + "\n");
    }
}

namespace {

// While it lives, the thread cannot read what its owner cannot read: the
// capabilities that let root read any file are taken out of its effective
// set, and put back at the end.
class OwnerRights {
public:
    OwnerRights() {
        if (::syscall(SYS_capget, &head_, saved_) != 0) return;
        __user_cap_data_struct lowered[2] = {saved_[0], saved_[1]};
        for (int cap : {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH}) lowered[cap / 32].effective &= ~(1u << (cap % 32));
        lowered_ = ::syscall(SYS_capset, &head_, lowered) == 0;
    }
    ~OwnerRights() {
        if (lowered_) ::syscall(SYS_capset, &head_, saved_);
    }
    OwnerRights(const OwnerRights&) = delete;
    OwnerRights& operator=(const OwnerRights&) = delete;

private:
    __user_cap_header_struct head_{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct saved_[2]{};
    bool lowered_ = false;
};

}  // namespace

// A detail file that its owner cannot read (mode 000) may hold anything: an
// interactive run can keep no copy of it, so it leaves it as it was, byte
// for byte, names it, and ends as a failure.
TEST(DetailWriter, AFileThatCannotBeReadIsNotReplaced) {
    DriverScene scene;
    auto& d = scene.dir();
    start_file();
    shared().batmod = "n";
    shared().nc = 1;
    set_row(1, "ab01", {1901, 1950, 0, 0, -6, 0, 0, 1, 1, 1});
    const std::string earlier = legend + record(1, "ab01", {1901, 1950, 0, 0, -6, 0, 0, 0, 1, 1}) + "\n";
    d.write("site_detail.txt", earlier);
    ASSERT_EQ(::chmod((d / "site_detail.txt").c_str(), 0), 0);
    auto before = kovtest::folder_files(d);
    before.erase("site_out.txt");
    ScriptedConsole sc("");
    {
        OwnerRights owner;
        if (readable_file((d / "site_detail.txt").string())) GTEST_SKIP() << "a file of mode 000 can be read here";
        write_batch_detail();
    }
    auto after = kovtest::folder_files(d);
    after.erase("site_out.txt");
    EXPECT_EQ(after, before);
    EXPECT_EQ(d.read("site_detail.txt"), earlier);
    struct stat st {};
    ASSERT_EQ(::stat((d / "site_detail.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0u);
    EXPECT_EQ(sc.output(),
              "\n *** the batch detail file cannot be read, no copy of it can be kept:  site_detail.txt\n"
              "\n *** writing failed, the file is left as it was: site_detail.txt\n");
    ASSERT_EQ(failed_outputs().size(), 1u);
    EXPECT_EQ(failed_outputs()[0].how, OutputFailure::left_as_it_was);
}

// After a batch run, icu of a series is set to 0 in the detail file; an
// interactive run of the same data file uses every series and writes icu 1
// again, and keeps the edited file beside it.
TEST(DetailFile, AnInteractiveRunKeepsTheEditedFile) {
    kovtest::TempDir d;
    d.write("site.txt", kovtest::tiny_rwl);
    d.write("site_log.txt", kovtest::default_commands("site.txt"));
    d.write("list.txt", "site.txt\n");
    ASSERT_EQ(kovtest::run_kovrin(d.path(), "\nlist.txt\ntitle\ny\n\n").status, 0);
    auto lines = split_lines(d.read("site_detail.txt"));
    ASSERT_EQ(lines.size(), 10u);
    lines[9].replace(56, 6, "     0");
    const std::string edited = kovtest::join_lines(lines);
    d.write("site_detail.txt", edited);

    // interactive, the menu left at once, continue
    const auto r = kovtest::run_kovrin(d.path(), "\nlist.txt\ntitle\nn\n\ny\n\n");
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(d.read("site_detail.txt_save"), edited);
    EXPECT_EQ(split_lines(d.read("site_detail.txt"))[9].substr(56, 6), "     1");
    EXPECT_NE(r.out.find("\n the batch detail file it replaces held other records, kept as:  site_detail.txt_save\n"),
              std::string::npos)
        << r.out;
}

TEST(DetailReader, RecordsByPositionUntilTheirEnd) {
    const std::string r1 = record(1, "ab01", {1900, 1950, 7, 3, -6, 2, 0, 1, 1, 4});
    const std::string r2 = record(2, "cd02", {1901, 1951, 0, 3, -6, 0, 0, 0, 1, 9});
    const std::array<int, 10> reset2{0, 0, 0, 2, 0, 0, 0, 1, 1, 2};
    const std::array<int, 10> reset3{0, 0, 0, 2, 0, 0, 0, 1, 1, 3};
    const std::array<int, 10> read1{1900, 1950, 7, 3, -6, 2, 0, 1, 1, 4};
    const std::array<int, 10> read2{1901, 1951, 0, 3, -6, 0, 0, 0, 1, 9};
    struct Case {
        const char* what;
        std::string text;
        bool error_lines;
        std::array<int, 10> row1, row2, row3;
        size_t loaded;
    } cases[] = {
        {"fewer records than series", legend + r1 + "\n" + r2 + "\n", false, read1, read2, reset3, 2},
        {"a blank line ends the records", legend + r1 + "\n\n" + r2 + "\n", false, read1, reset2, reset3, 1},
        // the record numbered 0 is the last one, and still holds the settings of its series
        {"record number 0 is the last", legend + r1 + "\n   0" + r2.substr(4) + "\n" + r1 + "\n", false, read1, read2,
         reset3, 2},
        {"a file that ends within its legend", "\n\n\n", true, reset2, reset2, reset3, 0},
        {"no record at all", legend, false, reset2, reset2, reset3, 0},
    };
    for (const auto& c : cases) {
        DriverScene scene;
        scene.dir().write("site_detail.txt", c.text);
        start_file(2);
        set_row(1, "", {0, 0, 0, 2, 0, 0, 0, 1, 1, 2});  // row 1 reset, as row 2 would be
        ScriptedConsole sc("");
        read_batch_detail();
        streams().luout.close();
        const auto& first = c.loaded ? c.row1 : reset2;
        EXPECT_EQ(row(1), first) << c.what;
        EXPECT_EQ(row(2), c.row2) << c.what;
        EXPECT_EQ(row(3), c.row3) << c.what;
        EXPECT_EQ(batch_detail_state().records.size(), c.loaded) << c.what;
        EXPECT_EQ(sc.output().find("*** error in reading in data. defaults are used.") != std::string::npos,
                  c.error_lines)
            << c.what;
        EXPECT_NE(sc.output().find("\n batch detail file opened:  " + padded("site_detail.txt", 60)), std::string::npos);
        // a file cut within its legend is refused: it is left as it was
        EXPECT_EQ(batch_detail_state().refused, c.error_lines) << c.what;
        std::vector<std::string> listing{at({{2, "batch detail file processed: "}, {35, padded("site_detail.txt", 60)}}), ""};
        if (c.error_lines) listing.insert(listing.end(), {" *** not used, the file is left as it was: site_detail.txt", ""});
        EXPECT_EQ(split_lines(scene.dir().read("site_out.txt")), listing) << c.what;
    }
}

// A record that does not hold a number in every column, or holds a value its
// column does not admit, makes the file faulty, and a faulty file is used not
// at all: every row keeps its reset values (the console says "defaults are
// used"), and the console and the listing name the record and its column.
// Read as 0, a blank icu would leave the series out without a word; an icu of
// 2 would leave it out too, and an ips of 99 would be cut to order 10.
TEST(DetailReader, AFaultyRecordLeavesTheWholeFileUnused) {
    const std::string r1 = record(1, "ab01", {1900, 1950, 7, 3, -6, 2, 0, 1, 1, 4});
    const std::string r2 = record(2, "cd02", {1901, 1951, 0, 3, -6, 0, 0, 0, 1, 9});
    // the second record with column c (1 = ify) holding v, the other columns
    // at the ends of what they admit: itn and isb any integer, ips -1, cpa 8001
    auto second_with = [&](int c, int v) {
        std::array<int, 10> cols{-50, 2000, 0, -1, -67, -1, -99999, 0, 0, 8001};
        cols[static_cast<size_t>(c - 1)] = v;
        return legend + r1 + "\n" + record(2, "cd02", cols) + "\n";
    };
    const struct {
        const char* what;
        std::string text;
        int record;
        std::string fault;
    } cases[] = {
        {"records cut to 20 columns", legend + r1.substr(0, 20) + "\n" + r2.substr(0, 20) + "\n", 1,
         "holds no number in column ily"},
        {"a blank icu column", legend + r1 + "\n" + r2.substr(0, 56) + "      " + r2.substr(62) + "\n", 2,
         "holds no number in column icu"},
        {"a letter in a column", legend + r1 + "\n" + r2.substr(0, 22) + "x" + r2.substr(23) + "\n", 2,
         "holds no number in column ily"},
        {"a letter in the number", legend + "  x1" + r1.substr(4) + "\n", 1, "holds no number in column num"},
        {"the last column cut off", legend + r1 + "\n" + r2.substr(0, 68) + "\n", 2, "holds no number in column cpa"},
        {"icu 2", second_with(8, 2), 2, "holds 2 in column icu, outside 0 to 1"},
        {"icu -1", second_with(8, -1), 2, "holds -1 in column icu, outside 0 to 1"},
        {"ics 5", second_with(9, 5), 2, "holds 5 in column ics, outside 0 to 1"},
        {"ips -5", second_with(6, -5), 2, "holds -5 in column ips, outside -1 to 10"},
        {"ips 11", second_with(6, 11), 2, "holds 11 in column ips, outside -1 to 10"},
        {"ips 999999", second_with(6, 999999), 2, "holds 999999 in column ips, outside -1 to 10"},
        {"yfp -50", second_with(3, -50), 2, "holds -50 in column yfp, below 0"},
        {"cpa -1", second_with(10, -1), 2, "holds -1 in column cpa, outside 0 to 8001"},
        {"cpa 8002", second_with(10, 8002), 2, "holds 8002 in column cpa, outside 0 to 8001"},
        // a record after the last series' record is faulty as well: the file is one whole
        {"icu 99 in a record of no series", legend + r1 + "\n" + r1 + "\n" + record(3, "x", {0, 0, 0, 0, 0, 0, 0, 99, 1, 3}) + "\n",
         3, "holds 99 in column icu, outside 0 to 1"},
    };
    const std::array<int, 10> reset1{0, 0, 0, 2, 0, 0, 0, 1, 1, 1}, reset2{0, 0, 0, 2, 0, 0, 0, 1, 1, 2};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        DriverScene scene;
        scene.dir().write("site_detail.txt", c.text);
        start_file(2);
        ScriptedConsole sc("");
        read_batch_detail();
        streams().luout.close();
        EXPECT_EQ(row(1), reset1);
        EXPECT_EQ(row(2), reset2);
        EXPECT_EQ(shared().serids[1], std::string(8, ' '));
        EXPECT_FALSE(shared().ips_from_record[1]);
        EXPECT_TRUE(batch_detail_state().records.empty());
        const auto i6 = [](int v) { return padded("", 6 - std::to_string(v).size()) + std::to_string(v); };
        const std::string named =
            "*** batch detail record" + i6(c.record) + " (line" + i6(8 + c.record) + " of the file) " + c.fault;
        EXPECT_NE(sc.output().find(refusal_after(" " + named)), std::string::npos) << sc.output();
        EXPECT_EQ(split_lines(scene.dir().read("site_out.txt")),
                  refused_listing("record" + i6(c.record) + " " + c.fault));
        // the file is not written again: it stays as the user wrote it
        EXPECT_TRUE(batch_detail_state().refused);
        write_batch_detail();
        EXPECT_EQ(scene.dir().read("site_detail.txt"), c.text);
    }
}

TEST(DetailReader, MissingFileUsesTheResetTable) {
    DriverScene scene;
    start_file(1);
    ScriptedConsole sc("");
    read_batch_detail();
    streams().luout.close();
    EXPECT_EQ(sc.lines(), (std::vector<std::string>{"", " *** batch detail data file either not found or",
                                                     " *** error in reading in data. defaults are used."}));
    EXPECT_EQ(scene.dir().read("site_out.txt"), "");
    EXPECT_EQ(row(1), (std::array<int, 10>{0, 0, 0, 1, 0, 0, 0, 1, 1, 1}));
}

// Line 8 of a detail file is its column header, and a file is known by it. A
// file that lost a line above its records would pair every record with the
// series before its own; a file of eight lines of anything (text, or bytes
// whose CR and LF happen to make eight lines) would be read as a legend with
// no record and then written over with the defaults. Either is refused like
// a faulty file: nothing of it is used and it stays as it was. The words of
// the header may stand apart by other blanks.
TEST(DetailReader, LineEightMustBeTheColumnHeader) {
    const std::string r1 = record(1, "ab01", {1900, 1950, 7, 3, -6, 2, 0, 1, 1, 4});
    const std::string r2 = record(2, "cd02", {1901, 1951, 0, 3, -6, 0, 0, 0, 1, 9});
    auto lines = split_lines(legend);
    const std::string no_header = kovtest::join_lines({lines.begin(), lines.begin() + 7}) + r1 + "\n" + r2 + "\n";
    std::string bytes;
    for (int i = 0; i < 8; ++i) bytes += std::string("\x01\xfe\x7f") + (i % 2 ? "\r\n" : "\r");
    bytes += "\x02\x03";
    const std::string spaced = kovtest::join_lines({lines.begin(), lines.begin() + 7}) +
                               "num ident\tify ily yfp itn idt ips isb icu ics cpa   \n" + r1 + "\n";
    const std::string header_line = " *** line 8 of the batch detail file is not its column header";
    const struct {
        const char* what;
        std::string text;
        bool refused;
    } cases[] = {
        {"the header line deleted", no_header, true},
        {"eight lines of x", std::string("x\nx\nx\nx\nx\nx\nx\nx\n"), true},
        {"bytes that make eight lines", bytes, true},
        {"a header with other blanks", spaced, false},
    };
    const std::array<int, 10> reset1{0, 0, 0, 2, 0, 0, 0, 1, 1, 1};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        DriverScene scene;
        scene.dir().write("site_detail.txt", c.text);
        start_file(2);
        ScriptedConsole sc("");
        read_batch_detail();
        streams().luout.close();
        EXPECT_EQ(batch_detail_state().refused, c.refused);
        EXPECT_EQ(batch_detail_state().records.size(), c.refused ? 0u : 1u);
        EXPECT_EQ(row(1), c.refused ? reset1 : (std::array<int, 10>{1900, 1950, 7, 3, -6, 2, 0, 1, 1, 4}));
        if (!c.refused) continue;
        EXPECT_NE(sc.output().find(refusal_after(header_line)), std::string::npos) << sc.output();
        EXPECT_EQ(split_lines(scene.dir().read("site_out.txt")), refused_listing("line 8 is not its column header"));
        write_batch_detail();
        EXPECT_EQ(scene.dir().read("site_detail.txt"), c.text);
    }
}

// An empty detail file holds no edits to keep: it counts as no file at all,
// with the two console lines of a missing one, and is written afresh at the
// end of the data file, so that the next batch run reads it.
TEST(DetailReader, AnEmptyFileCountsAsNone) {
    DriverScene scene;
    scene.dir().write("site_detail.txt", "");
    start_file(1);
    ScriptedConsole sc("");
    read_batch_detail();
    EXPECT_EQ(sc.lines(), (std::vector<std::string>{"", " *** batch detail data file either not found or",
                                                     " *** error in reading in data. defaults are used."}));
    EXPECT_FALSE(batch_detail_state().refused);
    shared().nc = 1;
    set_row(1, "ab01", {1901, 1950, 0, 1, -6, 0, 0, 1, 1, 1});
    write_batch_detail();
    streams().luout.close();
    EXPECT_EQ(scene.dir().read("site_out.txt"), "");
    EXPECT_EQ(scene.dir().read("site_detail.txt"), legend + record(1, "ab01", {1901, 1950, 0, 1, -6, 0, 0, 1, 1, 1}) + "\n");
}

TEST(DetailFile, WrittenRecordsReadBackAndPairingIsChecked) {
    DriverScene scene;
    start_file();
    shared().nc = 3;
    set_row(1, "ab01", {1900, 1950, 7, 0, -6, 2, 0, 1, 1, 1});
    set_row(2, "cd02", {1910, 1990, 0, 0, -6, 0, 0, 0, 0, 2});
    set_row(3, "ef03", {1920, 1999, 3, 1500, -6, 1, 1, 1, 1, 2});
    {
        ScriptedConsole sc("");
        write_batch_detail();
    }
    start_file();
    ScriptedConsole sc("");
    read_batch_detail();
    EXPECT_EQ(row(1), (std::array<int, 10>{1900, 1950, 7, 0, -6, 2, 0, 1, 1, 1}));
    EXPECT_EQ(row(2), (std::array<int, 10>{1910, 1990, 0, 0, -6, 0, 0, 0, 0, 2}));
    EXPECT_EQ(row(3), (std::array<int, 10>{1920, 1999, 3, 1500, -6, 1, 1, 1, 1, 2}));
    EXPECT_EQ(shared().serids[3], "ef03    ");

    // the reader kept series 1 and 3 (icu 1); the data file's third series
    // is now "zz09": its record named another series
    shared().nc = 2;
    shared().serids[1] = "ab01    ";
    shared().serids[2] = "zz09    ";
    check_detail_pairing();
    streams().luout.close();
    const auto lines = split_lines(scene.dir().read("site_out.txt"));
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[2], " *** batch detail record     3 (ef03    ) is paired with series zz09    ");
}

// Identifiers of UTF-8 letters of two bytes (Áä89-10 and Áä89-11, 7
// characters in 9 bytes; eight Cyrillic letters in 16) take their 8 columns
// by characters, so that their records line up with the others, and read
// back whole, each as the identifier it was, with every column.
TEST(DetailFile, IdentifierOfSeveralByteLettersKeepsItsColumns) {
    const std::string ids[] = {"\u00c1\u00e489-10 ", "\u00c1\u00e489-11 ",
                               "\u0416\u0416\u0416\u0416\u0416\u0416\u0416\u0416"};
    DriverScene scene;
    start_file();
    shared().nc = 4;
    set_row(1, ids[0], {1900, 1950, 7, 0, -6, 2, 0, 1, 1, 1});
    set_row(2, ids[1], {1900, 1950, 0, 0, -6, 0, 0, 1, 1, 1});
    set_row(3, ids[2], {1905, 1950, 0, 0, -6, 0, 0, 1, 1, 3});
    set_row(4, "ab02", {1910, 1990, 0, 0, -6, 0, 0, 1, 1, 2});
    {
        ScriptedConsole sc("");
        write_batch_detail();
    }
    const auto lines = split_lines(scene.dir().read("site_detail.txt"));
    ASSERT_EQ(lines.size(), 12u);
    EXPECT_EQ(lines[8], "   1  " + ids[0] + "  1900  1950     7     0    -6     2     0     1     1     1");
    EXPECT_EQ(lines[9], "   2  " + ids[1] + "  1900  1950     0     0    -6     0     0     1     1     1");
    EXPECT_EQ(lines[10], "   3  " + ids[2] + "  1905  1950     0     0    -6     0     0     1     1     3");
    EXPECT_EQ(lines[11], record(4, "ab02", {1910, 1990, 0, 0, -6, 0, 0, 1, 1, 2}));
    start_file();
    ScriptedConsole sc("");
    read_batch_detail();
    for (int k = 1; k <= 3; ++k) EXPECT_EQ(shared().serids[k], ids[k - 1]) << k;
    EXPECT_EQ(row(1), (std::array<int, 10>{1900, 1950, 7, 0, -6, 2, 0, 1, 1, 1}));
    EXPECT_EQ(row(3), (std::array<int, 10>{1905, 1950, 0, 0, -6, 0, 0, 1, 1, 3}));
    EXPECT_EQ(row(4), (std::array<int, 10>{1910, 1990, 0, 0, -6, 0, 0, 1, 1, 2}));
}
