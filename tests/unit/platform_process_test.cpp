#include <gtest/gtest.h>

#include <string>

#include "platform/Process.h"

namespace {

TEST(Process, OutputAndStatusComeBackWithoutATerminal) {
    std::string output;
    EXPECT_EQ(RunProgram("/bin/sh", {"-c", "echo out; echo err >&2; exit 3"}, &output), 3);
    EXPECT_EQ(output, "out\nerr\n");
    // Arguments arrive as given; standard input is empty; no terminal to ask on.
    EXPECT_EQ(RunProgram("/bin/sh",
                         {"-c", "printf '[%s]' \"$@\"; cat; test -t 0 || printf ' no tty'", "sh",
                          "two words", "", "'q'"},
                         &output),
              0);
    EXPECT_EQ(output, "[two words][]['q'] no tty");
    EXPECT_EQ(RunProgram("/bin/sh", {"-c", "exec 3</dev/tty"}, &output) != 0, true);
    EXPECT_EQ(RunProgram("/no/such/program", {}, &output), -1);
    EXPECT_FALSE(output.empty());
    EXPECT_EQ(FindProgram("sh").empty(), false);
    EXPECT_EQ(FindProgram("no-such-program-anywhere"), "");
    EXPECT_EQ(FindProgram("/bin/sh"), "/bin/sh");
}

}  // namespace
