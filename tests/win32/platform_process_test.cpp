// Running another program: this test program starts itself, whose child half does what the
// variable PV_PROCESS_TEST_CHILD says (prints its arguments, floods its output, starts a helper
// and waits for ever, ...), so that the quoting, the captured output, the exit status and the end
// of everything the program started are checked as Windows really runs them.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/Process.h"

namespace {

const char kChildVariable[] = "PV_PROCESS_TEST_CHILD";
// Where a child that starts a helper writes the helper's and its own process ids, and the event
// it sets then.
const char kPidsVariable[] = "PV_PROCESS_TEST_PIDS";
const char kReadyVariable[] = "PV_PROCESS_TEST_READY";

std::string SelfPath() {
    char path[MAX_PATH];
    const DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
    return std::string(path, n);
}

std::string Variable(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

// Starts this program again as a helper that waits for ever; returns its process id.
DWORD StartHelper() {
    SetEnvironmentVariableA(kChildVariable, "wait");
    std::string line = "\"" + SelfPath() + "\" --gtest_filter=ProcessChild.*";
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;  // no standard handles: it has nothing to say
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return 0;
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return pi.dwProcessId;
}

// The child half: runs only when started by the tests below.
TEST(ProcessChild, DoesWhatItIsTold) {
    const std::string what = Variable(kChildVariable);
    if (what.empty())
        GTEST_SKIP();
    if (what == "wait")
        Sleep(INFINITE);
    if (what == "flood") {
        const std::string line(1000, 'x');
        for (int k = 0; k < 1000; ++k)
            std::fwrite(line.data(), 1, line.size(), stdout);
        std::printf("\nlast words\n");
        std::fflush(stdout);
        std::exit(4);
    }
    if (what == "helper" || what == "leave") {
        // A helper of its own, then both ids where the test finds them.
        const DWORD helper = StartHelper();
        if (FILE* f = std::fopen(Variable(kPidsVariable).c_str(), "w")) {
            std::fprintf(f, "%lu %lu\n", GetCurrentProcessId(), helper);
            std::fclose(f);
        }
        if (HANDLE ready =
                OpenEventA(EVENT_MODIFY_STATE, FALSE, Variable(kReadyVariable).c_str())) {
            SetEvent(ready);
            CloseHandle(ready);
        }
        if (what == "helper")
            Sleep(INFINITE);
        std::exit(0);
    }
    if (what == "run") {
        // A program running a program, which the test then kills.
        SetEnvironmentVariableA(kChildVariable, "helper");
        std::string output;
        RunProgram(SelfPath(), {"--gtest_filter=ProcessChild.*"}, &output);
        std::exit(0);
    }
    std::string line = "args:";
    for (int k = 1; k < __argc; ++k)
        line += std::string("[") + __argv[k] + "]";
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
    EXPECT_NE(what, "fail");
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

// A flood of output keeps its last 64 KiB, where the program's last words are.
TEST(Process, OnlyTheLastOfTheOutputIsKept) {
    SetEnvironmentVariableA(kChildVariable, "flood");
    std::string output;
    EXPECT_EQ(RunProgram(SelfPath(), {"--gtest_filter=ProcessChild.*"}, &output), 4);
    SetEnvironmentVariableA(kChildVariable, nullptr);
    EXPECT_EQ(output.size(), kProgramOutputKept);
    EXPECT_EQ(output.find_first_not_of("x\r\n"), output.find("last words")) << output.substr(0, 80);
    EXPECT_NE(output.find("\nlast words"), std::string::npos);
}

class ProcessGroupTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char folder[MAX_PATH];
        GetTempPathA(sizeof folder, folder);
        pids = std::string(folder) + "pv-process-pids-" + std::to_string(GetCurrentProcessId());
        const std::string event = "pv-process-ready-" + std::to_string(GetCurrentProcessId());
        ready = CreateEventA(nullptr, TRUE, FALSE, event.c_str());
        SetEnvironmentVariableA(kPidsVariable, pids.c_str());
        SetEnvironmentVariableA(kReadyVariable, event.c_str());
    }
    void TearDown() override {
        SetEnvironmentVariableA(kChildVariable, nullptr);
        CloseHandle(ready);
        DeleteFileA(pids.c_str());
    }
    // The program's and its helper's process ids, once it has said them.
    bool Ids(DWORD* program, DWORD* helper) {
        if (WaitForSingleObject(ready, 20000) != WAIT_OBJECT_0)
            return false;
        FILE* f = std::fopen(pids.c_str(), "r");
        unsigned long a = 0, b = 0;
        const bool read = f && std::fscanf(f, "%lu %lu", &a, &b) == 2;
        if (f)
            std::fclose(f);
        *program = a;
        *helper = b;
        return read && b != 0;
    }
    // True when the process id has ended within 20 seconds (or was gone already).
    static bool Ends(DWORD pid) {
        HANDLE h = OpenProcess(SYNCHRONIZE, FALSE, pid);
        if (!h)
            return true;
        const bool ended = WaitForSingleObject(h, 20000) == WAIT_OBJECT_0;
        CloseHandle(h);
        return ended;
    }

    std::string pids;
    HANDLE ready = nullptr;
};

// The time limit ends the program and the helper it started; a program that ends by itself takes
// what it left running with it.
TEST_F(ProcessGroupTest, TheProgramsGroupEndsWithIt) {
    for (const char* what : {"helper", "leave"}) {
        SCOPED_TRACE(what);
        ResetEvent(ready);
        SetEnvironmentVariableA(kChildVariable, what);
        std::string output;
        const int rc = RunProgram(SelfPath(), {"--gtest_filter=ProcessChild.*"}, &output, 3000);
        EXPECT_EQ(rc, std::string(what) == "helper" ? kProgramTimedOut : 0) << output;
        DWORD program = 0, helper = 0;
        ASSERT_TRUE(Ids(&program, &helper));
        EXPECT_TRUE(Ends(program));
        EXPECT_TRUE(Ends(helper));
    }
}

// A process running a program is killed outright: the job's last handle closes with it, and the
// program and its helper end.
TEST_F(ProcessGroupTest, TheProgramEndsWhenTheProcessRunningItIsKilled) {
    SetEnvironmentVariableA(kChildVariable, "run");
    std::string line = "\"" + SelfPath() + "\" --gtest_filter=ProcessChild.*";
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    PROCESS_INFORMATION pi = {};
    ASSERT_TRUE(
        CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    DWORD program = 0, helper = 0;
    const bool told = Ids(&program, &helper);
    TerminateProcess(pi.hProcess, 9);
    WaitForSingleObject(pi.hProcess, INFINITE);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    ASSERT_TRUE(told);
    EXPECT_TRUE(Ends(program));
    EXPECT_TRUE(Ends(helper));
}

}  // namespace
