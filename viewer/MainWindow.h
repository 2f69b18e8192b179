// The viewer's main window: the book's title as caption, the toolbar with the buttons the book
// enables, the browser host below it, and the commands behind buttons and keys.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/win/ScopedWin.h"
#include "platform/win/OwnedWindow.h"
#include "viewer/PageEngine.h"
#include "viewer/panes/ContentsPane.h"
#include "viewer/PageHits.h"
#include "viewer/Theme.h"
#include "viewer/panes/SearchIndexer.h"
#include "book/BookBookmarks.h"
#include "book/BookHistory.h"
#include "viewer/panes/BookmarksView.h"

class CBook;
class Profile;

// What a navigation came to, for the self-test report.
enum class NavOutcome { none, pending, complete, error, noBrowser };

// The pane that stands in place of the page when it cannot be shown: its text, centred, in the
// window's message font.
class CMessagePane : public COwnedWindow {
  public:
    HFONT m_font = nullptr;           // not owned
    const CTheme* m_theme = nullptr;  // the window's colours
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
};

// The toolbar's image list, destroyed with the window.
struct ImageListTraits {
    using Value = HIMAGELIST;
    static Value Invalid() { return nullptr; }
    static bool IsValid(Value v) { return v != nullptr; }
    static void Close(Value v) { ImageList_Destroy(v); }
};

class CMainWindow : public COwnedWindow, public IBrowserEvents {
  public:
    explicit CMainWindow(CBook& book);
    ~CMainWindow() override;

    // Creates the window (hidden), its toolbar and the engine that draws the pages. nCmdShow is
    // applied by Show(). Returns false when the window itself cannot be created; a browser
    // control that cannot be created leaves a message in place of the pages. browserClass: see
    // CBrowserHost.
    bool Create(HINSTANCE instance, const CLSID* browserClass = nullptr);
    // Shows the window maximised or full screen as the book asks, else with nCmdShow.
    void Show(int nCmdShow);
    HWND GetToolbar() const { return m_toolbar; }
    HWND GetMessagePane() const { return m_message.m_hWnd; }
    const CContentsPane& Contents() const { return m_contents; }
    CContentsPane& Contents() { return m_contents; }
    const CBookBookmarks& Bookmarks() const { return m_bookmarks; }
    HWND GetBookmarksList() const { return m_bookmarksView.GetHwnd(); }
    const CPageHits& PageHits() const { return m_pageHits; }
    HWND GetPageWindow() const { return m_engine ? m_engine->GetControlWindow() : nullptr; }
    // Which engine draws the pages: "webview2" or "browser-control".
    std::string EngineKind() const { return m_engine ? m_engine->Kind() : ""; }
    bool IsFullScreen() const { return m_bFullScreen; }

    // Opens a page by URL and records it in the history.
    void Go(const std::string& url);
    void GoHome();

    // Where the reader left this book (last page, window placement, text size) is kept in
    // profile under section, read by Show() and GoToStart() and written when the window closes.
    // Without a profile nothing is remembered.
    void SetPlaceStore(Profile* profile, const std::string& section) {
        m_profile = profile;
        m_strPlaceSection = section;
    }
    // Opens the page last read when it is still a page of the book, else the home page.
    void GoToStart();
    // The control's text size, 0 (smallest) to 4 (largest).
    int GetZoom() const { return m_nZoom; }
    // Runs a command (IDM_...), as the toolbar and the keys do.
    void RunCommand(int id);
    // True when the command could act now (what the toolbar shows as enabled).
    bool CanRun(int id) const;

    // The command ids of the toolbar's buttons, in order (empty without a toolbar).
    const std::vector<int>& ToolbarCommands() const { return m_buttons; }
    const std::string& CurrentUrl() const { return m_strCurrent; }
    const CBookHistory& History() const { return m_history; }
    CSearchIndexer& SearchIndexer() { return m_indexer; }
    // The Search dialog, or nullptr before the first search and after it was closed.
    HWND GetSearchDialog() const { return ::IsWindow(m_search) ? m_search : nullptr; }
    NavOutcome GetNavOutcome() const { return m_navOutcome; }
    long GetNavStatus() const { return m_lNavStatus; }
    // The text shown in place of the page when it cannot be shown ("" while pages show).
    const std::string& GetMessageText() const { return m_strMessage; }

