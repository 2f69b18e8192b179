// Packing on several threads: the same e-book bytes and the same failure as with one thread, a
// bounded number of pages in flight, and no thread left behind. Also run under ThreadSanitizer.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <random>
#include <stdexcept>
#include <thread>

#include "TempFolder.h"
#include "ScriptedUi.h"
#include "compiler/BuildEBook.h"
#include "compiler/PackPool.h"
#include "platform/InOrderPool.h"
#include "icon_fake_pe.h"
#include "platform/Text.h"
#include "project/Scan.h"

namespace {

using Bytes = std::vector<uint8_t>;

// The pools' worker threads that are running: counted inside the pool from a thread's start to
// the end of its work, so a joined thread is never counted (a count of the process's threads in
// /proc can still show one that was joined a moment ago).
size_t PoolWorkersRunning() {
    return g_inOrderPoolWorkers.load();
}

class BuildJobsTest : public ::testing::Test {
  protected:
    void Scan(const std::string& folder) {
        project.m_strEBookFile = out / "book.exe";
        RescanProject(project, ui, folder, [] {});
        ui.messages.clear();
    }
    // Builds with the given number of threads; returns the e-book's bytes (empty on failure).
    Bytes Build(unsigned threads, uint64_t maxSize = kMaxEBookSize) {
        CMemoryStubSource stub(stubBytes.data(), stubBytes.size());
        const int result =
            BuildEBook(project, project.m_strEBookFile, ui, stub, {maxSize, threads});
        EXPECT_EQ(PoolWorkersRunning(), 0u) << "a packing thread outlived the build";
        if (result != 1)
            return Bytes();
        return fakepe::ReadFile(project.m_strEBookFile);
    }

