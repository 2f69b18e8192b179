// The viewer's colours. Windows' app mode (Settings > Personalisation > Colours) says light or
// dark, the reader may override it for every book, and high contrast wins over both: then the
// system's own colours are used everywhere and nothing is forced dark.
//
// Light and high contrast draw with the system colours (GetSysColor); dark draws with a fixed
// palette. The main window owns one CTheme and hands it to its dialogs; when it changes (the
// reader's choice, WM_SETTINGCHANGE "ImmersiveColorSet", a high-contrast switch) the window
// sends WM_PV_THEME_CHANGED to the dialogs it owns.
#pragma once

#include <windows.h>

#include "platform/win/ScopedWin.h"
#include "viewer/PageEngine.h"

class Profile;

// Sent by the main window to the windows it owns after its colours changed.
const UINT WM_PV_THEME_CHANGED = WM_APP + 50;

// The reader's choice, remembered for the user in the viewer's own key.
enum class ColourChoice { followWindows, light, dark };

enum class ThemeColour {
    window,    // behind text the reader reads: the pane, lists, fields, the page's message
    text,      // on window
    face,      // the toolbar and dialogs
    faceText,  // labels on face
    grey,      // secondary text
    hot,       // a toolbar button under the mouse
    link,      // the About box's links
};

// Where the theme learns about the system; tests replace it (SetThemeSystem).
struct ThemeSystem {
    // Windows' app mode: true unless HKCU\...\Themes\Personalize's AppsUseLightTheme is 0.
    bool (*appsUseLight)();
    bool (*highContrast)();
    // DwmSetWindowAttribute; may be null (no dwmapi).
    HRESULT(WINAPI* setWindowAttribute)(HWND, DWORD, LPCVOID, DWORD);
};
// The real system.
ThemeSystem RealThemeSystem();
// Replaces the system for every theme of the process (tests); RealThemeSystem() puts it back.
void SetThemeSystem(const ThemeSystem& system);

class CTheme {
  public:
    CTheme();
    CTheme(const CTheme&) = delete;
    CTheme& operator=(const CTheme&) = delete;

    // The reader's choice from the viewer's key (profile section ""); none, or a value that is
    // not understood, follows Windows. Without a profile the choice is not remembered.
    void LoadChoice(Profile* profile);
    // Sets the choice, writes it to the profile and reads the system again. True when the colours
    // changed.
    bool SetChoice(ColourChoice choice);
    ColourChoice Choice() const { return m_choice; }

    // Reads Windows' app mode and high contrast again; true when the colours changed.
    bool Refresh();
    bool IsDark() const { return m_bDark; }
    bool IsHighContrast() const { return m_bHighContrast; }
    // What pages are asked to prefer: automatic under high contrast (the engine applies the
    // system's forced colours itself), else light or dark as the frame.
    PageScheme SchemeForPages() const;

    COLORREF Colour(ThemeColour which) const;
    // A brush of the colour, owned by the theme (or a system brush).
    HBRUSH Brush(ThemeColour which) const;

    // Sets the title bar of a top-level window dark or light (DWM's immersive dark mode attribute:
    // 20 since Windows 10 20H1, 19 before; the older value is tried when the newer is refused).
    void ApplyFrame(HWND window) const;
    // Dark scroll bars and buttons where the visual styles have them; the default otherwise.
    void ApplyControl(HWND control) const;
    // The answer to a WM_CTLCOLOR* message of a dialog: the brush (and dc's colours) of the
    // palette when dark, nullptr (the dialog's default) otherwise.
    HBRUSH CtlColour(UINT msg, HDC dc) const;

  private:
    void MakeBrushes();

    Profile* m_profile = nullptr;
    ColourChoice m_choice = ColourChoice::followWindows;
    bool m_bDark = false;
    bool m_bHighContrast = false;
    ScopedGdiObj<HBRUSH> m_brushes[7];  // dark only, by ThemeColour
};

// Draws the black of a bitmap in light grey: the toolbar's glyphs, outlined in black for a light
// toolbar, stay visible on a dark one.
void LightenOutlines(HBITMAP bitmap);