    // Keyboard messages for our accelerators and the browser; true when handled.
    bool PreTranslate(MSG* msg);
    // The command a key runs (IDM_...), kKeySwallowed for a key the control would act on but
    // the viewer keeps from it (its own history, new windows, a button the book turned off),
    // or 0 for a key left to the page.
    int CommandForKey(UINT vk, bool ctrl, bool alt, bool shift) const;
    static const int kKeySwallowed = -1;
    // Toolbar buttons whose label is cut or that lie outside the toolbar (0 when it fits).
    int ClippedToolbarButtons() const;
    // The DPI of the window's monitor.
    int WindowDpi() const;
    // The toolbar's icon size for a DPI: 16, 24 or 32 pixels.
    static int ToolbarIconSize(int dpi);
    // A toolbar button's tooltip: its name and its key ("Back (Alt+Left)").
    std::string TooltipFor(int id) const;
    // The context menu shown over the page (caller destroys it); full: every command of the
    // viewer, as Alt opens it.
    HMENU BuildContextMenu(bool full = false) const;
    // The window's colours (the dialogs it opens draw with them too).
    const CTheme& Theme() const { return m_theme; }
    // The control's text size, 0 (smallest) to 4 (largest).
    int GetTextSize() const { return m_nZoom; }
    // Where links leaving the book go (the default browser unless a test hooks it).
    void SetLinkLauncher(void (*launch)(void*, const std::string&), void* context) {
        m_pfnLaunch = launch;
        m_pLaunchContext = context;
    }

    // Called when a navigation ends either way (used by the self-test).
    void SetNavigationListener(void (*listener)(void*), void* context) {
        m_pfnNavDone = listener;
        m_pNavContext = context;
    }

    // Opens a page found by the search (its file-table name) with the search's terms (UTF-8)
    // to mark on it.
    void OpenSearchHit(const std::string& name, const std::vector<std::string>& terms);

    // IBrowserEvents
    bool OnBeforeNavigate(const std::string& url, bool topLevel,
                          Starter starter = Starter::unknown) override;
    void OnNavigateComplete(const std::string& url, bool topLevel) override;
    void OnNavigateError(const std::string& url, bool topLevel, long status) override;
    void OnTitleChange(const std::string& title) override;
    void OnNewWindow(const std::string& url, bool userStarted) override;
    void OnContextMenu(POINT pt) override;
    bool OnPageKey(UINT vk, bool systemKey) override;
    void OnWheelZoom(bool larger) override;
    void OnEngineFailed() override;
    void OnFocusLeave(bool forward) override;

    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

  private:
    // Bookmarks (MainWindowBookmarks.cpp): the heading and the list below the contents, read
    // from the profile; stored at every change; the label of the page shown.
    void CreateBookmarks();
    void SaveBookmarks();
    void LayoutPane(const RECT& pane);
    std::string PageLabel();
    void AddBookmark();
    void ShowBookmarks();
    bool OnBookmarksNotify(const NMHDR* hdr, LRESULT* result);
    // Colours (MainWindowTheme.cpp): everything drawn again in the theme's colours; the answer to
    // the toolbar's custom draw; a changed system setting.
    void ApplyTheme();
    LRESULT OnToolbarCustomDraw(NMTBCUSTOMDRAW* draw) const;
    LRESULT OnPaneCustomDraw(NMTVCUSTOMDRAW* draw) const;
    void OnSettingChange(WPARAM wp, LPARAM lp);
    // The toolbar's and the pane's font, and the pane's width, from the system's text size at the
    // window's DPI (MainWindowScale.cpp).
    void ApplyUiFont();
    // The keyboard (MainWindowKeys.cpp): the parts of the window F6 moves the focus between, the
    // Search dialog kept beside the page, the keys of the pane and the dialog, the menus.
    enum class Region { pane, page, results };
    Region FocusedRegion() const;
    void CycleFocus(bool forward);
    void FocusRegion(Region region);
    // The focus to the page, or to the message shown in its place.
    void FocusPage();
    void ShowSearch();
    // Keys for the pane and the Search dialog, before the window's own; true when handled.
    bool PreTranslateFocus(MSG* msg);
    // The context menu (full: every command) at pt, in screen coordinates; -1, -1 places it at
    // the top left of the page.
    void ShowMenu(bool full, POINT pt);
    void CreateToolbar();
    void LoadToolbarImages(int dpi);
    void ScaleMessageFont(int dpi);
    void Layout();
    RECT ContentRect() const;
    void UpdateButtons();
    void PageShown(const std::string& url);
    void ShowMessage(const std::string& text);
    void HideMessage();
    void ToggleFullScreen();
    void NavigationDone();
    void NavigationTimedOut();
    bool BrowserUsable() const;
    // The engine as the messages name it.
    std::string EngineName(bool capital) const;
    void RestorePlacement();
    void SavePlace();
    void ApplyZoom();
    bool ButtonOn(int id) const;
    bool ReaderActedRecently() const;
    // The key handling of the message loop for a key going down (WM_KEYDOWN, WM_SYSKEYDOWN);
    // true when the viewer acted on it or keeps it from the engine.
    bool HandleKeyDown(MSG* msg);
    void OpenOutside(const std::string& url);
    std::string FailureText(const std::string& url, const std::string& otherwise);
    void SetTextSize(int size);
    // Puts the browser control in place of the engine (at start, or when WebView2 failed).
    void CreateBrowserControl();
    void SwitchToBrowserControl();

