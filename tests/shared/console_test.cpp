#include <gtest/gtest.h>

#include "shared/console.hpp"
#include "shared/stop.hpp"
#include "support/test_support.hpp"

using namespace kov;

TEST(Console, AnswerStripsCarriageReturnsAndStopsAtEndOfInput) {
    kovtest::ScriptedConsole sc("yes\r\r\n");
    EXPECT_EQ(con().answer(), "yes");
    try {
        con().answer();
        FAIL() << "no stop at end of input";
    } catch (const Stop& s) {
        EXPECT_EQ(s.status, exit_end_of_input);
    }
    EXPECT_NE(sc.output().find(" *** end of console input ***"), std::string::npos);
}

TEST(Console, WaitTakesEndOfInputAsEnter) {
    kovtest::ScriptedConsole sc("");
    EXPECT_NO_THROW(con().wait());
}
