#include "SheetTestUtil.h"

#include <cstdlib>

#include "MessagePump.h"

namespace {
ModalDriver* g_pDriver = nullptr;

BOOL CALLBACK FindCaption(HWND hwnd, LPARAM lParam) {
    auto* found = reinterpret_cast<std::pair<const std::string*, HWND>*>(lParam);
    char text[256] = {};
    ::GetWindowTextA(hwnd, text, sizeof text);
    if (::IsWindowVisible(hwnd) && *found->first == text) {
        found->second = hwnd;
        return FALSE;
    }
    return TRUE;
}
}  // namespace

bool PumpSheetUntil(CPropertySheet* sheet, const std::function<bool()>& done, DWORD ms) {
    return PumpUntil(done, ms, [sheet](MSG* msg) {
        return sheet && sheet->m_hWnd && sheet->IsSheetMessage(msg);
    });
}

bool PumpSheetIdle(CPropertySheet* sheet) {
    return PumpIdle(
        5000, [sheet](MSG* msg) { return sheet && sheet->m_hWnd && sheet->IsSheetMessage(msg); });
}

ModalDriver::ModalDriver(std::string title, std::function<void(HWND)> action)
    : m_title(std::move(title)), m_action(std::move(action)) {
    g_pDriver = this;
    m_timer = ::SetTimer(nullptr, 0, 50, &ModalDriver::OnTimer);
}

ModalDriver::~ModalDriver() {
    ::KillTimer(nullptr, m_timer);
    g_pDriver = nullptr;
}

void CALLBACK ModalDriver::OnTimer(HWND, UINT, UINT_PTR, DWORD) {
    ModalDriver* self = g_pDriver;
    if (!self)
        return;
    if (!self->ran) {
        std::pair<const std::string*, HWND> found(&self->m_title, nullptr);
        ::EnumThreadWindows(::GetCurrentThreadId(), FindCaption, reinterpret_cast<LPARAM>(&found));
        if (!found.second)
            return;
        self->m_hFound = found.second;
        self->ran = true;
        self->m_action(found.second);
        return;
    }
    if (::IsWindow(self->m_hFound) && ++self->m_ticksAfter > 40) {
        self->stuckClosed = true;
        ::PostMessageA(self->m_hFound, WM_COMMAND, IDCANCEL, 0);
    }
}

int CentreDistance(HWND a, HWND b) {
    RECT ra = {}, rb = {};
    ::GetWindowRect(a, &ra);
    ::GetWindowRect(b, &rb);
    const int dx = std::abs((ra.left + ra.right) - (rb.left + rb.right)) / 2;
    const int dy = std::abs((ra.top + ra.bottom) - (rb.top + rb.bottom)) / 2;
    return dx > dy ? dx : dy;
}

std::vector<std::string> ListRows(HWND hList) {
    std::vector<std::string> rows;
    const int n = static_cast<int>(::SendMessageA(hList, LVM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < n; ++i) {
        char file[MAX_PATH] = {}, included[8] = {};
        ListView_GetItemText(hList, i, 0, file, sizeof file);
        ListView_GetItemText(hList, i, 1, included, sizeof included);
        rows.push_back(std::string(file) + "|" + included);
    }
    return rows;
}

std::vector<int> RowsWithState(HWND hList, UINT mask) {
    std::vector<int> rows;
    const int n = static_cast<int>(::SendMessageA(hList, LVM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < n; ++i) {
        if ((ListView_GetItemState(hList, i, mask) & mask) == mask)
            rows.push_back(i);
    }
    return rows;
}

std::vector<std::string> ProjectRows(const CBookProject& project) {
    std::vector<std::string> rows;
    for (const auto& elem : project.m_arrPages)
        rows.push_back(elem->m_strFile + "|" + (elem->m_bInProject ? "*" : " "));
    return rows;
}

std::string SampleBookFolder() {
    const char* root = std::getenv("PV_SOURCE_DIR");
    std::string path = std::string(root ? root : ".") + "\\examples\\lighthouses";
    for (char& c : path) {
        if (c == '/')
            c = '\\';
    }
    return path;
}

SheetFixture::SheetFixture() : stubBytes{'M', 'Z', 'v', 'i', 'e', 'w', 'e', 'r'} {
    stub = std::make_unique<CMemoryStubSource>(stubBytes.data(), stubBytes.size());
    sheet = std::make_unique<CWizardSheet>(project, ui, *stub);
}

SheetFixture::~SheetFixture() {
    sheet.reset();
    PumpIdle();
}

void SheetFixture::Open() {
    ::InitCommonControls();
    sheet->Create();
    ::ShowWindow(sheet->m_hWnd, SW_SHOW);
    PumpSheetUntil(
        sheet.get(), [this] { return sheet->GetCurrentPageHwnd() != nullptr; }, 2000);
    Settle();  // the posted wizard-button changes
}
