// The main window's toolbar and keys: which buttons the book enables, their images at the
// monitor's scale and their tooltips, the keys behind each button (a button the book turned
// off takes its key with it) and the context menu over the page.
#include <oleacc.h>

#include "viewer/Accessible.h"
#include "viewer/MainWindow.h"
#include "book/Book.h"
#include "viewer/resource.h"

namespace {

struct ButtonSpec {
    int setting;  // the settings-record field that enables the button
    int id;
    const char* label;
    const char* key;  // named in the button's tooltip
};

// Toolbar order; the image of a button is its command's offset from IDM_HOME.
const ButtonSpec kButtons[] = {
    {kHomeButton, IDM_HOME, "Home", "Alt+Home"},
    {kPrevNextButtons, IDM_PREV, "Previous", "Ctrl+Page Up"},
    {kPrevNextButtons, IDM_NEXT, "Next", "Ctrl+Page Down"},
    {kHistoryButtons, IDM_BACK, "Back", "Alt+Left"},
    {kHistoryButtons, IDM_FORWARD, "Forward", "Alt+Right"},
    {kCopyButton, IDM_COPY, "Copy", "Ctrl+C"},
    {kSearchButton, IDM_SEARCH, "Search", "Ctrl+Shift+F"},
    {kFullScreenButton, IDM_FULLSCREEN, "Full Screen", "F11"},
    {kFontSizeButton, IDM_FONTSIZE, "Font Size", "Ctrl+Plus, Ctrl+Minus"},
    {kPrintButton, IDM_PRINT, "Print", "Ctrl+P"},
    {kAboutButton, IDM_ABOUT, "About", "F1"},
    {kExitButton, IDM_EXIT, "Exit", "Alt+F4"},
};

struct KeySpec {
    UINT vk;
    unsigned char mods;  // kCtrl | kAlt; shift is ignored unless kShift is given
    int id;
};
const unsigned char kCtrl = 1, kAlt = 2, kShift = 4;

// The viewer's keys. Keys the control would also act on are listed so that a button the book
// turned off takes its key with it.
const KeySpec kKeys[] = {
    {VK_HOME, kAlt, IDM_HOME},
    {VK_BROWSER_HOME, 0, IDM_HOME},
    {VK_PRIOR, kCtrl, IDM_PREV},
    {VK_NEXT, kCtrl, IDM_NEXT},
    {VK_LEFT, kAlt, IDM_BACK},
    {VK_BROWSER_BACK, 0, IDM_BACK},
    {VK_RIGHT, kAlt, IDM_FORWARD},
    {VK_BROWSER_FORWARD, 0, IDM_FORWARD},
    {'C', kCtrl, IDM_COPY},
    {VK_INSERT, kCtrl, IDM_COPY},
    {'F', kCtrl | kShift, IDM_SEARCH},
    {'F', kCtrl, IDM_FINDINPAGE},
    {VK_F11, 0, IDM_FULLSCREEN},
    {VK_OEM_PLUS, kCtrl, IDM_TEXT_LARGER},
    {VK_ADD, kCtrl, IDM_TEXT_LARGER},
    {VK_OEM_MINUS, kCtrl, IDM_TEXT_SMALLER},
    {VK_SUBTRACT, kCtrl, IDM_TEXT_SMALLER},
    {'P', kCtrl, IDM_PRINT},
    {VK_F1, 0, IDM_ABOUT},
    {'T', kCtrl, IDM_CONTENTS},
    {'D', kCtrl, IDM_BOOKMARK_ADD},
    {'B', kCtrl, IDM_BOOKMARKS},
    {VK_F3, 0, IDM_FIND_NEXT_HIT},
    {VK_F6, kShift, IDM_PREV_PANE},
    {VK_F6, 0, IDM_NEXT_PANE},
    {VK_F10, kShift, IDM_CONTEXT_MENU},
    {VK_APPS, 0, IDM_CONTEXT_MENU},
    // The control's own new-window and open keys; nothing of the viewer's.
    {'N', kCtrl, CMainWindow::kKeySwallowed},
    {'O', kCtrl, CMainWindow::kKeySwallowed},
    {'L', kCtrl, CMainWindow::kKeySwallowed},
};

const char* KeyOfCommand(int id) {
    for (const ButtonSpec& spec : kButtons) {
        if (spec.id == id)
            return spec.key;
    }
    return nullptr;
}

// Screen readers meet the buttons by their labels, with their keys.
const AccessibleSpec kToolbarAccessible = {AccessibleKind::toolbar, L"Toolbar", ROLE_SYSTEM_TOOLBAR,
                                           KeyOfCommand};

}  // namespace

