#include "viewer/Theme.h"

#include <uxtheme.h>

#include <vector>

#include "platform/Profile.h"

namespace {

// The reader's choice, a value of the viewer's own key (not of a book's section).
const char kChoiceEntry[] = "Colours";

// The dark palette, in ThemeColour order: near-black surfaces in two steps, so that the toolbar
// and dialogs stand apart from the pane and the page, and text light enough for the contrast
// that accessibility guidelines ask of body text (above 7:1).
const COLORREF kDark[] = {
    RGB(32, 32, 32),     // window
    RGB(240, 240, 240),  // text
    RGB(43, 43, 43),     // face
    RGB(240, 240, 240),  // faceText
    RGB(160, 160, 160),  // grey
    RGB(70, 70, 70),     // hot
    RGB(120, 180, 255),  // link
};

bool RealAppsUseLight() {
    HKEY raw = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER,
                      L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize", 0,
                      KEY_QUERY_VALUE, &raw) != ERROR_SUCCESS)
        return true;
    ScopedHKey key(raw);
    DWORD value = 1, type = 0, size = sizeof(value);
    if (RegQueryValueExW(key.get(), L"AppsUseLightTheme", nullptr, &type,
                         reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof(value))
        return true;
    return value != 0;
}

bool RealHighContrast() {
    HIGHCONTRASTW hc = {};
    hc.cbSize = sizeof(hc);
    return SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof(hc), &hc, 0) &&
           (hc.dwFlags & HCF_HIGHCONTRASTON) != 0;
}

using SetAttributeFn = HRESULT(WINAPI*)(HWND, DWORD, LPCVOID, DWORD);

// dwmapi.dll is loaded when first needed: Windows before Vista has none.
HRESULT WINAPI RealSetWindowAttribute(HWND hwnd, DWORD attribute, LPCVOID value, DWORD size) {
    static SetAttributeFn fn = [] {
        HMODULE dwm = LoadLibraryA("dwmapi.dll");
        const FARPROC proc = dwm ? GetProcAddress(dwm, "DwmSetWindowAttribute") : nullptr;
        return reinterpret_cast<SetAttributeFn>(reinterpret_cast<void*>(proc));
    }();
    return fn ? fn(hwnd, attribute, value, size) : E_NOTIMPL;
}

ThemeSystem& System() {
    static ThemeSystem system = RealThemeSystem();
    return system;
}

}  // namespace

ThemeSystem RealThemeSystem() {
    return ThemeSystem{RealAppsUseLight, RealHighContrast, RealSetWindowAttribute};
}

void SetThemeSystem(const ThemeSystem& system) {
    System() = system;
}

CTheme::CTheme() {
    Refresh();
}

void CTheme::LoadChoice(Profile* profile) {
    m_profile = profile;
    const std::string value = profile ? profile->GetProfileString("", kChoiceEntry, "") : "";
    m_choice = value == "dark"    ? ColourChoice::dark
               : value == "light" ? ColourChoice::light
                                  : ColourChoice::followWindows;
    Refresh();
}

bool CTheme::SetChoice(ColourChoice choice) {
    m_choice = choice;
    if (m_profile)
        m_profile->WriteProfileString("", kChoiceEntry,
                                      choice == ColourChoice::dark    ? "dark"
                                      : choice == ColourChoice::light ? "light"
                                                                      : "windows");
    return Refresh();
}

bool CTheme::Refresh() {
    const bool wasDark = m_bDark, wasHigh = m_bHighContrast;
    const ThemeSystem& system = System();
    m_bHighContrast = system.highContrast && system.highContrast();
    if (m_bHighContrast)
        m_bDark = false;
    else if (m_choice == ColourChoice::followWindows)
        m_bDark = system.appsUseLight && !system.appsUseLight();
    else
        m_bDark = m_choice == ColourChoice::dark;
    if (m_bDark && !m_brushes[0])
        MakeBrushes();
    // Under high contrast the system colours themselves may have changed: always redraw.
    return wasDark != m_bDark || wasHigh != m_bHighContrast || m_bHighContrast;
}

void CTheme::MakeBrushes() {
    for (size_t i = 0; i < sizeof(kDark) / sizeof(kDark[0]); ++i)
        m_brushes[i].reset(CreateSolidBrush(kDark[i]));
}

PageScheme CTheme::SchemeForPages() const {
    if (m_bHighContrast)
        return PageScheme::automatic;
    return m_bDark ? PageScheme::dark : PageScheme::light;
}

COLORREF CTheme::Colour(ThemeColour which) const {
    const int i = static_cast<int>(which);
    if (m_bDark)
        return kDark[i];
    static const int kSystem[] = {COLOR_WINDOW,   COLOR_WINDOWTEXT, COLOR_BTNFACE, COLOR_BTNTEXT,
                                  COLOR_GRAYTEXT, COLOR_BTNFACE,    COLOR_HOTLIGHT};
    // The links keep the blue of a web page unless high contrast names its own.
    if (which == ThemeColour::link && !m_bHighContrast)
        return RGB(0, 0, 204);
    return GetSysColor(kSystem[i]);
}

HBRUSH CTheme::Brush(ThemeColour which) const {
    const int i = static_cast<int>(which);
    if (m_bDark && m_brushes[i])
        return m_brushes[i].get();
    return GetSysColorBrush(which == ThemeColour::window ? COLOR_WINDOW : COLOR_BTNFACE);
}

void CTheme::ApplyFrame(HWND window) const {
    const SetAttributeFn set = System().setWindowAttribute;
    if (!window || !set)
        return;
    const BOOL dark = m_bDark ? TRUE : FALSE;
    if (FAILED(set(window, 20, &dark, sizeof(dark))))
        set(window, 19, &dark, sizeof(dark));
    // The caption is drawn again only when the frame changes.
    SetWindowPos(window, nullptr, 0, 0, 0, 0,
                 SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CTheme::ApplyControl(HWND control) const {
    if (control)
        SetWindowTheme(control, m_bDark ? L"DarkMode_Explorer" : nullptr, nullptr);
}

HBRUSH CTheme::CtlColour(UINT msg, HDC dc) const {
    if (!m_bDark)
        return nullptr;
    const bool field = msg == WM_CTLCOLOREDIT || msg == WM_CTLCOLORLISTBOX;
    const ThemeColour back = field ? ThemeColour::window : ThemeColour::face;
    SetTextColor(dc, Colour(field ? ThemeColour::text : ThemeColour::faceText));
    SetBkColor(dc, Colour(back));
    return Brush(back);
}

void LightenOutlines(HBITMAP bitmap) {
    BITMAP bm = {};
    if (!bitmap || !GetObjectA(bitmap, sizeof(bm), &bm) || bm.bmWidth <= 0 || bm.bmHeight <= 0)
        return;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = bm.bmWidth;
    info.bmiHeader.biHeight = bm.bmHeight;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    std::vector<DWORD> pixels(static_cast<size_t>(bm.bmWidth) * bm.bmHeight);
    ScopedGetDC screen(nullptr);
    if (!GetDIBits(screen.get(), bitmap, 0, bm.bmHeight, pixels.data(), &info, DIB_RGB_COLORS))
        return;
    for (DWORD& p : pixels) {
        if ((p & 0xFFFFFF) == 0)
            p = 0xC8C8C8;
    }
    SetDIBits(screen.get(), bitmap, 0, bm.bmHeight, pixels.data(), &info, DIB_RGB_COLORS);
}
