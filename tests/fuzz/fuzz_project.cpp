// LoadProject on arbitrary bytes: it must report or succeed, never crash, hang or allocate
// without bound, and never keep a page name that leads outside the project folder. A project
// that loads must save and load again.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "FuzzSeeds.h"
#include "../support/ScriptedUi.h"
#include "platform/ContainedName.h"
#include "platform/File.h"
#include "project/ProjectFile.h"

namespace {

void SaveSeed(const std::string& path, const std::function<void(CBookProject&)>& fill) {
    CBookProject p;
    fill(p);
    p.m_bProjectLoaded = 1;
    p.m_strProjectFile = path;
    ScriptedUi ui;
    if (SaveProject(p, ui) != 1)
        std::abort();
}

void AddEntry(CBookProject& p, const char* name, int seq, int search) {
    std::unique_ptr<CPieceElem> e(new CPieceElem);
    e->m_strFile = name;
    e->m_bInSequence = seq;
    e->m_bInSearch = search;
    p.AddPage(std::move(e));
}

void WriteSeeds(const std::string& dir) {
    SaveSeed(dir + "/empty.ebp", [](CBookProject&) {});
    SaveSeed(dir + "/two.ebp", [](CBookProject& p) {
        AddEntry(p, "index.html", 1, 1);
        AddEntry(p, "img\\a.gif", 0, 0);
        p.m_strTitle = "Book";
        p.m_strAuthor = "Ann";
        p.m_strAboutInfo = "About";
        p.m_bSearchButton = 1;
    });
    SaveSeed(dir + "/long.ebp", [](CBookProject& p) {
        for (int i = 0; i < 5; ++i)
            AddEntry(p, ("page" + std::to_string(i) + ".htm").c_str(), i & 1, 1);
        p.m_strAboutInfo = std::string(300, 'a');
        p.m_strTitle = std::string(254, 't');
    });
    // Page names that climb out of the project folder or name another drive: refused on load.
    SaveSeed(dir + "/outside.ebp", [](CBookProject& p) {
        AddEntry(p, "index.html", 1, 1);
        AddEntry(p, "..\\private\\secret.txt", 0, 0);
        AddEntry(p, "C:\\x.txt", 0, 0);
    });
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    SeedEmptyCorpus(*argc, *argv, WriteSeeds);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = FuzzScratch("project");
    WriteBytes(path, data, size);
    CBookProject p;
    p.m_strProjectFile = path;
    ScriptedUi ui;
    const int loaded = LoadProject(p, ui);
    // Success is silent; a failure says so once.
    if (loaded != (ui.messages.empty() ? 1 : 0) || ui.messages.size() > 1)
        __builtin_trap();
    // A failed load leaves no entry behind; every entry that loads names a file inside the
    // project folder.
    if (!loaded && (p.GetPageCount() != 0 || !p.m_strProjectDir.empty()))
        __builtin_trap();
    for (size_t i = 0; i < p.GetPageCount(); ++i) {
        if (p.GetPage(i) == nullptr || !RelativeNameProblem(p.GetPage(i)->m_strFile).empty())
            __builtin_trap();
    }
    if (loaded) {
        const std::string again = FuzzScratch("project", 1);
        p.m_bProjectLoaded = 1;
        p.m_strProjectFile = again;
        if (SaveProject(p, ui) != 1)
            __builtin_trap();
        CBookProject q;
        q.m_strProjectFile = again;
        if (LoadProject(q, ui) != 1 || q.GetPageCount() != p.GetPageCount() ||
            q.m_strTitle != p.m_strTitle || q.m_strProjectDir != p.m_strProjectDir)
            __builtin_trap();
        CFile::Remove(again);
    }
    CFile::Remove(path);
    return 0;
}
