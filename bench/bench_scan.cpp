// Folder scan cost per file for a small and a large book.
//
// Builds two trees of 500 folders in a temporary folder, 5,000 and 50,000 files, and times
// RescanProject on each: first the scan that builds the page list (New Project), then the
// re-scan that merges into it (Re-Scan Dir). A scan that is linear in the number of files costs
// the same per file on both trees; the ratio large/small of the per-file costs is printed
// (target: at most 1.3). Each figure is the best of several runs, to leave out the noise of a
// shared machine.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/Ui.h"
#include "project/BookProject.h"
#include "project/Scan.h"

namespace fs = std::filesystem;

namespace {

class NullUi : public Ui {
  public:
    MsgAnswer ShowMessage(const std::string&, MsgIcon, MsgButtons) override {
        return MsgAnswer::ok;
    }
    void BeginWaitCursor() override {}
    void EndWaitCursor() override {}
    FolderBrowse BrowseForFolder(const std::string&, std::string*) override {
        return FolderBrowse::cancelled;
    }
    bool FileDialog(const FileDialogSpec&, std::string*) override { return false; }
};

const int kFolders = 500;

void MakeTree(const fs::path& root, int files) {
    fs::create_directories(root);
    const int perFolder = files / kFolders;
    for (int d = 0; d < kFolders; ++d) {
        char folder[32];
        std::snprintf(folder, sizeof folder, "Chapter%03d", d);
        const fs::path dir = root / folder;
        fs::create_directory(dir);
        for (int f = 0; f < perFolder; ++f) {
            char name[32];
            // Four pages out of five, and pictures, in mixed case as authors name them.
            std::snprintf(name, sizeof name, f % 5 == 4 ? "Figure%05d.GIF" : "page%05d.htm", f);
            std::ofstream(dir / name);
        }
    }
}

struct Timing {
    double buildNsPerFile;
    double rescanNsPerFile;
};

double Seconds(std::chrono::steady_clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

Timing TimeScans(const std::string& folder, int files, int runs) {
    NullUi ui;
    double bestBuild = 1e30, bestRescan = 1e30;
    for (int r = 0; r < runs; ++r) {
        CBookProject project;
        auto t0 = std::chrono::steady_clock::now();
        RescanProject(project, ui, folder, nullptr);
        auto t1 = std::chrono::steady_clock::now();
        RescanProject(project, ui, folder, nullptr);
        auto t2 = std::chrono::steady_clock::now();
        if (project.GetPageCount() != static_cast<size_t>(files)) {
            std::fprintf(stderr, "scan found %zu files, expected %d\n", project.GetPageCount(),
                         files);
            std::exit(1);
        }
        bestBuild = std::min(bestBuild, Seconds(t1 - t0));
        bestRescan = std::min(bestRescan, Seconds(t2 - t1));
    }
    return {bestBuild * 1e9 / files, bestRescan * 1e9 / files};
}

}  // namespace

int main() {
    std::string tmpl = (fs::temp_directory_path() / "pv-bench-scan-XXXXXX").string();
    if (!mkdtemp(tmpl.data())) {
        std::perror("mkdtemp");
        return 1;
    }
    const fs::path root = tmpl;
    const int small = 5000, large = 50000;
    MakeTree(root / "small", small);
    MakeTree(root / "large", large);

    // Warm the file system caches once for both trees, then measure.
    TimeScans((root / "small").string(), small, 1);
    TimeScans((root / "large").string(), large, 1);
    const Timing s = TimeScans((root / "small").string(), small, 7);
    const Timing l = TimeScans((root / "large").string(), large, 5);
    fs::remove_all(root);

    std::printf("scan of %d files in %d folders: %.0f ns/file (new), %.0f ns/file (re-scan)\n",
                small, kFolders, s.buildNsPerFile, s.rescanNsPerFile);
    std::printf("scan of %d files in %d folders: %.0f ns/file (new), %.0f ns/file (re-scan)\n",
                large, kFolders, l.buildNsPerFile, l.rescanNsPerFile);
    const double newRatio = l.buildNsPerFile / s.buildNsPerFile;
    const double rescanRatio = l.rescanNsPerFile / s.rescanNsPerFile;
    std::printf("per-file cost ratio 50,000 / 5,000: %.2f (new), %.2f (re-scan); target <= 1.30\n",
                newRatio, rescanRatio);
    return 0;
}
