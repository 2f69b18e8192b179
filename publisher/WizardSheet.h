// The wizard: the publisher's one window, a property sheet in wizard mode holding the Content,
// Interface and Create pages. Besides hosting the pages it moves the wizard buttons (no Help;
// from the right Cancel, Next, Back), adds "&About..." to the system menu, shows the program's
// icon, and keeps Escape from closing the wizard.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <vector>

#include "compiler/StubSource.h"
#include "platform/Ui.h"
#include "platform/win/PropertySheet.h"
#include "project/BookProject.h"

class CContentPage;

class CWizardSheet : public CPropertySheet {
  public:
    CWizardSheet(CBookProject& project, Ui& ui, const CStubSource& stub);
    ~CWizardSheet() override;

    CContentPage& ContentPage() const;
    CPropertyPage& Page(size_t index) const { return *m_pages[index]; }
    size_t PageCount() const { return m_pages.size(); }
    HICON Icon() const { return m_hIcon; }

    // Called with the sheet's window once it exists (the program makes it the owner of its
    // message boxes and dialogs).
    void SetOnCreated(std::function<void(HWND)> onCreated) { m_onCreated = std::move(onCreated); }

  protected:
    BOOL OnInitDialog() override;
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    bool PreTranslateMessage(MSG* pMsg) override;

  private:
    void ArrangeButtons();
    void AddAboutToSystemMenu();
    void PaintMinimised();

    std::function<void(HWND)> m_onCreated;
    HICON m_hIcon = nullptr;  // a shared resource icon: not destroyed
    std::vector<std::unique_ptr<CPropertyPage>> m_pages;
};