    CTempFolder tree;
    CTempFolder out;
    CBookProject project;
    ScriptedUi ui;
    Bytes stubBytes = Bytes(4096, 0x4D);
};

// 400 files of very different sizes (one in 19 large), so that the workers finish out of order;
// far more pages than the pages in flight, so the bound is reached again and again.
void MakeTree(const CTempFolder& dir) {
    std::mt19937 gen(14);
    Bytes noise(60000);
    for (size_t k = 0; k < noise.size(); ++k)
        noise[k] = static_cast<uint8_t>(k % 5 ? 'a' + k % 19 : gen());
    for (size_t i = 0; i < 400; ++i) {
        const std::string folder = dir / ("part" + std::to_string(i % 40));
        std::filesystem::create_directories(folder);
        const size_t size = i % 19 == 0 ? noise.size() : gen() % 6000;
        const size_t start = i % 19 == 0 ? 0 : i * 131 % (noise.size() - size);
        fakepe::WriteFile(folder + "/page" + std::to_string(i) + ".html",
                          Bytes(noise.begin() + start, noise.begin() + start + size));
    }
}

TEST_F(BuildJobsTest, SameBytesWithAnyNumberOfThreads) {
    MakeTree(tree);
    const std::string sample = std::string(PV_SOURCE_DIR) + "/examples/lighthouses";
    for (const std::string& folder : {sample, tree.Path()}) {
        SCOPED_TRACE(folder);
        Scan(folder);
        const Bytes one = Build(1);
        ASSERT_GT(one.size(), stubBytes.size());
        for (unsigned threads : {2u, 8u}) {
            SCOPED_TRACE(threads);
            EXPECT_TRUE(Build(threads) == one);
            EXPECT_TRUE(ui.messages.empty());
        }
    }
}

// Failures in the middle of the book: the first failing page in page order is reported, as with
// one thread, and nothing is left behind; also when showing the report throws.
TEST_F(BuildJobsTest, FailureInTheMiddle) {
    MakeTree(tree);
    Scan(tree.Path());
    auto disk = [&](size_t page) {
        return NativePath(tree.Path() + "\\" + project.m_arrPages[page]->m_strFile);
    };
    // A failed build keeps the e-book that was there before.
    const Bytes previous = Build(1);
    const uint64_t half = previous.size() / 2;
    // Missing after the failing page: the workers meet it first, but it is never reached.
    const Bytes later = fakepe::ReadFile(disk(300));
    std::filesystem::remove(disk(300));
    const struct {
        const char* name;
        uint64_t maxSize;
        const char* cause;
    } cases[] = {{"missing page", kMaxEBookSize, "was not found"}, {"size limit", half, "2 GiB"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Bytes keep = fakepe::ReadFile(disk(200));
        if (c.maxSize == kMaxEBookSize)
            std::filesystem::remove(disk(200));
        std::string message;
        for (unsigned threads : {1u, 8u}) {
            SCOPED_TRACE(threads);
            ui.messages.clear();
            EXPECT_TRUE(Build(threads, c.maxSize).empty());
            ASSERT_EQ(ui.messages.size(), 1u);
            EXPECT_NE(ui.messages[0].text.find(c.cause), std::string::npos) << ui.messages[0].text;
            if (threads == 1)
                message = ui.messages[0].text;
            EXPECT_EQ(ui.messages[0].text, message);
            EXPECT_TRUE(fakepe::ReadFile(project.m_strEBookFile) == previous);
        }
        fakepe::WriteFile(disk(200), keep);
    }

    struct ThrowingUi : ScriptedUi {
        MsgAnswer ShowMessage(const std::string&, MsgIcon, MsgButtons) override {
            throw std::runtime_error("no screen");
        }
    } throwing;
    std::filesystem::remove(disk(140));
    CMemoryStubSource stub(stubBytes.data(), stubBytes.size());
    EXPECT_THROW(BuildEBook(project, project.m_strEBookFile, throwing, stub, {kMaxEBookSize, 8}),
                 std::runtime_error);
    EXPECT_EQ(PoolWorkersRunning(), 0u);
    EXPECT_TRUE(fakepe::ReadFile(project.m_strEBookFile) == previous);
}

// The pool hands the items back in order, each with its own failure, and never has more than
// its window of items (or, with large blocks, its budget of waiting bytes) in flight however
// slowly they are taken.
TEST(PackPoolTest, InOrderBoundedAndFailuresInPlace) {
    const struct {
        unsigned threads;
        size_t extra;  // bytes added to each block
    } cases[] = {{1, 0}, {3, 0}, {8, 0}, {8, 1u << 20}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.threads << " threads, blocks of " << c.extra);
        auto expected = [&c](size_t i) { return Bytes(i % 13 + 1 + c.extra, uint8_t(i)); };
        size_t bound = kPackWindowPerThread * c.threads;
        if (c.extra)
            bound = std::min(bound, kPackWaitingBytes / c.extra + 2 * c.threads + 1);
        std::atomic<size_t> started{0};
        size_t retries = 0;
        CPackPool pool(
            300,
            [&](size_t i) {
                ++started;
                if (i % 50 == 7)
                    throw std::runtime_error(std::to_string(i));
                return expected(i);
            },
            c.threads);
        for (size_t i = 0; i < 300; ++i) {
            EXPECT_LE(started.load() - retries, i + bound);
            if (i % 50 == 7) {
                EXPECT_THROW(pool.Next(), std::runtime_error);
                continue;
            }
            const Bytes block = pool.Next();
            ASSERT_TRUE(block == expected(i));
            if (i == 100) {
                EXPECT_TRUE(pool.RetryAlone() == block);
                ++retries;
            }
        }
        EXPECT_THROW(pool.Next(), std::logic_error);
    }
}

// While one worker packs a slow page, the others go on with the pages after it, far past one
// page each, and no two packs run at once on the same worker number (whose packer they share).
TEST(PackPoolTest, OthersGoOnPastASlowPageEachWithItsOwnWorkerNumber) {
    const size_t count = 200;
    const size_t ahead = 60;  // pages the other worker packs while page 0 is being packed
    std::atomic<size_t> started{0};
    std::atomic<bool> slowSawThemAll{false};
    std::atomic<bool> busy[kMaxPackThreads + 1] = {};
    std::atomic<bool> sharedWorker{false};
    CPackPool pool(
        count,
        [&](size_t i, unsigned worker) {
            if (busy[worker].exchange(true))
                sharedWorker = true;
            ++started;
            if (i == 0) {
                const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
                while (started.load() < ahead && std::chrono::steady_clock::now() < until)
                    std::this_thread::sleep_for(std::chrono::milliseconds(1));
                slowSawThemAll = started.load() >= ahead;
            } else {
                std::this_thread::yield();
            }
            busy[worker] = false;
            return Bytes(1, uint8_t(i));
        },
        2);
    for (size_t i = 0; i < count; ++i)
        ASSERT_TRUE(pool.Next() == Bytes(1, uint8_t(i)));
    EXPECT_TRUE(slowSawThemAll);
    EXPECT_FALSE(sharedWorker);
}

}  // namespace
