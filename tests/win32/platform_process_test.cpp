// Running another program: this test program starts itself, whose child half prints the
// arguments it was given, so the quoting, the captured output and the exit status are checked
// as Windows really passes them.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/Process.h"

namespace {

const char kChildVariable[] = "PV_PROCESS_TEST_CHILD";

std::string SelfPath() {
    char path[MAX_PATH];
    const DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
    return std::string(path, n);
}

// The child half: runs only when started by the test below.
TEST(ProcessChild, PrintsItsArguments) {
    if (!std::getenv(kChildVariable))
        GTEST_SKIP();
    std::string line = "args:";
    for (int k = 1; k < __argc; ++k)
        line += std::string("[") + __argv[k] + "]";
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
    EXPECT_STRNE(std::getenv(kChildVariable), "fail");
}

TEST(Process, ArgumentsOutputAndStatusComeThrough) {
    SetEnvironmentVariableA(kChildVariable, "1");
    std::string output;
    const int rc = RunProgram(SelfPath(),
                              {"--gtest_filter=ProcessChild.*", "two words", "say \"hi\"",
                               "trailing\\", "back\\\\slashes", ""},
                              &output);
    SetEnvironmentVariableA(kChildVariable, nullptr);
    EXPECT_EQ(rc, 0) << output;
    EXPECT_NE(output.find("args:[--gtest_filter=ProcessChild.*][two words][say \"hi\"][trailing\\]"
                          "[back\\\\slashes][]"),
              std::string::npos)
        << output;
    // A failing child's status comes back.
    SetEnvironmentVariableA(kChildVariable, "fail");
    EXPECT_EQ(RunProgram(SelfPath(), {"--gtest_filter=ProcessChild.*"}, &output), 1);
    SetEnvironmentVariableA(kChildVariable, nullptr);
    EXPECT_EQ(RunProgram("C:\\no\\such\\program.exe", {}, &output), -1);
    EXPECT_FALSE(output.empty());
    EXPECT_FALSE(FindProgram("cmd").empty());
    EXPECT_TRUE(FindProgram("no-such-program-anywhere").empty());
}

}  // namespace
