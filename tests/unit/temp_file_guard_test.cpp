// Temporary files of safe saves removed when the process is stopped by a signal.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "platform/ReplaceFile.h"
#include "store_testutil.h"

namespace {

// A child process starts a safe save of target, writes part of it, says so on the pipe and waits
// to be stopped; the parent stops it with signal and returns how it ended.
int StopDuringSave(const std::string& target, int signal) {
    int ready[2];
    if (pipe(ready) != 0)
        return -1;
    const pid_t child = fork();
    if (child == 0) {
        // Whatever fails here ends the child: the parent, holding no write end of the pipe, then
        // reads its end instead of waiting for ever.
        close(ready[0]);
        try {
            CReplaceFile replace(target);
            CFile file;
            replace.Create(file, CFile::shareExclusive);
            file.Write("half of a book", 14);
            if (write(ready[1], "r", 1) != 1)
                _exit(3);
            for (;;)
                pause();
        } catch (...) {
            _exit(3);
        }
    }
    close(ready[1]);
    char c = 0;
    const bool started = read(ready[0], &c, 1) == 1;
    close(ready[0]);
    if (started)
        kill(child, signal);
    else
        kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    return status;
}

TEST(TempFileGuard, AStoppedSaveLeavesNoTemporaryFileBehind) {
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        SCOPED_TRACE(signal);
        CTempFolder dir;
        WriteAll(dir.File("book.exe"), {'o', 'l', 'd'});
        const int status = StopDuringSave(dir.File("book.exe"), signal);
        // The process ended by the signal, as it would have without the handler.
        ASSERT_TRUE(WIFSIGNALED(status)) << status;
        EXPECT_EQ(WTERMSIG(status), signal);
        EXPECT_EQ(dir.Entries(), std::vector<std::string>{"book.exe"});
        EXPECT_EQ(ReadAll(dir.File("book.exe")), (std::vector<uint8_t>{'o', 'l', 'd'}));
    }
}

// A file that was moved into place is no longer the guard's: a later signal leaves it.
TEST(TempFileGuard, ACommittedFileIsForgotten) {
    CTempFolder dir;
    {
        CReplaceFile replace(dir.File("book.exe"));
        CFile file;
        replace.Create(file, CFile::shareExclusive);
        file.Write("new", 3);
        file.Close();
        replace.Commit();
    }
    const int status = StopDuringSave(dir.File("other.exe"), SIGTERM);
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(ReadAll(dir.File("book.exe")), (std::vector<uint8_t>{'n', 'e', 'w'}));
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"book.exe"});
}

}  // namespace
