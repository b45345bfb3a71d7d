#include <gtest/gtest.h>

#include <string>

#include "shared/output_names.hpp"
#include "shared/tables.hpp"
#include "shared/text_helpers.hpp"

using namespace kov;

TEST(OutputNames, PrefixIsTheNameLessAFinalLowerCaseTxt) {
    struct Case {
        std::string datfil, prefix;
    } cases[] = {
        {"site1.txt", "site1"},  {"site1.TXT", "site1.TXT"}, {"site1", "site1"},  {"a.b.txt", "a.b"},
        {".txt", ""},            {"my site.txt", "my site"},  {"txt", "txt"},      {"a.txt.rwl", "a.txt.rwl"},
        {"", ""},                {"x.txt.txt", "x.txt"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(output_prefix(padded(c.datfil, 60)), c.prefix) << c.datfil;
        shared().datfil = padded(c.datfil, 60);
        EXPECT_EQ(output_name("_out.txt"), c.prefix + "_out.txt") << c.datfil;
    }
    // no data file in work for the tests after this one
    shared().datfil.clear();
    shared().last_output_name.clear();
}
