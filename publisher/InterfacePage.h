// The Interface page: how the e-book's viewer looks and starts (About box at start, maximised,
// full screen, toolbar and its buttons). Every control is bound to a book project field; the
// splash bitmap, the custom icon and three toolbar buttons stay hidden yet pass their fields
// through unchanged.
#pragma once

#include "platform/Ui.h"
#include "platform/win/PropertySheet.h"
#include "project/BookProject.h"

class CInterfacePage : public CPropertyPage {
  public:
    CInterfacePage(CBookProject& project, Ui& ui);

    void OnChooseSplash();
    void OnChooseIcon();

  protected:
    void DoDataExchange(CDataExchange* pDX) override;
    LRESULT OnSetActive() override;
    LRESULT OnWizardBack() override;
    LRESULT OnWizardNext() override;
    bool OnCommand(WORD id, WORD code, HWND hCtl) override;

  private:
    // Stores the page, lets the author pick a file and, on OK, sets *pField and *pLast to it.
    void ChooseFile(const char* pszPattern, const char* pszDefExt, const char* pszFilter,
                    std::string* pField, std::string* pLast);
    LRESULT StoreAndMove();

    CBookProject& m_project;
    Ui& m_ui;
};
