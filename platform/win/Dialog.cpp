#include "platform/win/Dialog.h"

#include "platform/Assert.h"
#include "platform/win/Guard.h"

namespace {
HINSTANCE g_resourceModule = nullptr;

// Puts a pop-up dialog in the middle of the window that owns it, inside the work area of the
// owner's monitor. The system would leave it at the owner's top-left corner. A template that
// places the dialog itself (DS_CENTER, DS_CENTERMOUSE, DS_ABSALIGN) keeps its place, and a child
// window (a property page) or a dialog without a visible owner is not moved.
void CentreOverOwner(HWND hwnd) {
    const LONG style = GetWindowLongA(hwnd, GWL_STYLE);
    if (style & (WS_CHILD | DS_CENTER | DS_CENTERMOUSE | DS_ABSALIGN))
        return;
    HWND owner = GetWindow(hwnd, GW_OWNER);
    if (!owner || !IsWindowVisible(owner) || IsIconic(owner))
        return;
    RECT rcOwner = {}, rcDlg = {};
    GetWindowRect(owner, &rcOwner);
    GetWindowRect(hwnd, &rcDlg);
    const int w = rcDlg.right - rcDlg.left, h = rcDlg.bottom - rcDlg.top;
    int x = rcOwner.left + (rcOwner.right - rcOwner.left - w) / 2;
    int y = rcOwner.top + (rcOwner.bottom - rcOwner.top - h) / 2;
    MONITORINFO mi = {};
    mi.cbSize = sizeof mi;
    if (GetMonitorInfoA(MonitorFromWindow(owner, MONITOR_DEFAULTTONEAREST), &mi)) {
        const RECT& work = mi.rcWork;
        if (x + w > work.right)
            x = work.right - w;
        if (y + h > work.bottom)
            y = work.bottom - h;
        if (x < work.left)
            x = work.left;
        if (y < work.top)
            y = work.top;
    }
    SetWindowPos(hwnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

HINSTANCE GetResourceModule() {
    return g_resourceModule ? g_resourceModule : GetModuleHandleA(nullptr);
}

void SetResourceModule(HINSTANCE module) {
    g_resourceModule = module;
}

CDialog::CDialog(UINT templateId) : m_nTemplateId(templateId) {}

CDialog::~CDialog() {
    if (IsWindow()) {
        // The window must not call back into an object that is going away.
        SetWindowLongPtrA(m_hWnd, DWLP_USER, 0);
        DestroyWindow(m_hWnd);
    }
    m_hWnd = nullptr;
}

INT_PTR CDialog::DoModal(HWND parent) {
    // One window per object: DWLP_USER of a second would leave the first calling nobody.
    PV_ASSERT(!m_hWnd);
    m_bModeless = false;
    const LPARAM self = reinterpret_cast<LPARAM>(this);
    if (m_bUnicodeWindow)
        return DialogBoxParamW(GetResourceModule(), MAKEINTRESOURCEW(m_nTemplateId), parent,
                               &CDialog::DialogProc, self);
    return DialogBoxParamA(GetResourceModule(), MAKEINTRESOURCEA(m_nTemplateId), parent,
                           &CDialog::DialogProc, self);
}

HWND CDialog::Create(HWND parent) {
    PV_ASSERT(!m_hWnd);
    m_bModeless = true;
    const LPARAM self = reinterpret_cast<LPARAM>(this);
    if (m_bUnicodeWindow)
        return CreateDialogParamW(GetResourceModule(), MAKEINTRESOURCEW(m_nTemplateId), parent,
                                  &CDialog::DialogProc, self);
    return CreateDialogParamA(GetResourceModule(), MAKEINTRESOURCEA(m_nTemplateId), parent,
                              &CDialog::DialogProc, self);
}

void CDialog::EndDialog(INT_PTR result) {
    m_nResult = result;
    if (!m_hWnd)
        return;
    if (m_bModeless)
        DestroyWindow(m_hWnd);
    else
        ::EndDialog(m_hWnd, result);
}

bool CDialog::UpdateData(bool bSaveAndValidate) {
    CDataExchange dx(this, bSaveAndValidate);
    DoDataExchange(&dx);
    return !dx.m_bFailed;
}

CDialog* CDialog::FromHandle(HWND hwnd) {
    if (!hwnd)
        return nullptr;
    return reinterpret_cast<CDialog*>(GetWindowLongPtrA(hwnd, DWLP_USER));
}

BOOL CDialog::OnInitDialog() {
    UpdateData(false);
    return TRUE;
}

bool CDialog::OnCommand(WORD id, WORD, HWND) {
    if (id == IDOK) {
        OnOK();
        return true;
    }
    if (id == IDCANCEL) {
        OnCancel();
        return true;
    }
    return false;
}

LRESULT CDialog::OnNotify(NMHDR*) {
    return 0;
}

void CDialog::OnOK() {
    if (UpdateData(true))
        EndDialog(IDOK);
}

void CDialog::OnCancel() {
    EndDialog(IDCANCEL);
}

INT_PTR CDialog::HandleMessage(UINT, WPARAM, LPARAM) {
    return FALSE;
}

void CDialog::DoDataExchange(CDataExchange*) {}

void CDialog::Attach(HWND hwnd) {
    m_hWnd = hwnd;
    SetWindowLongPtrA(hwnd, DWLP_USER, reinterpret_cast<LONG_PTR>(this));
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_INITDIALOG) {
        CDialog* self = reinterpret_cast<CDialog*>(lParam);
        if (!self)
            return TRUE;
        self->Attach(hwnd);
        return CallGuarded<INT_PTR>(TRUE, [&] { return self->Dispatch(msg, wParam, lParam); });
    }
    CDialog* self = FromHandle(hwnd);
    if (!self)
        return FALSE;  // messages before WM_INITDIALOG (WM_SETFONT) or after the object let go
    return CallGuarded<INT_PTR>(FALSE, [&] { return self->Dispatch(msg, wParam, lParam); });
}

INT_PTR CDialog::Dispatch(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_INITDIALOG: {
            const BOOL result = OnInitDialog();
            if (m_hWnd)
                CentreOverOwner(m_hWnd);
            return result;
        }
        case WM_COMMAND:
            if (OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam)))
                return TRUE;
            return HandleMessage(msg, wParam, lParam);
        case WM_NOTIFY: {
            const LRESULT result = OnNotify(reinterpret_cast<NMHDR*>(lParam));
            SetWindowLongPtrA(m_hWnd, DWLP_MSGRESULT, result);
            return TRUE;
        }
        case WM_NCDESTROY: {
            const INT_PTR result = HandleMessage(msg, wParam, lParam);
            SetWindowLongPtrA(m_hWnd, DWLP_USER, 0);
            m_hWnd = nullptr;
            OnFinalMessage();  // may delete this
            return result;
        }
        default:
            return HandleMessage(msg, wParam, lParam);
    }
}

