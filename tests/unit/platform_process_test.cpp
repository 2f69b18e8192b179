#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdio>
#include <string>

#include "ProcessEnd.h"
#include "TempFolder.h"
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
    EXPECT_EQ(RunProgram("/bin/sh", {"-c", "kill -TERM $$"}, &output), 128 + SIGTERM);
    EXPECT_EQ(RunProgram("/no/such/program", {}, &output), -1);
    EXPECT_FALSE(output.empty());
    EXPECT_EQ(FindProgram("sh").empty(), false);
    EXPECT_EQ(FindProgram("no-such-program-anywhere"), "");
    EXPECT_EQ(FindProgram("/bin/sh"), "/bin/sh");
}

// A flood of output keeps its last 64 KiB, where the program's last words are.
TEST(Process, OnlyTheLastOfTheOutputIsKept) {
    std::string output;
    EXPECT_EQ(RunProgram("/bin/sh",
                         {"-c",
                          "head -c 3000000 /dev/zero | tr '\\0' x; echo; echo last words; "
                          "exit 4"},
                         &output),
              4);
    EXPECT_EQ(output.size(), kProgramOutputKept);
    EXPECT_EQ(output.substr(output.size() - 12), "\nlast words\n");
    EXPECT_EQ(output.find_first_not_of('x'), output.size() - 12);
}

// What the program starts ends with it: the time limit ends the program and what it started;
// what a program that finished left running ends too (it would otherwise go on unseen).
TEST(Process, TheProgramsGroupEndsWithIt) {
    std::string output;
    EXPECT_EQ(RunProgram("/bin/sh", {"-c", "sleep 1000 & echo $!; wait"}, &output, 200),
              kProgramTimedOut);
    EXPECT_TRUE(WaitProcessEnd(std::stoi(output))) << output;

    EXPECT_EQ(RunProgram("/bin/sh", {"-c", "sleep 1000 >/dev/null 2>&1 & echo $!"}, &output), 0);
    EXPECT_TRUE(WaitProcessEnd(std::stoi(output))) << output;
}

// A process running a program is stopped while it waits: by Ctrl+C, by kill, by kill -9. The
// program's group ends with it each time (kill -9: through the keeper's parent-death signal).
TEST(Process, TheProgramEndsWhenTheProcessRunningItIsStopped) {
    CTempFolder dir;
    const std::string fifo = dir.File("pid");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    for (const int signal : {SIGINT, SIGTERM, SIGKILL}) {
        SCOPED_TRACE(signal);
        // A test run started in the background of a script ignores Ctrl+C, and so does the
        // program then: nothing to test.
        struct sigaction now;
        if (sigaction(signal, nullptr, &now) == 0 && now.sa_handler == SIG_IGN) {
            std::printf("(signal %d is ignored in this test run: not tried)\n", signal);
            continue;
        }
        const pid_t runner = fork();
        ASSERT_GE(runner, 0);
        if (runner == 0) {
            std::string output;
            RunProgram("/bin/sh", {"-c", "sleep 1000 & echo $! >\"$0\"; wait", fifo}, &output);
            _exit(0);
        }
        const std::string text = ReadFromFifo(fifo);
        const int status = StopChild(runner, signal);
        ASSERT_FALSE(text.empty()) << "the program never said its helper's number";
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << status;
        EXPECT_TRUE(WaitProcessEnd(std::stoi(text))) << text;
    }
}

}  // namespace
