#include <gtest/gtest.h>

#include <sys/resource.h>

#include <csignal>
#include <cstdlib>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "shared/files.hpp"
#include "shared/stop.hpp"
#include "support/test_support.hpp"

using kovtest::TempDir;

namespace {

std::vector<std::string> lines_of(const std::string& bytes) {
    TempDir d;
    d.write("f.txt", bytes);
    kov::TextIn in;
    EXPECT_TRUE(in.open((d / "f.txt").string()));
    std::vector<std::string> out;
    while (auto l = in.read_line()) out.push_back(*l);
    return out;
}

std::vector<std::string> failed_names() {
    std::vector<std::string> names;
    for (const auto& f : kov::failed_outputs()) names.push_back(f.name);
    return names;
}

}  // namespace

// Lines end in LF, CR LF or CR CR LF, and in files from older systems in CR
// alone, in any mix: files pass through editors and systems line by line.
TEST(TextIn, LinesEndInEveryWayFilesEndThem) {
    using V = std::vector<std::string>;
    struct Case {
        const char* what;
        std::string bytes;
        V lines;
    };
    const Case cases[] = {
        {"line feeds", "a b\ncd\n", V{"a b", "cd"}},
        {"no end to the last line", "a b\ncd", V{"a b", "cd"}},
        {"CR LF and CR CR LF", "a b\r\ncd\r\r\n", V{"a b", "cd"}},
        {"carriage returns alone", "a b\rcd\r", V{"a b", "cd"}},
        {"carriage returns alone, an empty line", "a b\r\rcd", V{"a b", "", "cd"}},
        {"lone CRs and one CR LF", "a\rb\rc\r\nd\re\r", V{"a", "b", "c", "d", "e"}},
        {"lone CRs and one CR CR LF", "a\rb\r\r\nc\r", V{"a", "b", "c"}},
        {"every kind, line by line", "a\nb\r\nc\rd\r\r\ne\n", V{"a", "b", "c", "d", "e"}},
        {"a lone CR before CR CR LF is an empty line", "a\r\r\r\nb", V{"a", "", "b"}},
        {"empty file", "", V{}},
        {"one empty line", "\n", V{""}},
    };
    for (const Case& c : cases) EXPECT_EQ(lines_of(c.bytes), c.lines) << c.what;
}

// A write that fails (here to a full device) is found where the file is
// flushed or closed: the name goes to failed_outputs, once, and WriteFailed
// ends the run. A discarded file (deleted or cut back next) is not checked,
// and close_all closes every stream, failed or not, without throwing.
TEST(OutFile, FailedWritesAreFoundAtFlushAndClose) {
    if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    kov::clear_failed_outputs();
    {
        kov::OutFile f;
        ASSERT_TRUE(f.open_append("/dev/full"));
        f.line("a line the device cannot take");
        EXPECT_THROW(f.flush(), kov::WriteFailed);
        EXPECT_TRUE(f.is_open());
        try {
            f.close();
            ADD_FAILURE() << "close after a failed write did not throw";
        } catch (const kov::WriteFailed& w) {
            EXPECT_EQ(w.name, "/dev/full");
            EXPECT_EQ(w.status, kov::exit_failure);
        }
        EXPECT_FALSE(f.is_open());
        EXPECT_EQ(failed_names(), std::vector<std::string>{"/dev/full"});
    }
    {
        kov::OutFile f;
        ASSERT_TRUE(f.open_append("/dev/full"));
        f.line("dropped");
        EXPECT_NO_THROW(f.discard());
    }
    {
        TempDir d;
        auto& st = kov::streams();
        ASSERT_TRUE(st.luaux.open_append("/dev/full"));
        ASSERT_TRUE(st.luscr.open_fresh((d / "whole.txt").string()));
        st.luaux.line("lost");
        st.luscr.line("kept");
        EXPECT_NO_THROW(st.close_all());
        EXPECT_FALSE(st.luaux.is_open());
        EXPECT_FALSE(st.luscr.is_open());
        EXPECT_EQ(d.read("whole.txt"), "kept\n");
        EXPECT_EQ(failed_names(), std::vector<std::string>{"/dev/full"});  // named once
    }
    {
        TempDir d;
        kov::OutFile f;
        ASSERT_TRUE(f.open_fresh((d / "fine.txt").string()));
        f.line("fits");
        EXPECT_NO_THROW(f.close());
    }
    kov::clear_failed_outputs();
}

