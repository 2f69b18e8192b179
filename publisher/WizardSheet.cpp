#include "publisher/WizardSheet.h"

#include <commctrl.h>

#include "publisher/resource.h"
#include "publisher/AboutDlg.h"
#include "publisher/ContentPage.h"
#include "publisher/CreatePage.h"
#include "publisher/InterfacePage.h"

namespace {

// The wizard's own button ids.
const int kIdHelp = 9;
const int kIdBack = 0x3023;
const int kIdNext = 0x3024;

// Moves control id into rcTarget (client coordinates of the sheet) and returns where it stood
// before, also in client coordinates.
RECT MoveInto(HWND hSheet, int id, const RECT& rcTarget) {
    HWND hCtl = ::GetDlgItem(hSheet, id);
    RECT rc = {};
    ::GetWindowRect(hCtl, &rc);
    ::MoveWindow(hCtl, rcTarget.left, rcTarget.top, rcTarget.right - rcTarget.left,
                 rcTarget.bottom - rcTarget.top, TRUE);
    ::MapWindowPoints(nullptr, hSheet, reinterpret_cast<POINT*>(&rc), 2);
    return rc;
}

}  // namespace

CWizardSheet::CWizardSheet(CBookProject& project, Ui& ui, const CStubSource& stub)
    : CPropertySheet(std::string()) {
    m_hIcon = ::LoadIconA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_MAINFRAME));
    m_pages.push_back(std::make_unique<CContentPage>(project, ui));
    m_pages.push_back(std::make_unique<CInterfacePage>(project, ui));
    m_pages.push_back(std::make_unique<CCreatePage>(project, ui, stub));
    for (const auto& page : m_pages)
        AddPage(page.get());
    SetWizardMode();
    // With a Help button the wizard lays out one row (Back, Next, Cancel, Help) on every
    // system; without it some put the hidden Help button elsewhere. The row is what the button
    // move below relies on: Help's slot becomes Cancel's.
    m_psh.dwFlags |= PSH_HASHELP;
}

CWizardSheet::~CWizardSheet() {
    // The pages go with this object: a window still open must not outlive them.
    if (m_hWnd && ::IsWindow(m_hWnd))
        ::DestroyWindow(m_hWnd);
}

CContentPage& CWizardSheet::ContentPage() const {
    return static_cast<CContentPage&>(*m_pages[0]);
}

BOOL CWizardSheet::OnInitDialog() {
    if (m_onCreated)
        m_onCreated(m_hWnd);
    ArrangeButtons();
    AddAboutToSystemMenu();
    ::SendMessageA(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    ::SendMessageA(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));
    return TRUE;
}

void CWizardSheet::ArrangeButtons() {
    // Help goes; Cancel, Next and Back each move one slot to the right.
    HWND hHelp = ::GetDlgItem(m_hWnd, kIdHelp);
    ::ShowWindow(hHelp, SW_HIDE);
    RECT rcHelp = {};
    ::GetWindowRect(hHelp, &rcHelp);
    ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&rcHelp), 2);
    const RECT rcCancel = MoveInto(m_hWnd, IDCANCEL, rcHelp);
    const RECT rcNext = MoveInto(m_hWnd, kIdNext, rcCancel);
    MoveInto(m_hWnd, kIdBack, rcNext);
}

void CWizardSheet::AddAboutToSystemMenu() {
    char caption[256] = {};
    ::LoadStringA(::GetModuleHandleA(nullptr), IDS_ABOUTBOX, caption, sizeof caption);
    if (caption[0] == '\0')
        return;
    HMENU hMenu = ::GetSystemMenu(m_hWnd, FALSE);
    if (!hMenu)
        return;
    ::AppendMenuA(hMenu, MF_SEPARATOR, 0, nullptr);
    ::AppendMenuA(hMenu, MF_STRING, IDM_ABOUTBOX, caption);
}

void CWizardSheet::PaintMinimised() {
    PAINTSTRUCT ps;
    HDC hdc = ::BeginPaint(m_hWnd, &ps);
    ::SendMessageA(m_hWnd, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(hdc), 0);
    RECT rc;
    ::GetClientRect(m_hWnd, &rc);
    const int x = (rc.right - rc.left - ::GetSystemMetrics(SM_CXICON) + 1) / 2;
    const int y = (rc.bottom - rc.top - ::GetSystemMetrics(SM_CYICON) + 1) / 2;
    ::DrawIcon(hdc, x, y, m_hIcon);
    ::EndPaint(m_hWnd, &ps);
}

LRESULT CWizardSheet::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_SYSCOMMAND:
            if ((wParam & 0xFFF0) == IDM_ABOUTBOX) {
                CAboutDlg about;
                about.DoModal(m_hWnd);
                return 0;
            }
            break;
        case WM_PAINT:
            if (::IsIconic(m_hWnd)) {
                PaintMinimised();
                return 0;
            }
            break;
        case WM_QUERYDRAGICON:
            return reinterpret_cast<LRESULT>(m_hIcon);
        default:
            break;
    }
    return CPropertySheet::HandleMessage(message, wParam, lParam);
}

bool CWizardSheet::PreTranslateMessage(MSG* pMsg) {
    // Escape never reaches the wizard's dialog handling, where it would mean Cancel: the wizard
    // closes only through its Cancel button or the system Close command.
    if (pMsg->message == WM_KEYDOWN && pMsg->wParam == VK_ESCAPE)
        return true;
    return CPropertySheet::PreTranslateMessage(pMsg);
}
