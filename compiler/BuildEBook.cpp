// The e-book build.
//
// Pages are read and packed by a pool of worker threads (PackPool.h) while this thread files the
// packed blocks into the store strictly in page order, so the e-book's bytes do not depend on the
// number of threads, and the first failing page in page order is the one reported, as when one
// thread does everything. The store is written as the blocks come (StoreWriter.h): when the last
// page is packed, little more than the short items after the pages is left to write.
//
// Memory: each packing thread reads a page file whole into a buffer it keeps from page to page
// and packs it with a compressor it keeps too (BlockPacker.h); at most kPackWindowPerThread x
// threads pages are in flight (being packed, or packed and not yet filed), and the packed ones
// stay under kPackWaitingBytes plus one block per thread; a filed block goes to the file at once.
// So the peak is about, per thread, two of the largest files (raw and packed room), plus
// kPackWaitingBytes.
//
// Size limits: the store addresses its items through 32-bit offsets held in signed file positions,
// so the finished e-book must stay below 2 GiB. The build adds up an upper bound of the store's
// size while it files items (every item's bytes plus the largest class tag and record head the
// store can write for it) and refuses the book the moment that bound would reach 2 GiB, instead
// of writing a file whose offsets wrap.
#include "compiler/BuildEBook.h"

#include <algorithm>
#include <new>
#include <string>

#include "compiler/BlockPacker.h"
#include "compiler/IconReplace.h"
#include "compiler/PackPool.h"
#include "format/PackedBlock.h"
#include "format/StoreReader.h"
#include "compiler/StoreWriter.h"
#include "platform/ErrorReport.h"
#include "platform/File.h"
#include "platform/ReplaceFile.h"
#include "project/ViewerOptions.h"

namespace {

const char kSaveFailed[] = "Cannot save E-Book file:";
const char kReadFailed[] = "Cannot read file ";

// Upper bounds of what the store writes around the bytes: per item a class tag (at most the
// 17-byte class description) and its 6-byte head; per type directory a class tag, the type and a
// count of at most 6 bytes; the root's id and count and the 6-byte trailer.
const uint64_t kItemOverhead = 17 + 6;
const uint64_t kStoreOverhead = 2 + 6 + 6 + 2 * (16 + 2 + 6);

// A failure that is not a file error: shown as prefix, line feed, text.
struct BuildRefusal {
    std::string strPrefix;
    std::string strText;
};

// Files items in the store as they come and keeps the running bound on the e-book's size. A
// failure to write names the e-book (through *current), whichever file was being read.
class CItemWriter {
  public:
    CItemWriter(CStoreWriter& store, uint64_t stubSize, uint64_t maxSize, std::string* current,
                const std::string& out)
        : m_store(store),
          m_qwBound(stubSize + kStoreOverhead),
          m_qwMax(maxSize),
          m_current(current),
          m_out(out) {}

    // path names the file the bytes came from, for the message when the book grows too large.
    void Put(unsigned id, const void* data, size_t size, const std::string& path) {
        m_qwBound += size + kItemOverhead;
        if (m_qwBound > m_qwMax)
            throw BuildRefusal{kReadFailed + path,
                               "The e-book would reach 2 GiB with this file; an e-book must "
                               "stay below 2 GiB."};
        try {
            m_store.Put(static_cast<uint16_t>(id), data, static_cast<uint32_t>(size));
        } catch (const CFileException&) {
            *m_current = m_out;
            throw;
        }
    }

