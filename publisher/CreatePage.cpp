#include "publisher/CreatePage.h"

#include <commctrl.h>

#include "compiler/BuildEBook.h"
#include "platform/Text.h"
#include "platform/win/WinText.h"
#include "project/ProjectFile.h"
#include "publisher/resource.h"

namespace {

// The page's typed texts, under the names their labels give them.
const struct {
    int id;
    const char* name;
    std::string CBookProject::*field;
} kTextFields[] = {{IDC_TITLE, "Title", &CBookProject::m_strTitle},
                   {IDC_AUTHOR, "Author", &CBookProject::m_strAuthor},
                   {IDC_COPYRIGHT, "Copyright", &CBookProject::m_strCopyright},
                   {IDC_URL, "URL", &CBookProject::m_strUrl},
                   {IDC_EMAIL, "E-Mail", &CBookProject::m_strEMail},
                   {IDC_ABOUT_INFO, "About Box Info", &CBookProject::m_strAboutInfo}};

std::wstring WideText(HWND ctl) {
    const int n = ::GetWindowTextLengthW(ctl);
    if (n <= 0)
        return std::wstring();
    std::wstring text(static_cast<size_t>(n) + 1, L'\0');
    text.resize(static_cast<size_t>(::GetWindowTextW(ctl, &text[0], n + 1)));
    return text;
}

}  // namespace

std::string CCreatePage::UnrepresentableMessage(const std::string& field,
                                                const std::vector<std::wstring>& chars) {
    std::string list;
    for (const std::wstring& ch : chars) {
        if (!list.empty())
            list += ", ";
        list += "\"" + CWinText::Ansi(ch, CP_UTF8) + "\" (" +
                CodePointName(CWinText::CodePoint(ch)) + ")";
    }
    return "The " + field +
           " holds characters that the e-book cannot keep: it stores its texts in " +
           "the code page " + std::to_string(::GetACP()) + ", which has no " + list +
           ".\nReplace or remove them; nothing is created or saved until then.";
}

bool CCreatePage::TextsFitCodePage() {
    for (const auto& field : kTextFields) {
        HWND ctl = ::GetDlgItem(m_hWnd, field.id);
        const std::vector<std::wstring> chars = CWinText::Unrepresentable(WideText(ctl), CP_ACP);
        if (chars.empty())
            continue;
        m_ui.ShowMessageUtf8(UnrepresentableMessage(field.name, chars), MsgIcon::exclamation,
                             MsgButtons::ok);
        ::SetFocus(ctl);
        return false;
    }
    return true;
}

void CCreatePage::SaveTextsThatFit() {
    for (const auto& field : kTextFields) {
        const std::wstring text = WideText(::GetDlgItem(m_hWnd, field.id));
        bool lossy = false;
        const std::string ansi = CWinText::AnsiStrict(text, CP_ACP, &lossy);
        if (!lossy)
            m_project.*field.field = ansi;
    }
}

CCreatePage::CCreatePage(CBookProject& project, Ui& ui, const CStubSource& stub)
    : CPropertyPage(IDD_CREATE), m_project(project), m_ui(ui), m_stub(stub) {}

std::string CCreatePage::SuccessMessage(const std::string& path) {
    return "E-Book " + path + " created successfully.";
}

void CCreatePage::DoDataExchange(CDataExchange* pDX) {
    DDX_Text(pDX, IDC_TITLE, m_project.m_strTitle);
    DDX_Text(pDX, IDC_AUTHOR, m_project.m_strAuthor);
    DDX_Text(pDX, IDC_COPYRIGHT, m_project.m_strCopyright);
    DDX_Text(pDX, IDC_URL, m_project.m_strUrl);
    DDX_Text(pDX, IDC_EMAIL, m_project.m_strEMail);
    DDX_Text(pDX, IDC_ABOUT_INFO, m_project.m_strAboutInfo);
    DDX_Text(pDX, IDC_EBOOK_FILE, m_project.m_strEBookFile);
}

LRESULT CCreatePage::OnSetActive() {
    // The last page: Back only, never Finish.
    SetWizardButtons(PSWIZB_BACK);
    ShowItem(IDC_SAVE_PROJECT_AS, false);
    return CPropertyPage::OnSetActive();
}

LRESULT CCreatePage::OnWizardBack() {
    if (!TextsFitCodePage())
        return -1;
    UpdateData(true);
    return 0;
}

LRESULT CCreatePage::OnWizardNext() {
    if (!TextsFitCodePage())
        return -1;
    UpdateData(true);
    return CPropertyPage::OnWizardNext();
}

void CCreatePage::OnReset() {
    // The sheet is closing: what was typed here reaches the project, and so the remembered
    // author details. Closing cannot wait for a text to be changed, so a text the code page
    // cannot hold is not stored at all: the field keeps the value it had (the one remembered or
    // loaded), which the next run shows as it was, rather than the best-fit text that would
    // come back in the field and reach an e-book changed.
    SaveTextsThatFit();
}

bool CCreatePage::OnCommand(WORD id, WORD code, HWND hCtl) {
    if (code == BN_CLICKED) {
        switch (id) {
            case IDC_EBOOK_BROWSE:
                OnBrowseEBookFile();
                return true;
            case IDC_CREATE_EBOOK:
                OnCreateEBook();
                return true;
            case IDC_RUN_EBOOK:
                OnRunEBook();
                return true;
            case IDC_SAVE_PROJECT_AS:
                OnSaveProjectAs();
                return true;
            default:
                break;
        }
    }
    return CPropertyPage::OnCommand(id, code, hCtl);
}

int CCreatePage::ChooseEBookFile() {
    FileDialogSpec spec;
    spec.bSave = true;
    spec.strFilter = "Executable Files (*.exe)|*.exe|All Files (*.*)|*.*||";
    spec.strDefExt = "exe";
    spec.strInitialName = m_project.m_strLastEBook.empty() ? "ebook.exe" : m_project.m_strLastEBook;
    // No overwrite prompt: the next build replaces an existing file without asking.
    spec.uFlags = kOfnHideReadOnly | kOfnPathMustExist;
    std::string chosen;
    if (!m_ui.FileDialog(spec, &chosen))
        return 0;
    m_project.m_strEBookFile = chosen;
    m_project.m_strLastEBook = chosen;
    UpdateData(false);
    return 1;
}

void CCreatePage::OnBrowseEBookFile() {
    // The fields are stored and then loaded again with the chosen path: a text the code page
    // cannot hold would come back into its field changed.
    if (!TextsFitCodePage())
        return;
    UpdateData(true);
    ChooseEBookFile();
}

void CCreatePage::OnCreateEBook() {
    if (!TextsFitCodePage())
        return;
    UpdateData(true);
    if (m_project.m_strEBookFile.empty() && !ChooseEBookFile())
        return;
    if (!BuildEBook(m_project, m_project.m_strEBookFile, m_ui, m_stub))
        return;
    m_ui.ShowMessage(SuccessMessage(m_project.m_strEBookFile), MsgIcon::information,
                     MsgButtons::ok);
}

void CCreatePage::OnRunEBook() {
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (::CreateProcessA(m_project.m_strEBookFile.c_str(), nullptr, nullptr, nullptr, FALSE,
                         CREATE_DEFAULT_ERROR_MODE | NORMAL_PRIORITY_CLASS, nullptr, nullptr, &si,
                         &pi)) {
        ::CloseHandle(pi.hThread);
        ::CloseHandle(pi.hProcess);
    }
}

void CCreatePage::OnSaveProjectAs() {
    if (!TextsFitCodePage())
        return;
    UpdateData(true);
    SaveProjectAs(m_project, m_ui);
}
