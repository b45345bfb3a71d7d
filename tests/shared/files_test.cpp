#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shared/files.hpp"
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