void CMainWindow::CreateToolbar() {
    m_toolbar = CreateWindowExA(
        0, TOOLBARCLASSNAMEA, nullptr,
        WS_CHILD | WS_VISIBLE | TBSTYLE_FLAT | TBSTYLE_TOOLTIPS | TBSTYLE_WRAPABLE | CCS_TOP, 0, 0,
        0, 0, m_hWnd, nullptr, m_instance, nullptr);
    if (!m_toolbar)
        return;
    MakeAccessible(m_toolbar, &kToolbarAccessible);
    ::SendMessageA(m_toolbar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    LoadToolbarImages(WindowDpi());
    std::vector<TBBUTTON> buttons;
    for (const ButtonSpec& spec : kButtons) {
        if (!m_book.GetSetting(spec.setting))
            continue;
        TBBUTTON b = {};
        b.iBitmap = spec.id - IDM_HOME;
        b.idCommand = spec.id;
        b.fsState = TBSTATE_ENABLED;
        b.fsStyle = BTNS_BUTTON | BTNS_AUTOSIZE;
        b.iString = reinterpret_cast<INT_PTR>(spec.label);
        buttons.push_back(b);
        m_buttons.push_back(spec.id);
    }
    if (!buttons.empty())
        ::SendMessageA(m_toolbar, TB_ADDBUTTONSA, buttons.size(),
                       reinterpret_cast<LPARAM>(buttons.data()));
    ::SendMessageA(m_toolbar, TB_AUTOSIZE, 0, 0);
}

int CMainWindow::ToolbarIconSize(int dpi) {
    return dpi >= 168 ? 32 : dpi >= 120 ? 24 : 16;
}

int CMainWindow::WindowDpi() const {
    // GetDpiForWindow (Windows 10) knows the window's own monitor; older systems have one DPI.
    using DpiForWindow = UINT(WINAPI*)(HWND);
    const FARPROC proc = GetProcAddress(GetModuleHandleA("user32.dll"), "GetDpiForWindow");
    if (proc) {
        const UINT dpi = reinterpret_cast<DpiForWindow>(reinterpret_cast<void*>(proc))(m_hWnd);
        if (dpi)
            return static_cast<int>(dpi);
    }
    HDC dc = GetDC(nullptr);
    const int dpi = GetDeviceCaps(dc, LOGPIXELSY);
    ReleaseDC(nullptr, dc);
    return dpi > 0 ? dpi : 96;
}

void CMainWindow::LoadToolbarImages(int dpi) {
    if (!m_toolbar)
        return;
    const int size = ToolbarIconSize(dpi);
    const COLORREF kTransparent = RGB(255, 0, 255);
    // The glyphs are drawn at 16 pixels; larger sizes scale them by whole pixels, which keeps
    // their edges sharp where smoothing would blur them.
    ScopedGdiObj<HBITMAP> strip(static_cast<HBITMAP>(
        LoadImageA(m_instance, MAKEINTRESOURCEA(IDB_TOOLBAR), IMAGE_BITMAP, 0, 0, 0)));
    BITMAP bm = {};
    if (!strip || !GetObjectA(strip.get(), sizeof(bm), &bm) || bm.bmHeight <= 0)
        return;
    const int count = bm.bmWidth / bm.bmHeight;
    HIMAGELIST list = ImageList_Create(size, size, ILC_COLOR24 | ILC_MASK, count, 0);
    HDC screen = GetDC(nullptr);
    HDC from = CreateCompatibleDC(screen);
    HDC to = CreateCompatibleDC(screen);
    ScopedGdiObj<HBITMAP> big(CreateCompatibleBitmap(screen, count * size, size));
    ReleaseDC(nullptr, screen);
    HGDIOBJ oldFrom = SelectObject(from, strip.get());
    HGDIOBJ oldTo = SelectObject(to, big.get());
    SetStretchBltMode(to, COLORONCOLOR);
    StretchBlt(to, 0, 0, count * size, size, from, 0, 0, count * bm.bmHeight, bm.bmHeight, SRCCOPY);
    SelectObject(from, oldFrom);
    SelectObject(to, oldTo);
    DeleteDC(from);
    DeleteDC(to);
    if (m_theme.IsDark())
        LightenOutlines(big.get());
    if (list)
        ImageList_AddMasked(list, big.get(), kTransparent);
    ::SendMessageA(m_toolbar, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(list));
    m_images.reset(list);
    ::SendMessageA(m_toolbar, TB_AUTOSIZE, 0, 0);
}

bool CMainWindow::ButtonOn(int id) const {
    if (id == IDM_TEXT_LARGER || id == IDM_TEXT_SMALLER)
        id = IDM_FONTSIZE;
    for (const ButtonSpec& spec : kButtons) {
        if (spec.id == id)
            return m_book.GetSetting(spec.setting) != 0;
    }
    return true;  // commands with no button of their own
}

HMENU CMainWindow::BuildContextMenu(bool full) const {
    // Every command with its key; the context menu over the page leaves out those of the toolbar
    // that have nothing to do with the page (full: Alt's menu, all of them).
    static const struct {
        int id;
        const char* label;
        bool fullOnly;
    } kItems[] = {
        {IDM_HOME, "&Home\tAlt+Home", true},
        {IDM_PREV, "Pre&vious Page\tCtrl+Page Up", true},
        {IDM_NEXT, "&Next Page\tCtrl+Page Down", true},
        {0, nullptr, true},
        {IDM_BACK, "&Back\tAlt+Left", false},
        {IDM_FORWARD, "&Forward\tAlt+Right", false},
        {0, nullptr, false},
        {IDM_COPY, "&Copy\tCtrl+C", false},
        {IDM_SELECTALL, "Select &All\tCtrl+A", false},
        {0, nullptr, false},
        {IDM_PRINT, "&Print...\tCtrl+P", false},
        {IDM_FINDINPAGE, "F&ind in Page...\tCtrl+F", false},
        {IDM_SEARCH, "&Search the Book...\tCtrl+Shift+F", true},
        {0, nullptr, false},
        {IDM_CONTENTS, "C&ontents\tCtrl+T", false},
        {IDM_BOOKMARK_ADD, "A&dd Bookmark\tCtrl+D", false},
        {IDM_BOOKMARKS, "Boo&kmarks\tCtrl+B", false},
        {0, nullptr, true},
        {IDM_FULLSCREEN, "Full Sc&reen\tF11", true},
        {IDM_TEXT_LARGER, "&Larger Text\tCtrl+Plus", true},
        {IDM_TEXT_SMALLER, "S&maller Text\tCtrl+Minus", true},
    };
    HMENU menu = CreatePopupMenu();
    bool separator = false;
    for (const auto& item : kItems) {
        if (item.fullOnly && !full)
            continue;
        if (!item.id) {
            separator = GetMenuItemCount(menu) > 0;
            continue;
        }
        if (!ButtonOn(item.id))
            continue;
        if (separator)
            AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
        separator = false;
        AppendMenuA(menu, MF_STRING | (CanRun(item.id) ? 0 : MF_GRAYED), item.id, item.label);
    }
    // The reader's colours, for every book.
    HMENU colours = CreatePopupMenu();
    AppendMenuA(colours, MF_STRING, IDM_COLOURS_WINDOWS, "As &Windows");
    AppendMenuA(colours, MF_STRING, IDM_COLOURS_LIGHT, "&Light");
    AppendMenuA(colours, MF_STRING, IDM_COLOURS_DARK, "&Dark");
    const ColourChoice choice = m_theme.Choice();
    CheckMenuRadioItem(colours, IDM_COLOURS_WINDOWS, IDM_COLOURS_DARK,
                       choice == ColourChoice::dark    ? IDM_COLOURS_DARK
                       : choice == ColourChoice::light ? IDM_COLOURS_LIGHT
                                                       : IDM_COLOURS_WINDOWS,
                       MF_BYCOMMAND);
    if (GetMenuItemCount(menu) > 0)
        AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(colours), "Colo&urs");
    if (full) {
        AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
        for (int id : {IDM_ABOUT, IDM_EXIT}) {
            if (ButtonOn(id))
                AppendMenuA(menu, MF_STRING, id,
                            id == IDM_ABOUT ? "Abou&t...\tF1" : "E&xit\tAlt+F4");
        }
    }
    return menu;
}

std::string CMainWindow::TooltipFor(int id) const {
    for (const ButtonSpec& spec : kButtons) {
        if (spec.id == id)
            return std::string(spec.label) + " (" + spec.key + ")";
    }
    return std::string();
}

int CMainWindow::CommandForKey(UINT vk, bool ctrl, bool alt, bool shift) const {
    for (const KeySpec& k : kKeys) {
        if (k.vk != vk || ((k.mods & kCtrl) != 0) != ctrl || ((k.mods & kAlt) != 0) != alt)
            continue;
        if ((k.mods & kShift) && !shift)
            continue;
        if (k.id == IDM_FINDINPAGE && shift)
            continue;  // Ctrl+Shift+F is the book search
        if (k.id == IDM_COPY && ButtonOn(k.id))
            return 0;  // the control copies from the page or from a field in it
        return k.id > 0 && ButtonOn(k.id) ? k.id : kKeySwallowed;
    }
    return 0;
}
