#include <gtest/gtest.h>

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
// flushed or closed: the name goes to failed_writes, once, and WriteFailed
// ends the run. A discarded file (deleted or cut back next) is not checked,
// and close_all closes every stream, failed or not, without throwing.
TEST(OutFile, FailedWritesAreFoundAtFlushAndClose) {
    if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    kov::clear_failed_writes();
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
        EXPECT_EQ(kov::failed_writes(), std::vector<std::string>{"/dev/full"});
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
        EXPECT_EQ(kov::failed_writes(), std::vector<std::string>{"/dev/full"});  // named once
    }
    {
        TempDir d;
        kov::OutFile f;
        ASSERT_TRUE(f.open_fresh((d / "fine.txt").string()));
        f.line("fits");
        EXPECT_NO_THROW(f.close());
    }
    kov::clear_failed_writes();
}
