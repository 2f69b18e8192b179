// The sheet runs the system's PropertySheetA. Three things are bolted on around it:
//  - the sheet's window is subclassed (SetWindowSubclass) when the system reports it
//    initialised (PSCB_INITIALIZED), so that HandleMessage sees its messages;
//  - OnInitDialog runs on a message posted at that moment, so it comes after the system's own
//    WM_INITDIALOG work (the first page created and activated) and before anything is painted;
//  - a WH_MSGFILTER hook on the thread sees every message the sheet's dialog processing is about
//    to handle (IsDialogMessage calls the filter with MSGF_DIALOGBOX, in the system's modal loop
//    as in ours). Only messages for the sheet and its children reach PreTranslateMessage, so a
//    dialog opened over the sheet keeps its own keys.
#include "platform/win/PropertySheet.h"

#include "platform/win/Guard.h"

#include <algorithm>

namespace {

// The sheet whose PropertySheetA call is running on this thread: the system's callback has no
// place for a pointer of ours.
thread_local CPropertySheet* t_creating = nullptr;
// The sheets living on this thread, for the message filter, and the one filter hook they share
// (installed while there is at least one, so that nested sheets do not filter twice).
thread_local std::vector<CPropertySheet*> t_sheets;
thread_local HHOOK t_hook = nullptr;

UINT InitMessage() {
    static const UINT msg = RegisterWindowMessageA("Pagevane.PropertySheet.Init");
    return msg;
}

constexpr UINT_PTR kSubclassId = 1;

}  // namespace

CPropertyPage::CPropertyPage(UINT templateId) : CDialog(templateId), m_psp() {
    m_psp.dwSize = sizeof(m_psp);
}

LRESULT CPropertyPage::OnSetActive() {
    UpdateData(false);
    return 0;
}

bool CPropertyPage::OnKillActive() {
    return UpdateData(true);
}

LRESULT CPropertyPage::OnWizardBack() {
    return 0;
}

LRESULT CPropertyPage::OnWizardNext() {
    return 0;
}

bool CPropertyPage::OnWizardFinish() {
    return UpdateData(true);
}

bool CPropertyPage::OnApply() {
    return true;
}

void CPropertyPage::OnReset() {}

bool CPropertyPage::OnQueryCancel() {
    return true;
}

void CPropertyPage::SetWizardButtons(DWORD flags) {
    if (m_pSheet)
        m_pSheet->SetWizardButtons(flags);
}

LRESULT CPropertyPage::OnNotify(NMHDR* hdr) {
    // The result goes to DWLP_MSGRESULT: for KILLACTIVE, WIZFINISH and QUERYCANCEL a non-zero
    // value keeps the page (or the sheet) where it is.
    switch (hdr->code) {
        case PSN_SETACTIVE:
            m_bShown = true;
            return OnSetActive();
        case PSN_KILLACTIVE:
            return OnKillActive() ? FALSE : TRUE;
        case PSN_WIZBACK:
            return OnWizardBack();
        case PSN_WIZNEXT:
            return OnWizardNext();
        case PSN_WIZFINISH:
            return OnWizardFinish() ? FALSE : TRUE;
        case PSN_APPLY:
            return OnApply() ? PSNRET_NOERROR : PSNRET_INVALID_NOCHANGEPAGE;
        case PSN_RESET:
            OnReset();
            return 0;
        case PSN_QUERYCANCEL:
            return OnQueryCancel() ? FALSE : TRUE;
        default:
            return OnPageNotify(hdr);
    }
}

INT_PTR CALLBACK CPropertyPage::PageProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_INITDIALOG) {
        // lParam is the system's copy of the page's description; its lParam is the page.
        const PROPSHEETPAGEA* psp = reinterpret_cast<const PROPSHEETPAGEA*>(lParam);
        CPropertyPage* self = psp ? reinterpret_cast<CPropertyPage*>(psp->lParam) : nullptr;
        if (!self)
            return TRUE;
        self->Attach(hwnd);
        return CallGuarded<INT_PTR>(TRUE, [&] { return self->Dispatch(msg, wParam, lParam); });
    }
    return DialogProc(hwnd, msg, wParam, lParam);
}