  private:
    CStoreWriter& m_store;
    uint64_t m_qwBound;
    uint64_t m_qwMax;
    std::string* m_current;
    const std::string& m_out;
};

// Reads a page or splash file (opened for reading, not shared) and packs it: whole, into the
// packer's input room (kept for the next file), or above options.streamPackLength in chunks.
// Touches nothing shared but the file (and the count of streamed files), so the packing threads
// call it at the same time, each with its own packer.
std::vector<uint8_t> PackFile(const std::string& path, CBlockPacker& packer,
                              const BuildOptions& options) {
    CFile file;
    file.Open(path, CFile::modeRead | CFile::shareExclusive);
    const uint64_t length = file.GetLength();
    if (length > kMaxFileLength)
        throw BuildRefusal{kReadFailed + path, TooLargeFileMessage(path, length)};
    try {
        // A long file streams through the compressor in chunks (the same block, without room
        // for the whole file and for its worst-case packing); a short one is read whole into
        // the packer's kept room, which is quicker for the many small pages of a site.
        if (length > options.streamPackLength) {
            if (options.streamedFiles)
                ++*options.streamedFiles;
            std::vector<uint8_t> block = packer.PackStream(
                static_cast<uint32_t>(length),
                [&file](uint8_t* buffer, uint32_t count) { file.ReadExact(buffer, count); });
            file.Close();
            return block;
        }
        uint8_t* raw = packer.InputBuffer(static_cast<size_t>(length));
        if (length > 0)
            file.ReadExact(raw, static_cast<uint32_t>(length));
        file.Close();
        return packer.Pack(raw, static_cast<size_t>(length));
    } catch (const CPackError& e) {
        throw BuildRefusal{kReadFailed + path,
                           std::string("The file could not be packed: ") + e.what() + "."};
    }
}

// The next page's block from the pool. A page file opened exclusively by two packing threads at
// once (a project that lists one file twice) fails with a sharing violation that one thread alone
// would not meet; such a page is packed again while no other thread runs, so that only a conflict
// a one-thread build meets too (such as the output file itself) is reported.
std::vector<uint8_t> NextPage(CPackPool& pool) {
    try {
        return pool.Next();
    } catch (const CFileException& e) {
        if (e.m_cause != CFileException::sharingViolation)
            throw;
    }
    return pool.RetryAlone();
}

void PutText(CItemWriter& writer, unsigned id, const std::string& text, const std::string& out) {
    // The text and its terminating zero; an empty text is one zero byte.
    writer.Put(id, text.c_str(), text.size() + 1, out);
}

// True when page entry i goes into the e-book: it is in the project and not one of leftOut.
bool IsPacked(const CBookProject& project, const std::vector<size_t>& leftOut, size_t i) {
    return project.m_arrPages[i]->m_bInProject &&
           std::find(leftOut.begin(), leftOut.end(), i) == leftOut.end();
}

// Steps 4 to 11: the store, written to out after its stubSize bytes of stub; the page entries in
// leftOut are not packed. Throws CException, BuildRefusal or std::bad_alloc; *current names the
// file being worked on at the moment of a failure.
void WriteStore(const CBookProject& project, const std::string& out,
                const std::vector<size_t>& leftOut, Ui& ui, uint64_t stubSize,
                const BuildOptions& options, unsigned threads, std::string* current) {
    *current = out;

    // The included pages: page numbers and paths, in page order.
    size_t tableSize = 0;
    std::vector<unsigned> numbers;
    std::vector<std::string> paths;
    for (size_t i = 0; i < project.m_arrPages.size(); ++i) {
        const CPieceElem& page = *project.m_arrPages[i];
        if (!IsPacked(project, leftOut, i))
            continue;
        numbers.push_back(static_cast<unsigned>(i + 1));
        // The backslash is always inserted, even after a folder that already ends in one.
        paths.push_back(project.m_strProjectDir + "\\" + page.m_strFile);
        tableSize += page.m_strFile.size() + 17;
    }
    // One packer per worker, and one for this thread (worker 0), which also packs the splash.
    std::vector<CBlockPacker> packers(kMaxPackThreads + 1);

    // The page type (when there are pages), then the book's own items: the file table (when
    // there are pages), the splash (when there is one), the settings, six texts and the marker.
    const bool pages = !paths.empty();
    const bool splash = !project.m_strSplashFile.empty();
    CFile file;
    file.Open(out, CFile::modeWrite | CFile::shareExclusive);
    CStoreWriter store(file, pages ? 2 : 1);
    CItemWriter writer(store, stubSize, options.maxEBookSize, current, out);
    if (pages) {
        store.BeginType(static_cast<uint16_t>(kPageResourceType),
                        static_cast<uint32_t>(paths.size()));
        // The pool is gone (every worker joined) before anything leaves this block, failures
        // included, so no thread runs while the failure is reported.
        CPackPool pool(
            paths.size(),
            [&paths, &packers, &options](size_t k, unsigned worker) {
                return PackFile(paths[k], packers[worker], options);
            },
            threads);
        uint64_t bytesRead = 0;
        for (size_t k = 0; k < paths.size(); ++k) {
            *current = paths[k];
            const std::vector<uint8_t> block = NextPage(pool);
            writer.Put(numbers[k], block.data(), block.size(), *current);
            bytesRead += PackedBlockLength(block.data(), block.size());
            ui.ShowProgress(k + 1, paths.size(), bytesRead);
        }
    }
    *current = out;
    store.BeginType(static_cast<uint16_t>(kBookResourceType),
                    (pages ? 1 : 0) + (splash ? 1 : 0) + 8);

    if (pages) {
        std::vector<uint8_t> table;
        table.reserve(tableSize);
        for (size_t i = 0; i < project.m_arrPages.size(); ++i) {
            const CPieceElem& page = *project.m_arrPages[i];
            if (!IsPacked(project, leftOut, i))
                continue;
            FileTableRecord record;
            record.strName = page.m_strFile;
            for (char& c : record.strName) {
                if (c == '\\')
                    c = '/';
            }
            record.dwPage = static_cast<uint32_t>(i + 1);
            record.dwInSequence = static_cast<uint32_t>(page.m_bInSequence);
            record.dwInSearch = static_cast<uint32_t>(page.m_bInSearch);
            AppendFileTableRecord(table, record);
        }
        writer.Put(kFileTableId, table.data(), table.size(), out);
    }

    if (splash) {
        // Checked in its place among the items, after the pages: a build that fails reports the
        // first thing it cannot read in the order it reads them.
        *current = project.m_strSplashFile;
        const std::string problem = SplashFileProblem(*current);
        if (!problem.empty())
            throw BuildRefusal{kReadFailed + *current, problem};
        const std::vector<uint8_t> block = PackFile(*current, packers[0], options);
        writer.Put(kSplashId, block.data(), block.size(), *current);
        *current = out;
    }
    packers.clear();

    const std::vector<uint8_t> settings = MakeSettingsRecord(project);
    writer.Put(kSettingsId, settings.data(), settings.size(), out);
    PutText(writer, kTitleId, project.m_strTitle, out);
    PutText(writer, kAuthorId, project.m_strAuthor, out);
    PutText(writer, kCopyrightId, project.m_strCopyright, out);
    PutText(writer, kUrlId, project.m_strUrl, out);
    PutText(writer, kEMailId, project.m_strEMail, out);
    PutText(writer, kAboutInfoId, project.m_strAboutInfo, out);
    writer.Put(kBookMarkerId, kBookMarker, sizeof kBookMarker, out);

    store.Finish();
    file.Close();
}

// Shows the messages of the build's later steps with the temporary file's name replaced by the
// e-book's: the person knows only the name they chose.
class CRenamingUi : public Ui {
  public:
    CRenamingUi(Ui& inner, const std::string& from, const std::string& to)
        : m_inner(inner), m_from(from), m_to(to) {}

