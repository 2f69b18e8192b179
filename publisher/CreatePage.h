// The Create page, the wizard's last: the book's texts, the output file, building the e-book
// and starting it. Every field is exchanged directly with the book project.
#pragma once

#include "compiler/StubSource.h"
#include "platform/Ui.h"
#include "platform/win/PropertySheet.h"
#include "project/BookProject.h"

class CCreatePage : public CPropertyPage {
  public:
    CCreatePage(CBookProject& project, Ui& ui, const CStubSource& stub);

    // Lets the author choose the e-book's path; returns 1 when chosen, 0 when cancelled.
    int ChooseEBookFile();
    void OnBrowseEBookFile();
    void OnCreateEBook();
    void OnRunEBook();
    void OnSaveProjectAs();

    // "E-Book " + path + " created successfully."
    static std::string SuccessMessage(const std::string& path);

  protected:
    void DoDataExchange(CDataExchange* pDX) override;
    LRESULT OnSetActive() override;
    LRESULT OnWizardBack() override;
    void OnReset() override;
    bool OnCommand(WORD id, WORD code, HWND hCtl) override;

  private:
    CBookProject& m_project;
    Ui& m_ui;
    const CStubSource& m_stub;
};
