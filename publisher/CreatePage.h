// The Create page, the wizard's last: the book's texts, the output file, building the e-book
// and starting it. Every field is exchanged directly with the book project.
#pragma once

#include <string>
#include <vector>

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
    // The message (UTF-8) for a field whose text holds characters (chars) that the ANSI code
    // page has no form for.
    static std::string UnrepresentableMessage(const std::string& field,
                                              const std::vector<std::wstring>& chars);

  protected:
    void DoDataExchange(CDataExchange* pDX) override;
    LRESULT OnSetActive() override;
    LRESULT OnWizardBack() override;
    LRESULT OnWizardNext() override;
    void OnReset() override;
    bool OnCommand(WORD id, WORD code, HWND hCtl) override;

  private:
    // Reads every typed text as Unicode: false, after a message naming the first field whose
    // text the code page cannot hold unchanged and its characters (the focus goes there), when
    // one cannot be. Such a text would reach the e-book changed (the system's best fit turns a
    // Greek capital omega into "O"), so nothing is built, saved or left until it is changed.
    bool TextsFitCodePage();
    // Stores each typed text that the code page holds unchanged into its project field; a field
    // whose text it cannot hold keeps the project's value.
    void SaveTextsThatFit();

    CBookProject& m_project;
    Ui& m_ui;
    const CStubSource& m_stub;
};