CPropertySheet::CPropertySheet(const std::string& caption, HWND parent)
    : m_psh(), m_caption(caption) {
    m_psh.dwSize = sizeof(m_psh);
    m_psh.hwndParent = parent;
}

CPropertySheet::~CPropertySheet() {
    if (IsWindow())
        DestroyWindow(m_hWnd);
    Detach();
}

void CPropertySheet::AddPage(CPropertyPage* page) {
    page->m_pSheet = this;
    m_pages.push_back(page);
}

void CPropertySheet::SetWizardMode() {
    m_psh.dwFlags |= PSH_WIZARD;
}

INT_PTR CPropertySheet::DoModal() {
    return Run(false);
}

HWND CPropertySheet::Create() {
    return reinterpret_cast<HWND>(Run(true));
}

INT_PTR CPropertySheet::Run(bool modeless) {
    m_pageDescs.clear();
    for (CPropertyPage* page : m_pages) {
        page->m_bShown = false;
        PROPSHEETPAGEA desc = page->m_psp;
        desc.dwSize = sizeof(desc);
        desc.dwFlags &= ~static_cast<DWORD>(PSP_DLGINDIRECT);
        desc.hInstance = GetResourceModule();
        desc.pszTemplate = MAKEINTRESOURCEA(page->m_nTemplateId);
        desc.pfnDlgProc = &CPropertyPage::PageProc;
        desc.lParam = reinterpret_cast<LPARAM>(page);
        m_pageDescs.push_back(desc);
    }
    m_psh.dwSize = sizeof(m_psh);
    m_psh.dwFlags &= ~static_cast<DWORD>(PSH_MODELESS);
    m_psh.dwFlags |= PSH_PROPSHEETPAGE | PSH_USECALLBACK | (modeless ? PSH_MODELESS : 0);
    m_psh.hInstance = GetResourceModule();
    m_psh.pszCaption = m_caption.c_str();
    m_psh.nPages = static_cast<UINT>(m_pageDescs.size());
    m_psh.ppsp = m_pageDescs.data();
    m_psh.pfnCallback = &CPropertySheet::SheetCallback;
    m_bInitDone = false;

    if (t_sheets.empty())
        t_hook = SetWindowsHookExA(WH_MSGFILTER, &CPropertySheet::FilterHook, nullptr,
                                   GetCurrentThreadId());
    t_sheets.push_back(this);

    CPropertySheet* outer = t_creating;
    t_creating = this;
    const INT_PTR result = PropertySheetA(&m_psh);
    t_creating = outer;

    if (!modeless || !result) {
        // A modal sheet is gone by now; so is a modeless one that could not be created.
        Detach();
        return result;
    }
    // Run OnInitDialog now rather than at the caller's first message, so that the sheet is
    // complete when Create returns.
    MSG msg;
    if (m_hWnd && PeekMessageA(&msg, m_hWnd, InitMessage(), InitMessage(), PM_REMOVE))
        DispatchMessageA(&msg);
    return result;
}

bool CPropertySheet::IsSheetMessage(MSG* msg) {
    if (!m_hWnd)
        return false;
    // The dialog processing calls the message filter, and so PreTranslateMessage.
    return PropSheet_IsDialogMessage(m_hWnd, msg) != FALSE;
}

bool CPropertySheet::IsFinished() const {
    return !IsWindow() || !GetCurrentPageHwnd();
}

BOOL CPropertySheet::OnInitDialog() {
    return TRUE;
}

LRESULT CPropertySheet::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    return DefSubclassProc(m_hWnd, msg, wParam, lParam);
}

bool CPropertySheet::PreTranslateMessage(MSG*) {
    return false;
}