namespace {

// The names in a folder.
std::vector<std::string> names_in(const std::filesystem::path& dir) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

// A rewrite of a file the user may have edited puts a whole new file in its
// place at close, and nothing else: no file beside it, none of the user's
// files taken over, a link kept and the file it leads to rewritten. Left
// unfinished (a stop before close) or refused, it changes nothing. The failed
// write itself is run whole in WriteFailures.AFailedRewriteLeavesTheEarlierFile.
TEST(OutFile, ARewriteReplacesTheFileWholeOrNotAtAll) {
    using V = std::vector<std::string>;
    TempDir d;
    kovtest::InDir in(d.path());
    auto rewrite = [](const std::string& name, const std::string& text) {
        kov::OutFile f;
        ASSERT_TRUE(f.open_rewrite(name));
        f.put(text);
        f.close();
    };

    d.write("a.txt", "earlier\n");
    d.write("a.txt.new", "the user's own file\n");  // the name a rewrite would take first
    rewrite("a.txt", "new text\n");
    EXPECT_EQ(d.read("a.txt"), "new text\n");
    EXPECT_EQ(d.read("a.txt.new"), "the user's own file\n");
    EXPECT_EQ(names_in(d.path()), (V{"a.txt", "a.txt.new"}));

    std::filesystem::create_directory(d / "kept");
    d.write("kept/b.txt", "earlier\n");
    std::filesystem::create_symlink("kept/b.txt", d / "b.txt");
    rewrite("b.txt", "through the link\n");
    EXPECT_TRUE(std::filesystem::is_symlink(d / "b.txt"));
    EXPECT_EQ(d.read("kept/b.txt"), "through the link\n");
    EXPECT_EQ(names_in(d / "kept"), V{"b.txt"});

    {
        kov::OutFile f;
        ASSERT_TRUE(f.open_rewrite("a.txt"));
        f.put("never finished\n");
        f.discard();
    }
    {
        auto& st = kov::streams();
        ASSERT_TRUE(st.luaux.open_rewrite("a.txt"));
        st.luaux.put("cut off by a stop\n");
        st.close_all();
    }
    {
        kov::OutFile f;
        ASSERT_TRUE(f.open_rewrite("a.txt"));
        f.put("gone with its file object\n");
    }
    EXPECT_EQ(d.read("a.txt"), "new text\n");

    kov::protect_name("a.txt");
    {
        kov::OutFile f;
        EXPECT_THROW(f.open_rewrite("a.txt"), kov::FileRefused);
    }
    kov::clear_protected();
    kov::protect_name("kept/b.txt");
    {
        kov::OutFile f;
        EXPECT_THROW(f.open_rewrite("b.txt"), kov::FileRefused) << "a link to a file the run reads";
    }
    kov::clear_protected();

    std::filesystem::create_directories(d / "c.txt" / "x");
    {
        kov::OutFile f;
        EXPECT_FALSE(f.open_rewrite("c.txt"));
        EXPECT_FALSE(f.open_rewrite("no_such_folder/d.txt"));
        EXPECT_FALSE(f.is_open());
    }
    EXPECT_EQ(d.read("a.txt"), "new text\n");
    EXPECT_EQ(names_in(d.path()), (V{"a.txt", "a.txt.new", "b.txt", "c.txt", "kept"}));
    EXPECT_EQ(names_in(d / "kept"), V{"b.txt"});
    EXPECT_TRUE(kov::failed_outputs().empty());
}

// A run stopped by a signal while it rewrites a file removes the new file it
// was writing, and ends by that signal; the earlier file stays as it was.
// New files left by runs that could not remove theirs (a kill that cannot be
// caught) never stop a later rewrite, however many there are, and stay.
TEST(OutFileDeathTest, AStopBySignalLeavesNoNewFileAndLeftoversNeverStopARewrite) {
    using V = std::vector<std::string>;
    for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) {
        SCOPED_TRACE(sig);
        TempDir d;
        kovtest::InDir in(d.path());
        d.write("a.txt", "earlier\n");
        auto stopped_in_a_rewrite = [sig] {
            const rlimit no_core{0, 0};  // the default action of SIGQUIT writes one
            ::setrlimit(RLIMIT_CORE, &no_core);
            // A test run from a job that ignores the signal (nohup, a background
            // job of a script) passes that on, and the program keeps it ignored.
            std::signal(sig, SIG_DFL);
            kov::OutFile f;
            if (f.open_rewrite("a.txt")) {
                f.put("half of the new text");
                f.flush();
                std::raise(sig);
            }
            std::exit(0);
        };
        EXPECT_EXIT(stopped_in_a_rewrite(), ::testing::KilledBySignal(sig), "");
        EXPECT_EQ(names_in(d.path()), V{"a.txt"});
        EXPECT_EQ(d.read("a.txt"), "earlier\n");
    }

