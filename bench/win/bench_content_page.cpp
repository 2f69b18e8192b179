// The publisher's Content page on large folders, under Wine.
//
// Makes folders of 1,000 and 10,000 empty pages (100 files to a sub-folder) in the temporary
// folder, opens the wizard in-process as the publisher does and times, for each:
//  - New Project on the folder, up to the list painted (the scan and the fill of the list view);
//  - Move Down of 100 selected rows spread over the list, up to the list painted.
// Prints the seconds and each figure's share of its target (New Project on 10,000 files within
// 2 s, 100 rows moved within 0.3 s), and the ratio of the two New Project times (10 for a fill
// linear in the number of rows). Checks that the list shows what the project holds afterwards.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <string>
#include <vector>

#include "WinBench.h"
#include "SheetTestUtil.h"
#include "publisher/ContentPage.h"
#include "publisher/resource.h"

namespace {

// A folder of files empty pages, in folders of 100.
std::string MakeTree(const std::string& root, int files) {
    ::CreateDirectoryA(root.c_str(), nullptr);
    for (int i = 0; i < files; ++i) {
        char folder[16], name[32];
        std::snprintf(folder, sizeof folder, "part%03d", i / 100);
        std::snprintf(name, sizeof name, "page%03d.html", i % 100);
        const std::string dir = root + "\\" + folder;
        if (i % 100 == 0)
            ::CreateDirectoryA(dir.c_str(), nullptr);
        HANDLE h = ::CreateFileA((dir + "\\" + name).c_str(), GENERIC_WRITE, 0, nullptr,
                                 CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h != INVALID_HANDLE_VALUE)
            ::CloseHandle(h);
    }
    return root;
}

void RemoveTree(const std::string& root, int files) {
    for (int i = 0; i < files; ++i) {
        char rel[48];
        std::snprintf(rel, sizeof rel, "\\part%03d\\page%03d.html", i / 100, i % 100);
        ::DeleteFileA((root + rel).c_str());
        if (i % 100 == 99) {
            std::snprintf(rel, sizeof rel, "\\part%03d", i / 100);
            ::RemoveDirectoryA((root + rel).c_str());
        }
    }
    ::RemoveDirectoryA(root.c_str());
}

struct Figures {
    double fill = 0;
    double move = 0;
    bool ok = false;
};

Figures Measure(const std::string& folder) {
    Figures fig;
    SheetFixture f;
    f.Open();
    HWND list = f.PageItem(IDC_PAGE_LIST);
    CContentPage& page = f.sheet->ContentPage();

    f.ui.dialogResults.push_back(folder);
    double start = Now();
    page.OnNewProject();
    ::UpdateWindow(list);
    fig.fill = Now() - start;

    const int rows = static_cast<int>(f.project.m_arrPages.size());
    std::vector<bool> selected(static_cast<size_t>(rows));
    for (int k = 0; k < 100; ++k)
        selected[static_cast<size_t>((k * (rows - 1)) / 100)] = true;
    page.SetSelectedRows(selected);
    f.Settle();
    start = Now();
    page.OnMoveDown();
    ::UpdateWindow(list);
    fig.move = Now() - start;

    fig.ok = ListRows(list) == ProjectRows(f.project) &&
             RowsWithState(list, LVIS_SELECTED).size() == 100;
    return fig;
}

}  // namespace

int main() {
    ::InitCommonControls();
    char temp[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, temp);
    const std::string base =
        std::string(temp) + "pv-bench-content-" + std::to_string(::GetCurrentProcessId());
    const int sizes[] = {1000, 10000};
    Figures figs[2];
    bool ok = true;
    for (int i = 0; i < 2; ++i) {
        const std::string root = MakeTree(base + "-" + std::to_string(sizes[i]), sizes[i]);
        figs[i] = Measure(root);
        RemoveTree(root, sizes[i]);
        std::printf("%6d files: New Project %.3f s, Move Down of 100 rows %.3f s%s\n", sizes[i],
                    figs[i].fill, figs[i].move, figs[i].ok ? "" : "  (list and project differ)");
        ok = ok && figs[i].ok;
    }
    std::printf("New Project on 10000 files: %.2f of the 2 s target\n", figs[1].fill / 2.0);
    std::printf("Move Down of 100 rows among 10000: %.2f of the 0.3 s target\n",
                figs[1].move / 0.3);
    std::printf("New Project 10000 / 1000 files: %.1f\n",
                figs[0].fill > 0 ? figs[1].fill / figs[0].fill : 0.0);
    return ok ? 0 : 1;
}