    CBook& m_book;
    CTheme m_theme;
    CSearchIndexer m_indexer;  // the book's search index, built on the first search
    CContentsPane m_contents;
    CBookBookmarks m_bookmarks;
    CBookmarksView m_bookmarksView{m_bookmarks};
    HWND m_bookmarksLabel = nullptr;
    bool m_bPaneFocusInBookmarks = false;  // F6 brings the focus back to the bookmarks
    std::string m_strPageTitle;            // UTF-8, as the engine reported it for the page shown
    CPageHits m_pageHits;  // the last search's words, marked on the page opened from it
    std::vector<std::string> m_hitTerms;  // the same words in UTF-8
    std::string m_strHitsPage;            // the URL of that page until it has been marked
    HINSTANCE m_instance = nullptr;
    HWND m_toolbar = nullptr;
    CMessagePane m_message;
    HWND m_search = nullptr;  // the Search dialog (owned by this window)
    HACCEL m_accel = nullptr;
    ScopedWinObject<ImageListTraits> m_images;
    ScopedGdiObj<HFONT> m_messageFont;
    ScopedGdiObj<HFONT> m_uiFont;  // the toolbar's and the pane's
    int m_nPaneWidth = 240;
    // The bookmarks heading's height: one and a half lines of the pane's font.
    int m_nLabelHeight = 20;
    std::unique_ptr<IPageEngine> m_engine;
    const CLSID* m_browserClass = nullptr;  // the browser control's class (tests change it)
    std::string m_strHostError;
    CBookHistory m_history;
    bool m_bHistoryMove = false;
    bool m_bNavError = false;
    std::string m_strCurrent;
    std::string m_strPending;  // the URL of the navigation under way
    std::string m_strMessage;
    std::vector<int> m_buttons;
    bool m_bFullScreen = false;
    WINDOWPLACEMENT m_placement = {};
    LONG m_lSavedStyle = 0;
    bool m_bZoomPending = false;     // a remembered size waits for the first page to be shown
    bool m_bStartMaximised = false;  // the remembered placement was maximised
    Profile* m_profile = nullptr;
    std::string m_strPlaceSection;
    int m_nZoom = 2;      // the control's text sizes run 0 (smallest) to 4 (largest)
    int m_nZoomStep = 1;  // the Font Size button's way: up to the largest, then back down
    bool m_bTimedOut = false;
    std::string m_strTip;  // the tooltip text handed to the toolbar
    std::wstring m_wstrTip;
    DWORD m_dwLastInput = 0;  // tick of the reader's last click or key on the page
    void (*m_pfnLaunch)(void*, const std::string&) = nullptr;
    void* m_pLaunchContext = nullptr;
    NavOutcome m_navOutcome = NavOutcome::none;
    long m_lNavStatus = 0;
    void (*m_pfnNavDone)(void*) = nullptr;
    void* m_pNavContext = nullptr;
};

// The window classes, registered once per process.
extern const char kMainWindowClass[];
extern const char kMessagePaneClass[];
