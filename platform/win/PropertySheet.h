// CPropertyPage and CPropertySheet: the system's property sheet (and wizard) around CDialog
// pages. The sheet does not own its pages: whoever adds a page keeps it alive (as a member, for
// example) until the sheet is gone.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <string>
#include <vector>

#include "platform/win/Dialog.h"

class CPropertySheet;

class CPropertyPage : public CDialog {
  public:
    explicit CPropertyPage(UINT templateId);

    // Page became current (PSN_SETACTIVE). Returns 0 to accept, -1 to refuse the activation.
    // The default loads the controls (UpdateData(false)).
    virtual LRESULT OnSetActive();
    // Page is about to lose the activation (PSN_KILLACTIVE). Returns true to let it go. The
    // default stores the controls (UpdateData(true)) and lets go when that succeeds.
    virtual bool OnKillActive();
    // Back / Next pressed in a wizard: 0 moves to the neighbouring page, -1 stays, a template
    // id goes to that page.
    virtual LRESULT OnWizardBack();
    virtual LRESULT OnWizardNext();
    // Finish pressed: true lets the wizard close.
    virtual bool OnWizardFinish();
    // OK or Apply (PSN_APPLY): true accepts. The default stores the controls of a page that was
    // shown.
    virtual bool OnApply();
    // The sheet is closing by Cancel (PSN_RESET).
    virtual void OnReset();
    // Cancel pressed (PSN_QUERYCANCEL): true lets the sheet close.
    virtual bool OnQueryCancel();

    // The sheet's notifications become the calls above; other notifications go to
    // OnPageNotify.
    LRESULT OnNotify(NMHDR* hdr) override;
    virtual LRESULT OnPageNotify(NMHDR*) { return 0; }
    // A page ends with its sheet, never by itself: OK and Cancel commands reaching the page do
    // nothing.
    void OnOK() override {}
    void OnCancel() override {}

    // Posts PSM_SETWIZBUTTONS to the sheet (see CPropertySheet::SetWizardButtons).
    void SetWizardButtons(DWORD flags);

    // The sheet this page was added to (nullptr before).
    CPropertySheet* GetSheet() const { return m_pSheet; }
    // Whether the page has been shown (its window exists and it was activated once).
    bool WasShown() const { return m_bShown; }

    // The page's description for the system; flags, title and header texts may be set here
    // before the sheet is created. pszTemplate, hInstance, pfnDlgProc and lParam are the
    // page's own.
    PROPSHEETPAGEA m_psp;

  private:
    friend class CPropertySheet;
    static INT_PTR CALLBACK PageProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

    CPropertySheet* m_pSheet = nullptr;
    bool m_bShown = false;
};

class CPropertySheet : public CWindow {
  public:
    explicit CPropertySheet(const std::string& caption, HWND parent = nullptr);
    // Destroys a modeless sheet that still exists.
    virtual ~CPropertySheet();
    CPropertySheet(const CPropertySheet&) = delete;
    CPropertySheet& operator=(const CPropertySheet&) = delete;

    // Adds a page at the end. The page is not owned by the sheet.
    void AddPage(CPropertyPage* page);
    // Runs the sheet as a wizard (Back, Next, Finish) rather than with tabs.
    void SetWizardMode();

    // Runs the sheet modally; returns what PropertySheetA returns (IDOK / IDCANCEL for a
    // wizard, > 0 / 0 for tabs, -1 on failure).
    INT_PTR DoModal();
    // Creates the sheet modeless; returns its window or nullptr. The caller pumps messages,
    // passing each through IsSheetMessage, and destroys the sheet once IsFinished().
    HWND Create();
    // For a modeless sheet's message loop: filters (PreTranslateMessage) and dispatches the
    // sheet's dialog keys. Returns true when the message was used up.
    bool IsSheetMessage(MSG* msg);
    // A modeless sheet has ended (OK, Cancel, Finish) and may be destroyed.
    bool IsFinished() const;

    // After the system has set the sheet up and before the sheet is shown: the place for
    // changes to the sheet's window (buttons, menus, icons). Default: nothing.
    virtual BOOL OnInitDialog();
    // Messages to the sheet's window (subclassed). The default passes them on to the system.
    virtual LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    // Every message bound for the sheet or one of its children, before the sheet's dialog
    // processing (Tab, Enter, Escape, mnemonics). Returns true to swallow the message.
    // Messages for other windows (a dialog opened over the sheet) never come here.
    virtual bool PreTranslateMessage(MSG* msg);

    // Posts PSM_SETWIZBUTTONS (PSWIZB_ flags): the buttons change once the message is handled,
    // which keeps the call safe inside the sheet's own notifications.
    void SetWizardButtons(DWORD flags);
    // Presses a button (PSBTN_BACK, PSBTN_NEXT, PSBTN_FINISH, PSBTN_CANCEL, ...) as a click
    // does: posted, so that the sheet acts once the caller is back in the message loop.
    void PressButton(int button);
    HWND GetCurrentPageHwnd() const;
    int GetActiveIndex() const;
    CPropertyPage* GetActivePage() const;
    bool SetActivePage(int index);
    int GetPageCount() const { return static_cast<int>(m_pages.size()); }
    CPropertyPage* GetPage(int index) const;

    // The sheet's description for the system: flags (PSH_HASHELP, PSH_USEHICON, ...), icons,
    // the start page. Pages, the callback and the caption are filled in at creation.
    PROPSHEETHEADERA m_psh;

  private:
    INT_PTR Run(bool modeless);
    void Attach(HWND hwnd);
    void Detach();
    static int CALLBACK SheetCallback(HWND hwnd, UINT msg, LPARAM lParam);
    static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam,
                                         UINT_PTR id, DWORD_PTR refData);
    static LRESULT CALLBACK FilterHook(int code, WPARAM wParam, LPARAM lParam);

    std::string m_caption;
    std::vector<CPropertyPage*> m_pages;
    std::vector<PROPSHEETPAGEA> m_pageDescs;
    bool m_bInitDone = false;
};
