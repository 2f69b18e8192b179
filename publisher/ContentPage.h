// The Content page, the wizard's first: the project folder, the list of its files and their
// order. Every command works directly on the book project and then brings the list view and
// the buttons up to date; the page keeps no copy of project data.
#pragma once

#include <string>
#include <vector>

#include "platform/Ui.h"
#include "platform/win/ListView.h"
#include "platform/win/PropertySheet.h"
#include "project/BookProject.h"

class CContentPage : public CPropertyPage {
  public:
    CContentPage(CBookProject& project, Ui& ui);

    // The commands behind the page's buttons (public so that the sheet's owner and tests can
    // name them; the buttons reach them through OnCommand).
    void OnNewProject();
    void OnRescanDir();
    void OnOpenProject();
    void OnFileProperties();
    std::vector<bool> SelectedRows() const;
    void SetSelectedRows(const std::vector<bool>& selected);
    void OnMoveUp();
    void OnMoveDown();

    // The message shown when Next is pressed with no pages.
    static const char kNoPagesMessage[];
    // The message shown when the folder browser gives no usable path.
    static const char kInvalidFolderMessage[];

  protected:
    LRESULT OnSetActive() override;
    LRESULT OnWizardNext() override;
    bool OnCommand(WORD id, WORD code, HWND hCtl) override;
    LRESULT OnPageNotify(NMHDR* pNMHDR) override;

  private:
    // Lets the author pick a folder and scans it; bNew empties the page list first.
    void ChooseAndScan(bool bNew);
    // New Project's scan of the chosen folder.
    void NewProjectFrom(const std::string& folder);
    void Refresh();
    void FillList();
    void InsertRow(int row);
    // Sets both texts of an existing row from its entry.
    void SetRowTexts(size_t row);
    void MoveSelected(bool bUp);
    CListView List() const;

    CBookProject& m_project;
    Ui& m_ui;
    bool m_bColumnsInserted = false;
    class CListBatch;
    bool m_bFilling = false;  // a CListBatch lives: row notifications do not refresh
};
