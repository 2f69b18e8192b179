// CDialog: a dialog box from a template in the resource module, whose messages reach virtual
// handlers of the C++ object, with data exchange between controls and member variables.
// The object's pointer is kept in DWLP_USER from WM_INITDIALOG on.
#pragma once

#include <windows.h>

#include <string>

#include "platform/win/Window.h"

class CDataExchange;

// The module whose resources hold dialog templates (default: the program's own module). Tests
// that link their own .rc into the test program leave it at the default; a DLL sets its own.
HINSTANCE GetResourceModule();
void SetResourceModule(HINSTANCE module);

class CDialog : public CWindow {
  public:
    explicit CDialog(UINT templateId);
    // Destroys a modeless dialog that still exists.
    virtual ~CDialog();
    CDialog(const CDialog&) = delete;
    CDialog& operator=(const CDialog&) = delete;

    // Runs the dialog modally; returns the value given to EndDialog, or -1 when the template
    // could not be loaded or the dialog not created.
    INT_PTR DoModal(HWND parent);
    // Creates the dialog modeless (visible if the template says WS_VISIBLE); the caller pumps
    // messages. Returns the window or nullptr. EndDialog then destroys the window.
    HWND Create(HWND parent);

    // Ends a modal dialog with result; destroys a modeless one, keeping result in m_nResult.
    void EndDialog(INT_PTR result);

    // Loads the controls from the members (false) or stores and checks them (true). Returns
    // false when a check failed; the failing control then has the focus.
    bool UpdateData(bool bSaveAndValidate);

    // The object bound to a dialog of ours, or nullptr.
    static CDialog* FromHandle(HWND hwnd);

    UINT m_nTemplateId;
    INT_PTR m_nResult = 0;

    // WM_INITDIALOG. The default loads the controls (UpdateData(false)) and returns TRUE so
    // that the system gives the focus to the first control. Afterwards a pop-up dialog with an
    // owner is centred over the owner, unless its template places it (DS_CENTER and the like).
    virtual BOOL OnInitDialog();
    // WM_COMMAND. Returns true when handled. The default maps IDOK to OnOK and IDCANCEL to
    // OnCancel.
    virtual bool OnCommand(WORD id, WORD code, HWND ctl);
    // WM_NOTIFY; the value returned goes to DWLP_MSGRESULT. The default returns 0.
    virtual LRESULT OnNotify(NMHDR* hdr);
    // Stores the controls (UpdateData(true)) and, when that succeeds, ends with IDOK.
    virtual void OnOK();
    // Ends with IDCANCEL.
    virtual void OnCancel();
    // Every other message; the return value is the dialog procedure's (FALSE: not handled).
    virtual INT_PTR HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    // The controls bound to members, through the DDX_ functions.
    virtual void DoDataExchange(CDataExchange* pDX);
    // Called once the window is gone (after WM_NCDESTROY); m_hWnd is already null. A modeless
    // dialog that owns itself deletes itself here.
    virtual void OnFinalMessage() {}

  protected:
    // The dialog procedure of every CDialog; lParam of WM_INITDIALOG is the object.
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    // Binds the object to hwnd (DWLP_USER).
    void Attach(HWND hwnd);
    // Routes one message to the handlers above.
    INT_PTR Dispatch(UINT msg, WPARAM wParam, LPARAM lParam);

    // Create the window with the wide (UTF-16) functions, for dialogs that show text beyond the
    // ANSI code page.
    bool m_bUnicodeWindow = false;

  private:
    bool m_bModeless = false;
};

// One pass of data exchange between a dialog's controls and variables.
class CDataExchange {
  public:
    CDataExchange(CDialog* dlg, bool bSaveAndValidate)
        : m_pDlgWnd(dlg), m_bSaveAndValidate(bSaveAndValidate) {}

    // The control with this id; a missing control fails the exchange.
    HWND PrepareCtrl(int id);
    // Marks the exchange failed and puts the focus on the control.
    void Fail(int id);

    CDialog* m_pDlgWnd;
    bool m_bSaveAndValidate;
    bool m_bFailed = false;
};

// Edit text and a std::string, both ways. Loading leaves a control that already shows the value
// alone (its caret, selection and undo stay).
void DDX_Text(CDataExchange* pDX, int id, std::string& value);
// A check box and an int, both ways: 0 clear, 1 checked, 2 indeterminate. On loading, a value
// outside 0..2 is set to 0 and the box shown clear.
void DDX_Check(CDataExchange* pDX, int id, int& value);
