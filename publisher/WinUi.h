// The Win32 Ui: message boxes, the wait cursor, the shell's folder browser and the common file
// dialogs, all owned by one window that the program sets (the wizard sheet, once it exists).
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <utility>

#include "platform/Ui.h"

class WinUi : public Ui {
  public:
    explicit WinUi(std::string appName = std::string(), HWND owner = nullptr)
        : m_appName(std::move(appName)), m_owner(owner) {}

    // The window that owns every box and dialog (nullptr: none).
    void SetOwner(HWND owner) { m_owner = owner; }
    HWND GetOwner() const { return m_owner; }
    // The caption of message boxes.
    void SetAppName(const std::string& name) { m_appName = name; }
    const std::string& GetAppName() const { return m_appName; }

    // A message box with the icon and buttons asked for; words too wide for the screen are
    // broken first (see WrapLongWords). An OK-only box always answers OK
    // (however it was closed); another box that could not be shown answers as if cancelled
    // (Cancel, or No where there is no Cancel).
    MsgAnswer ShowMessage(const std::string& text, MsgIcon icon, MsgButtons buttons) override;
    // The same with the text as it is, beyond the ANSI code page.
    MsgAnswer ShowMessageUtf8(const std::string& utf8, MsgIcon icon, MsgButtons buttons) override;
    void BeginWaitCursor() override;
    void EndWaitCursor() override;
    // SHBrowseForFolderA titled "Select an e-book project directory", starting at initial.
    FolderBrowse BrowseForFolder(const std::string& initial, std::string* chosen) override;
    // GetOpenFileNameA / GetSaveFileNameA, explorer style, with spec's flags.
    bool FileDialog(const FileDialogSpec& spec, std::string* chosen) override;

    // The MessageBoxA style for an icon and buttons (for tests and for callers that build their
    // own boxes).
    static UINT MessageBoxStyle(MsgIcon icon, MsgButtons buttons);
    // text with every word (a run without spaces or line breaks, such as a path) that fits()
    // says is too long (it gives how many characters of a word fit, all of them when it fits)
    // broken after the last backslash or slash that fits, or where the width ends when there is
    // none. The message box itself breaks lines at spaces.
    static std::wstring WrapLongWords(const std::wstring& text,
                                      const std::function<size_t(const std::wstring&)>& fits);
    // A filter "Name|*.ext|...||" in the system's form: '|' becomes NUL, ending in two NULs.
    static std::string SystemFilter(const std::string& filter);

  private:
    MsgAnswer ShowWide(const std::wstring& text, MsgIcon icon, MsgButtons buttons);

    std::string m_appName;
    HWND m_owner;
};