HWND CDataExchange::PrepareCtrl(int id) {
    HWND ctl = m_pDlgWnd->GetDlgItem(id);
    if (!ctl)
        m_bFailed = true;
    return ctl;
}

void CDataExchange::Fail(int id) {
    m_bFailed = true;
    if (HWND ctl = m_pDlgWnd->GetDlgItem(id))
        SetFocus(ctl);
}

void DDX_Text(CDataExchange* pDX, int id, std::string& value) {
    HWND ctl = pDX->PrepareCtrl(id);
    if (!ctl)
        return;
    if (pDX->m_bSaveAndValidate) {
        value = GetWindowTextString(ctl);
        return;
    }
    // Setting a text resets the caret, the selection and the undo of an edit control: a field
    // that already shows the value keeps them.
    if (GetWindowTextString(ctl) != value)
        SetWindowTextA(ctl, value.c_str());
}

void DDX_Check(CDataExchange* pDX, int id, int& value) {
    HWND ctl = pDX->PrepareCtrl(id);
    if (!ctl)
        return;
    if (pDX->m_bSaveAndValidate) {
        value = static_cast<int>(SendMessageA(ctl, BM_GETCHECK, 0, 0));
        return;
    }
    // A remembered value from outside (the registry, say) may be anything: only 0, 1 and 2 mean
    // something to a check box, the rest is taken as clear and the variable corrected to match.
    if (value < BST_UNCHECKED || value > BST_INDETERMINATE)
        value = BST_UNCHECKED;
    SendMessageA(ctl, BM_SETCHECK, static_cast<WPARAM>(value), 0);
}
