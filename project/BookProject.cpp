#include "project/BookProject.h"

#include "project/ViewerOptions.h"

CBookProject::CBookProject() {
    ResetProject();
}

void CBookProject::ResetProject() {
    DeleteAllPages();

    for (const ViewerOption& option : kViewerOptions)
        this->*option.pField = option.nDefault;

    m_strTitle = "E-Book";
    m_strAboutInfo.clear();

    m_strSplashFile.clear();
    m_strIconFile.clear();
    m_strEBookFile.clear();
    m_strProjectDir.clear();

    m_bProjectLoaded = 0;
}

void CBookProject::AddPage(std::unique_ptr<CPieceElem> elem) {
    m_arrPages.push_back(std::move(elem));
}

void CBookProject::RemovePage(size_t i) {
    m_arrPages.erase(m_arrPages.begin() + static_cast<std::ptrdiff_t>(i));
}

void CBookProject::InsertPageFront(std::unique_ptr<CPieceElem> elem) {
    m_arrPages.insert(m_arrPages.begin(), std::move(elem));
}

std::unique_ptr<CPieceElem> CBookProject::TakePage(size_t i) {
    std::unique_ptr<CPieceElem> elem = std::move(m_arrPages[i]);
    m_arrPages.erase(m_arrPages.begin() + static_cast<std::ptrdiff_t>(i));
    return elem;
}

void CBookProject::SwapPages(size_t i, size_t j) {
    m_arrPages[i].swap(m_arrPages[j]);
}

void CBookProject::DeleteAllPages() {
    m_arrPages.clear();
    m_arrPages.shrink_to_fit();
}

size_t CBookProject::GetHtmlPageCount() const {
    size_t count = 0;
    for (const auto& page : m_arrPages) {
        if (page->m_bInSequence != 0)
            ++count;
    }
    return count;
}
