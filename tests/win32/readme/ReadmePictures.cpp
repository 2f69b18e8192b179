// Takes the README's pictures of the publisher: the sample book on the Content page, and the
// Create page filled in as an author would, with an e-book path a user would have. The wizard is
// driven in-process as its tests drive it; each picture is the wizard's window, saved as
// publisher-readme-content.bmp and publisher-readme-create.bmp in the current folder.
// Not a test: scripts/readme-pictures.sh runs it under Wine and turns the pictures into
// docs/content.png and docs/create.png. Exits 1, saying why, when the wizard did not show what
// the pictures are of.
#include <cstdio>
#include <string>

#include "SheetTestUtil.h"
#include "publisher/resource.h"

namespace {

int Fail(const char* why) {
    std::fprintf(stderr, "readme_pictures: %s\n", why);
    return 1;
}

}  // namespace

int main() {
    SheetFixture f;
    f.Open();
    f.ui.dialogResults.push_back(SampleBookFolder());
    f.Click(IDC_NEW_PROJECT);
    HWND list = f.PageItem(IDC_PAGE_LIST);
    if (ListView_GetItemCount(list) < 2)
        return Fail("New Project did not list the sample book (is PV_SOURCE_DIR set?)");
    ListView_SetItemState(list, 1, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    ::SetFocus(list);
    f.Settle();
    PaintNow(f.sheet->m_hWnd);
    SaveScreenshot("readme-content", f.sheet->m_hWnd);

    if (!f.sheet->SetActivePage(2))
        return Fail("the Create page did not open");
    f.Settle();
    HWND hPage = f.sheet->GetCurrentPageHwnd();
    const struct {
        int id;
        const char* text;
    } texts[] = {{IDC_TITLE, "Lighthouses"},
                 {IDC_AUTHOR, "A. Keeper"},
                 {IDC_COPYRIGHT, "Copyright (C) 1850 the Keepers"},
                 {IDC_URL, "http://lights.example/"},
                 {IDC_EMAIL, "keeper@lights.example"},
                 {IDC_ABOUT_INFO, "Beacons of the coast.\r\nSecond line."},
                 {IDC_EBOOK_FILE, "C:\\Users\\Author\\Documents\\Lighthouses.exe"}};
    for (const auto& t : texts)
        ::SetDlgItemTextA(hPage, t.id, t.text);
    f.Settle();
    PaintNow(f.sheet->m_hWnd);
    SaveScreenshot("readme-create", f.sheet->m_hWnd);
    std::printf("readme_pictures: publisher-readme-content.bmp, publisher-readme-create.bmp\n");
    return 0;
}
