// The book project: the one in-memory description of the e-book being prepared.
//
// The page list (one CPieceElem per file of the project folder, in page order; entry 0 is the
// home page), the book's texts, the paths of the files that go into the e-book, the viewer
// options and the values remembered between runs. The project owns its entries.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// One page entry: one file of the project.
class CPieceElem {
  public:
    std::string m_strFile;      // relative path, lower case, backslash separators
    int32_t m_bInSequence = 1;  // in the page sequence; counts as an HTML page
    int32_t m_bInProject = 1;   // compressed into the e-book
    int32_t m_bInSearch = 0;    // searched by the viewer
    int32_t m_bFound = 0;       // scan mark; never saved
};

class CBookProject {
  public:
    CBookProject();  // every string empty, no pages, then ResetProject()
    ~CBookProject() = default;
    CBookProject(const CBookProject&) = delete;
    CBookProject& operator=(const CBookProject&) = delete;

    // Deletes every entry and brings options, title, About text and the four paths to their
    // reset values; keeps author, copyright, web address, e-mail, the project file path and the
    // remembered values.
    void ResetProject();

    // Page list access.
    size_t GetPageCount() const { return m_arrPages.size(); }
    CPieceElem* GetPage(size_t i) const { return m_arrPages[i].get(); }
    void AddPage(std::unique_ptr<CPieceElem> elem);  // appends at the end
    void RemovePage(size_t i);                       // deletes the entry; later ones move up
    void InsertPageFront(std::unique_ptr<CPieceElem> elem);
    std::unique_ptr<CPieceElem> TakePage(size_t i);  // removes without deleting
    void SwapPages(size_t i, size_t j);
    void DeleteAllPages();
    // Number of entries whose m_bInSequence is non-zero.
    size_t GetHtmlPageCount() const;

    // Page list, in page order.
    std::vector<std::unique_ptr<CPieceElem>> m_arrPages;

    // Texts (ANSI).
    std::string m_strTitle;
    std::string m_strAuthor;
    std::string m_strCopyright;
    std::string m_strUrl;
    std::string m_strEMail;
    std::string m_strAboutInfo;
    std::string m_strSplashFile;
    std::string m_strIconFile;
    std::string m_strEBookFile;
    std::string m_strProjectDir;
    std::string m_strProjectFile;
    std::string m_strLastProject;
    std::string m_strLastProjectFile;
    std::string m_strLastIcon;
    std::string m_strLastSplash;
    std::string m_strLastEBook;

    // Viewer options (0 = off, 1 = on); their names, defaults and places in the files are in
    // ViewerOptions.h.
    int32_t m_bShowAboutAtStart;
    int32_t m_bStartMaximized;
    int32_t m_bStartFullScreen;
    int32_t m_bShowToolbar;
    int32_t m_bHomeButton;
    int32_t m_bPrevNextButtons;
    int32_t m_bHistoryButtons;
    int32_t m_bCopyButton;
    int32_t m_bSearchButton;
    int32_t m_bFullScreenButton;
    int32_t m_bFontSizeButton;
    int32_t m_bPrintButton;
    int32_t m_bAboutButton;
    int32_t m_bExitButton;

    // 1 once a folder was scanned by New Project or a project file was opened.
    int32_t m_bProjectLoaded = 0;
};