    MsgAnswer ShowMessage(const std::string& text, MsgIcon icon, MsgButtons buttons) override {
        std::string shown = text;
        for (size_t pos = m_from.empty() ? std::string::npos : shown.find(m_from);
             pos != std::string::npos; pos = shown.find(m_from, pos + m_to.size()))
            shown.replace(pos, m_from.size(), m_to);
        return m_inner.ShowMessage(shown, icon, buttons);
    }
    void BeginWaitCursor() override { m_inner.BeginWaitCursor(); }
    void EndWaitCursor() override { m_inner.EndWaitCursor(); }
    FolderBrowse BrowseForFolder(const std::string& initial, std::string* chosen) override {
        return m_inner.BrowseForFolder(initial, chosen);
    }
    bool FileDialog(const FileDialogSpec& spec, std::string* chosen) override {
        return m_inner.FileDialog(spec, chosen);
    }
    void ShowProgress(size_t done, size_t total, uint64_t bytes) override {
        m_inner.ShowProgress(done, total, bytes);
    }

  private:
    Ui& m_inner;
    std::string m_from;
    std::string m_to;
};

// True when the file at path is an e-book this program made (its store carries the marker).
bool IsEBook(const std::string& path) {
    try {
        CStoreReader store;
        store.Open(path);
        return store.HasStore() && store.Find(kBookResourceType, kBookMarkerId) != nullptr;
    } catch (const CException&) {
        return false;
    }
}

// The text refusing an output that is one of the files the build reads, "" when it is none.
// Compared by file identity, so that another spelling, a link or a hard link of the same file is
// caught too. A page that is the e-book being rebuilt (an e-book saved inside its own folder) is
// no input: its index goes to *ownPages and the build leaves it out.
std::string CheckOutputIsNoInput(const CBookProject& project, const std::string& out,
                                 std::vector<size_t>* ownPages) {
    FileIdentity outId;
    if (!CFile::GetIdentity(out, &outId))
        return std::string();  // nothing there yet: it cannot be any input
    const std::pair<const std::string*, const char*> inputs[] = {
        {&project.m_strProjectFile, "the project file"},
        {&project.m_strSplashFile, "the splash picture"},
        {&project.m_strIconFile, "the icon file"},
    };
    for (const auto& input : inputs) {
        FileIdentity id;
        if (!input.first->empty() && CFile::GetIdentity(*input.first, &id) && id == outId)
            return out + " is " + input.second + " of the book (" + *input.first +
                   "); the e-book would overwrite it. Choose another name for the e-book.";
    }
    int ownEBook = -1;  // not yet known
    for (size_t i = 0; i < project.m_arrPages.size(); ++i) {
        const CPieceElem& page = *project.m_arrPages[i];
        FileIdentity id;
        if (!page.m_bInProject)
            continue;
        const std::string path = project.m_strProjectDir + "\\" + page.m_strFile;
        if (!CFile::GetIdentity(path, &id) || id != outId)
            continue;
        if (ownEBook < 0)
            ownEBook = IsEBook(out) ? 1 : 0;
        if (!ownEBook)
            return out + " is the file " + path +
                   " of the book; the e-book would overwrite it. Choose another name for the "
                   "e-book.";
        ownPages->push_back(i);
    }
    return std::string();
}

// Fails as opening the output for writing would fail today when the file that is there cannot be
// replaced: marked read-only, a folder or a device, or held open by another program.
void ProbeOutput(const std::string& target) {
    if (!CFile::Exists(target))
        return;
    if (CFile::IsReadOnly(target))
        throw CFileException(CFileException::accessDenied, target);
    CFile probe;
    probe.Open(target, CFile::modeWrite | CFile::shareExclusive);
    probe.Close();
}

}  // namespace