    TempDir d;
    kovtest::InDir in(d.path());
    d.write("a.txt", "earlier\n");
    V names{"a.txt", "a.txt.new"};
    d.write("a.txt.new", "left by a killed run\n");
    for (int n = 1; n <= 150; ++n) {
        d.write("a.txt.new" + std::to_string(n), "left by a killed run\n");
        names.push_back("a.txt.new" + std::to_string(n));
    }
    std::sort(names.begin(), names.end());
    kov::OutFile f;
    ASSERT_TRUE(f.open_rewrite("a.txt"));
    f.put("new text\n");
    f.close();
    EXPECT_EQ(d.read("a.txt"), "new text\n");
    EXPECT_EQ(names_in(d.path()), names);
    EXPECT_EQ(d.read("a.txt.new150"), "left by a killed run\n");
}

// A rewrite keeps the earlier file's permissions: a file only its owner may
// read (600) is not left readable by all once rewritten, nor a read-only one
// (400) left writable. A file the rewrite makes new takes the usual mode.
TEST(OutFile, ARewriteKeepsTheModeOfTheEarlierFile) {
    namespace fs = std::filesystem;
    TempDir d;
    kovtest::InDir in(d.path());
    auto rewrite = [](const std::string& name) {
        kov::OutFile f;
        ASSERT_TRUE(f.open_rewrite(name));
        f.line("new text");
        f.close();
    };
    auto mode = [](const std::string& name) { return fs::status(name).permissions() & fs::perms::all; };
    for (const auto m : {fs::perms::owner_read | fs::perms::owner_write,
                         fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read, fs::perms::owner_read,
                         fs::perms::all}) {
        d.write("a.txt", "earlier\n");
        fs::permissions("a.txt", m);
        rewrite("a.txt");
        EXPECT_EQ(mode("a.txt"), m) << static_cast<unsigned>(m);
        EXPECT_EQ(d.read("a.txt"), "new text\n");
        fs::permissions("a.txt", fs::perms::owner_read | fs::perms::owner_write);
        fs::remove("a.txt");
    }
    // through a link, the file it leads to keeps its mode
    d.write("b.txt", "earlier\n");
    fs::permissions("b.txt", fs::perms::owner_read | fs::perms::owner_write);
    fs::create_symlink("b.txt", "link.txt");
    rewrite("link.txt");
    EXPECT_EQ(mode("b.txt"), fs::perms::owner_read | fs::perms::owner_write);

    rewrite("new.txt");
    kov::OutFile fresh;
    ASSERT_TRUE(fresh.open_fresh("fresh.txt"));
    fresh.close();
    EXPECT_EQ(mode("new.txt"), mode("fresh.txt"));
}

// An empty folder under an output's name is the user's as much as a full
// one: the file cannot be created there, and the folder stays. The stream
// then names no file, not the one it held before.
TEST(OutFile, AFolderUnderTheNameIsNeverRemoved) {
    TempDir d;
    kovtest::InDir in(d.path());
    std::filesystem::create_directory("out.txt");
    kov::OutFile f;
    ASSERT_TRUE(f.open_fresh("earlier.txt"));
    EXPECT_FALSE(f.open_fresh("out.txt"));
    EXPECT_FALSE(f.is_open());
    EXPECT_EQ(f.name(), "");
    EXPECT_TRUE(d.exists("earlier.txt"));
    kov::delete_file("out.txt");
    EXPECT_TRUE(std::filesystem::is_directory("out.txt"));
}
