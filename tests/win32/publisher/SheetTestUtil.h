// Helpers for the publisher's Windows tests: a wizard sheet created modeless with a scripted Ui,
// message pumping through the sheet's own filter, a driver for modal dialogs opened on the test
// thread, list-view reading, and screenshots written to the build folder.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "MessagePump.h"
#include "Screenshot.h"
#include "ScriptedUi.h"
#include "compiler/StubSource.h"
#include "project/BookProject.h"
#include "publisher/WizardSheet.h"

// Dispatches messages, through the sheet's filter while it exists, until done() is true or ms
// milliseconds have passed; returns done().
bool PumpSheetUntil(CPropertySheet* sheet, const std::function<bool()>& done, DWORD ms);
// Dispatches messages, through the sheet's filter, until the thread's queue is empty (PumpIdle).
bool PumpSheetIdle(CPropertySheet* sheet);

// Runs action once on the first visible top-level window of this thread captioned title, from a
// timer that a modal loop on this thread dispatches. If the window is still there about two
// seconds after the action, it is closed with IDCANCEL and stuckClosed is set, so a test that
// fails cannot hang.
class ModalDriver {
  public:
    ModalDriver(std::string title, std::function<void(HWND)> action);
    ~ModalDriver();
    bool ran = false;
    bool stuckClosed = false;

  private:
    static void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD);
    std::string m_title;
    std::function<void(HWND)> m_action;
    HWND m_hFound = nullptr;
    int m_ticksAfter = 0;
    UINT_PTR m_timer = 0;
};

// The distance between the centres of two windows' rectangles, in pixels along each axis (the
// larger of the two).
int CentreDistance(HWND a, HWND b);

// Texts of the list view's rows: "file|included" per row.
std::vector<std::string> ListRows(HWND hList);
// Rows whose state has all of mask set.
std::vector<int> RowsWithState(HWND hList, UINT mask);
// The project's entries as ListRows would show them.
std::vector<std::string> ProjectRows(const CBookProject& project);

// The sample book's folder, from PV_SOURCE_DIR (set by ctest).
std::string SampleBookFolder();

// A wizard over a project, with a scripted Ui and a small fake viewer, created modeless.
class SheetFixture {
  public:
    SheetFixture();
    ~SheetFixture();
    // Creates the sheet window and pumps until the first page is shown.
    void Open();
    HWND PageItem(int id) const { return ::GetDlgItem(sheet->GetCurrentPageHwnd(), id); }
    // BM_CLICK on a control of the current page (sent: the handler has run on return).
    void Click(int id) { ::SendMessageA(PageItem(id), BM_CLICK, 0, 0); }
    // Works off what the sheet and its pages posted (page changes, wizard buttons, keys).
    void Settle() { PumpSheetIdle(sheet.get()); }

    CBookProject project;
    ScriptedUi ui;
    std::vector<uint8_t> stubBytes;
    std::unique_ptr<CMemoryStubSource> stub;
    std::unique_ptr<CWizardSheet> sheet;
};
