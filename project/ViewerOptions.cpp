#include "project/ViewerOptions.h"

#include <cstring>

#include "format/BookLayout.h"
#include "publisher/resource.h"

const ViewerOption kViewerOptions[14] = {
    {"ShowAboutAtStart", &CBookProject::m_bShowAboutAtStart, kShowAboutAtStart, 0, IDC_SHOW_ABOUT},
    {"StartMaximized", &CBookProject::m_bStartMaximized, kStartMaximized, 1, IDC_START_MAXIMIZED},
    {"StartFullScreen", &CBookProject::m_bStartFullScreen, kStartFullScreen, 0,
     IDC_START_FULLSCREEN},
    {"ShowToolbar", &CBookProject::m_bShowToolbar, kShowToolbar, 1, IDC_SHOW_TOOLBAR},
    {"HomeButton", &CBookProject::m_bHomeButton, kHomeButton, 1, IDC_HOME_BUTTON},
    {"PrevNextButtons", &CBookProject::m_bPrevNextButtons, kPrevNextButtons, 1,
     IDC_PREVNEXT_BUTTONS},
    {"HistoryButtons", &CBookProject::m_bHistoryButtons, kHistoryButtons, 1, IDC_HISTORY_BUTTONS},
    {"CopyButton", &CBookProject::m_bCopyButton, kCopyButton, 0, IDC_COPY_BUTTON},
    {"SearchButton", &CBookProject::m_bSearchButton, kSearchButton, 0, IDC_SEARCH_BUTTON},
    {"FullScreenButton", &CBookProject::m_bFullScreenButton, kFullScreenButton, 1,
     IDC_FULLSCREEN_BUTTON},
    {"FontSizeButton", &CBookProject::m_bFontSizeButton, kFontSizeButton, 0, IDC_FONTSIZE_BUTTON},
    {"PrintButton", &CBookProject::m_bPrintButton, kPrintButton, 1, IDC_PRINT_BUTTON},
    {"AboutButton", &CBookProject::m_bAboutButton, kAboutButton, 1, IDC_ABOUT_BUTTON},
    {"ExitButton", &CBookProject::m_bExitButton, kExitButton, 1, IDC_EXIT_BUTTON},
};

const ViewerOption* FindViewerOption(const char* name) {
    for (const ViewerOption& o : kViewerOptions) {
        if (std::strcmp(o.pszName, name) == 0)
            return &o;
    }
    return nullptr;
}