std::vector<uint8_t> MakeSettingsRecord(const CBookProject& p) {
    // Cleared first, so the reserved integers 4 to 7 and 18 are 0.
    int32_t values[kSettingCount] = {};
    for (const ViewerOption& option : kViewerOptions)
        values[option.nRecordIndex] = p.*option.pField;
    std::vector<uint8_t> record;
    record.reserve(kSettingsRecordSize);
    for (int32_t v : values)
        PutLe32(record, static_cast<uint32_t>(v));
    return record;
}

std::string SplashFileProblem(const std::string& path) {
    CFile file;
    file.Open(path, CFile::modeRead | CFile::shareDenyWrite);
    uint8_t head[26];
    const uint32_t got = file.Read(head, sizeof head);
    return SplashSizeProblem(path, file.GetLength(), head, got);
}

std::string TooManyPagesMessage(size_t count) {
    return "The project holds " + std::to_string(count) +
           " page entries, but an e-book can hold at most " + std::to_string(kMaxPageEntries) +
           ". Remove some files from the project folder and scan it again.";
}

int BuildEBook(const CBookProject& project, const std::string& out, Ui& ui, const CStubSource& stub,
               const BuildOptions& options) {
    CWaitCursor wait(ui);

    // Page numbers are 16-bit ids: a longer list would wrap and overwrite earlier pages.
    if (project.m_arrPages.size() > kMaxPageEntries) {
        ui.ShowMessage(TooManyPagesMessage(project.m_arrPages.size()), MsgIcon::stop,
                       MsgButtons::ok);
        return 0;
    }

    const uint8_t* stubData = nullptr;
    size_t stubSize = 0;
    if (!stub.GetStub(&stubData, &stubSize)) {
        ui.ShowMessage(std::string(kSaveFailed) +
                           "\nThis program does not carry the viewer that every e-book starts "
                           "with; it was built incompletely.",
                       MsgIcon::stop, MsgButtons::ok);
        return 0;
    }

    std::vector<size_t> ownPages;
    const std::string refusal = CheckOutputIsNoInput(project, out, &ownPages);
    if (!refusal.empty()) {
        ui.ShowMessage(std::string(kSaveFailed) + "\n" + refusal, MsgIcon::stop, MsgButtons::ok);
        return 0;
    }

    // The e-book is written to a fresh file beside the output and moved into place only when
    // it is complete: a failed build leaves whatever was at the output's path as it was.
    CReplaceFile replace(out);
    try {
        ProbeOutput(replace.GetTarget());
        CFile file;
        replace.Create(file, CFile::shareExclusive);
        file.Write(stubData, static_cast<uint32_t>(stubSize));
        file.Close();
    } catch (CFileException& e) {
        // The only file of this step is the e-book, whatever name it has for the moment.
        e.m_strFileName = out;
        ReportError(ui, kSaveFailed, e);
        return 0;
    }

    CRenamingUi renaming(ui, replace.GetTempPath(), out);
    bool iconDone = false;
    {
        std::string current;
        bool failed = true;
        try {
            WriteStore(project, replace.GetTempPath(), ownPages, renaming, stubSize, options,
                       options.packThreads == 0 ? DefaultPackThreads() : options.packThreads,
                       &current);
            failed = false;
        } catch (const CException& e) {
            ReportError(renaming, kReadFailed + current, e);
        } catch (const BuildRefusal& r) {
            renaming.ShowMessage(r.strPrefix + "\n" + r.strText, MsgIcon::stop, MsgButtons::ok);
        } catch (const std::bad_alloc&) {
            renaming.ShowMessage(
                kReadFailed + current + "\nThere is not enough memory to build the e-book.",
                MsgIcon::stop, MsgButtons::ok);
        }
        if (failed)
            return 0;  // the temporary file goes with replace
        // An icon that cannot be put in still leaves a working e-book, so it is moved into place.
        iconDone = ReplaceIcon(replace.GetTempPath(), project.m_strIconFile, renaming);
    }

    try {
        replace.Commit();
    } catch (CFileException& e) {
        e.m_strFileName = out;
        ReportError(ui, kSaveFailed, e);
        return 0;
    }
    return iconDone ? 1 : 0;
}
