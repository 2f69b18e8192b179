#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>

#include "TempFolder.h"
#include "platform/ErrorReport.h"
#include "platform/File.h"

namespace fs = std::filesystem;

namespace {

class FileTest : public ::testing::Test {
  protected:
    CTempFolder temp{"pv-file"};
    void SetUp() override {
        ASSERT_FALSE(temp.Path().empty());
        root = temp.Path();
        path = (root / "out.exe").string();
        CFile f;
        f.Open(path, CFile::modeCreate | CFile::modeWrite);
        f.Write("MZ", 2);
    }
    void TearDown() override { ClearFileFaults(); }

    // The cause of the exception that opening path with flags throws, or none.
    CFileException::Cause OpenCause(const std::string& p, unsigned flags) {
        CFile f;
        try {
            f.Open(p, flags);
        } catch (const CFileException& e) {
            EXPECT_EQ(e.m_strFileName, p);
            return e.m_cause;
        }
        return CFileException::none;
    }

    fs::path root;
    std::string path;
};

}  // namespace

TEST_F(FileTest, SharingModesAmongOwnOpens) {
    struct Case {
        const char* name;
        unsigned first;
        unsigned second;
        CFileException::Cause expected;
    };
    const unsigned rd = CFile::modeRead, rw = CFile::modeReadWrite;
    const Case cases[] = {
        {"exclusive then read", rw | CFile::shareExclusive, rd | CFile::shareDenyNone,
         CFileException::sharingViolation},
        {"default is exclusive", rd, rd | CFile::shareDenyNone, CFileException::sharingViolation},
        {"deny write then read", rd | CFile::shareDenyWrite, rd | CFile::shareDenyWrite,
         CFileException::none},
        {"deny write then write", rd | CFile::shareDenyWrite, rw | CFile::shareDenyNone,
         CFileException::sharingViolation},
        {"reader that denies write vs writer", rw | CFile::shareDenyNone,
         rd | CFile::shareDenyWrite, CFileException::sharingViolation},
        {"deny none both ways", rw | CFile::shareDenyNone, rw | CFile::shareDenyNone,
         CFileException::none},
        {"deny read then write", rd | CFile::shareDenyRead, CFile::modeWrite | CFile::shareDenyNone,
         CFileException::none},
        {"deny read then read", rw | CFile::shareDenyRead, rd | CFile::shareDenyNone,
         CFileException::sharingViolation},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CFile first;
        first.Open(path, c.first);
        EXPECT_EQ(OpenCause(path, c.second), c.expected);
        first.Close();
        // Once closed, the file is free again.
        EXPECT_EQ(OpenCause(path, c.second), CFileException::none);
    }
}

TEST_F(FileTest, SharingViolationDescribesTheFile) {
    CFile held;
    held.Open(path, CFile::modeReadWrite | CFile::shareExclusive);
    CFile reader;
    try {
        reader.Open(path, CFile::modeRead | CFile::shareDenyWrite);
        FAIL() << "second open succeeded";
    } catch (const CFileException& e) {
        EXPECT_EQ(e.m_cause, CFileException::sharingViolation);
        EXPECT_EQ(ErrorReportText("Cannot read page", e),
                  "Cannot read page\nA sharing violation occurred while accessing " + path + ".");
    }
    EXPECT_FALSE(reader.IsOpen());
    // The failed open must not have disturbed the holder's record: after the holder closes,
    // a new exclusive open succeeds.
    held.Close();
    EXPECT_EQ(OpenCause(path, CFile::modeReadWrite | CFile::shareExclusive), CFileException::none);
}

TEST_F(FileTest, SystemErrorsMapToCauses) {
    fs::create_directory(root / "folder");
    struct Case {
        const char* name;
        std::string path;
        unsigned flags;
        CFileException::Cause expected;
        const char* text;
    };
    const std::string missing = (root / "missing.htm").string();
    const std::string folder = (root / "folder").string();
    const std::string underFile = path + "\\x.htm";
    const Case cases[] = {
        {"missing file", missing, CFile::modeRead, CFileException::fileNotFound, " was not found."},
        {"folder opened as a file", folder, CFile::modeRead, CFileException::accessDenied,
         "Access to "},
        {"path through a file", underFile, CFile::modeRead, CFileException::badPath,
         " contains an invalid path."},
        {"folder missing on create", (root / "nope" / "a.exe").string(),
         CFile::modeCreate | CFile::modeWrite, CFileException::fileNotFound, " was not found."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CFile f;
        try {
            f.Open(c.path, c.flags);
            ADD_FAILURE() << "opened";
        } catch (const CFileException& e) {
            EXPECT_EQ(e.m_cause, c.expected);
            EXPECT_EQ(e.m_strFileName, c.path);
            EXPECT_NE(e.GetErrorMessage().find(c.text), std::string::npos) << e.GetErrorMessage();
        }
    }
    EXPECT_EQ(CFileException::ErrnoToCause(EACCES), CFileException::accessDenied);
    EXPECT_EQ(CFileException::ErrnoToCause(ENOSPC), CFileException::diskFull);
    EXPECT_EQ(CFileException::ErrnoToCause(EMFILE), CFileException::tooManyOpenFiles);
    EXPECT_EQ(CFileException::ErrnoToCause(12345), CFileException::genericException);
}

TEST_F(FileTest, ReadsBackThroughBackslashPathAndStopsAtEnd) {
    const std::string ansi = root.string() + "\\out.exe";
    CFile f;
    f.Open(ansi, CFile::modeRead | CFile::shareDenyWrite);
    EXPECT_EQ(f.GetLength(), 2u);
    char buf[4] = {};
    EXPECT_EQ(f.Read(buf, 4), 2u);
    EXPECT_EQ(std::string(buf, 2), "MZ");
    f.Seek(0, CFile::begin);
    try {
        f.ReadExact(buf, 3);
        FAIL() << "read past the end";
    } catch (const CFileException& e) {
        EXPECT_EQ(e.m_cause, CFileException::endOfFile);
    }
    EXPECT_THROW(f.Seek(-1, CFile::begin), CFileException);
}

TEST_F(FileTest, NamedPipeIsRefusedWithoutWaiting) {
    // A pipe in a project folder turns up as a file of the scan. Opening it must fail at once,
    // not wait for a writer. Should an open wait after all, the helper thread opens the writer
    // end after a long grace period, so that the test ends and says so instead of hanging; no
    // timing on the test's side, so a slow machine cannot fail it.
    const std::string pipe = (root / "pipe.htm").string();
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    std::mutex lock;
    std::condition_variable doneChanged;
    bool done = false;
    bool released = false;
    std::thread release([&] {
        std::unique_lock<std::mutex> hold(lock);
        if (doneChanged.wait_for(hold, std::chrono::seconds(30), [&] { return done; }))
            return;
        released = true;
        const int fd = ::open(pipe.c_str(), O_WRONLY | O_NONBLOCK);
        if (fd >= 0)
            ::close(fd);
    });
    const unsigned modes[] = {CFile::modeRead | CFile::shareExclusive,
                              CFile::modeReadWrite | CFile::shareExclusive};
    for (unsigned mode : modes) {
        SCOPED_TRACE(mode);
        EXPECT_EQ(OpenCause(pipe, mode), CFileException::accessDenied);
    }
    {
        std::lock_guard<std::mutex> hold(lock);
        EXPECT_FALSE(released) << "an open waited for a writer of the pipe";
        done = true;
    }
    doneChanged.notify_one();
    release.join();
}