void CPropertySheet::SetWizardButtons(DWORD flags) {
    if (m_hWnd)
        PostMessage(PSM_SETWIZBUTTONS, 0, static_cast<LPARAM>(flags));
}

void CPropertySheet::PressButton(int button) {
    if (m_hWnd)
        PostMessage(PSM_PRESSBUTTON, static_cast<WPARAM>(button), 0);
}

HWND CPropertySheet::GetCurrentPageHwnd() const {
    return m_hWnd ? PropSheet_GetCurrentPageHwnd(m_hWnd) : nullptr;
}

int CPropertySheet::GetActiveIndex() const {
    HWND page = GetCurrentPageHwnd();
    return page ? PropSheet_HwndToIndex(m_hWnd, page) : -1;
}

CPropertyPage* CPropertySheet::GetActivePage() const {
    return GetPage(GetActiveIndex());
}

CPropertyPage* CPropertySheet::GetPage(int index) const {
    if (index < 0 || index >= static_cast<int>(m_pages.size()))
        return nullptr;
    return m_pages[static_cast<size_t>(index)];
}

bool CPropertySheet::SetActivePage(int index) {
    if (!m_hWnd || index < 0 || index >= static_cast<int>(m_pages.size()))
        return false;
    return PropSheet_SetCurSel(m_hWnd, nullptr, index) != FALSE;
}

void CPropertySheet::Attach(HWND hwnd) {
    m_hWnd = hwnd;
    SetWindowSubclass(hwnd, &CPropertySheet::SubclassProc, kSubclassId,
                      reinterpret_cast<DWORD_PTR>(this));
    ::PostMessageA(hwnd, InitMessage(), 0, 0);
}

void CPropertySheet::Detach() {
    if (IsWindow())
        RemoveWindowSubclass(m_hWnd, &CPropertySheet::SubclassProc, kSubclassId);
    m_hWnd = nullptr;
    const auto it = std::find(t_sheets.begin(), t_sheets.end(), this);
    if (it == t_sheets.end())
        return;
    t_sheets.erase(it);
    if (t_sheets.empty() && t_hook) {
        UnhookWindowsHookEx(t_hook);
        t_hook = nullptr;
    }
}

int CALLBACK CPropertySheet::SheetCallback(HWND hwnd, UINT msg, LPARAM) {
    if (msg == PSCB_INITIALIZED && t_creating)
        t_creating->Attach(hwnd);
    return 0;
}

LRESULT CALLBACK CPropertySheet::SubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam,
                                              UINT_PTR, DWORD_PTR refData) {
    CPropertySheet* self = reinterpret_cast<CPropertySheet*>(refData);
    if (!self)
        return DefSubclassProc(hwnd, msg, wParam, lParam);
    if (msg == InitMessage()) {
        if (!self->m_bInitDone) {
            self->m_bInitDone = true;
            CallGuarded(0, [&] {
                self->OnInitDialog();
                return 0;
            });
        }
        return 0;
    }
    const LRESULT result =
        CallGuarded<LRESULT>(0, [&] { return self->HandleMessage(msg, wParam, lParam); });
    if (msg == WM_NCDESTROY)
        self->Detach();
    return result;
}

LRESULT CALLBACK CPropertySheet::FilterHook(int code, WPARAM wParam, LPARAM lParam) {
    if (code == MSGF_DIALOGBOX) {
        MSG* msg = reinterpret_cast<MSG*>(lParam);
        for (CPropertySheet* sheet : t_sheets) {
            HWND sheetWnd = sheet->m_hWnd;
            if (!sheetWnd || !msg || !msg->hwnd)
                continue;
            if (msg->hwnd == sheetWnd || IsChild(sheetWnd, msg->hwnd)) {
                if (CallGuarded(false, [&] { return sheet->PreTranslateMessage(msg); }))
                    return 1;
                break;
            }
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}
