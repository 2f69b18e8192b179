// Everything the core asks of a person goes through this interface: the Win32 front end shows
// real windows, the command line prints and answers from its flags, and tests script the answers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

enum class MsgIcon { none, stop, exclamation, question, information };
enum class MsgButtons { ok, okCancel, yesNo, yesNoCancel };
enum class MsgAnswer { ok, cancel, yes, no };
// How a folder browse ended: a folder chosen, cancelled, or a choice that has no file-system
// path (a virtual folder such as the Control Panel); the caller says what it makes of that.
enum class FolderBrowse { chosen, cancelled, noPath };

// Flags of the common file dialogs; the values are Windows' own OFN_ constants.
enum : unsigned {
    kOfnOverwritePrompt = 0x00000002,
    kOfnHideReadOnly = 0x00000004,
    kOfnPathMustExist = 0x00000800,
    kOfnFileMustExist = 0x00001000,
};

struct FileDialogSpec {
    bool bSave = false;     // save dialog, else open dialog
    std::string strTitle;   // empty: the system's default title
    std::string strFilter;  // "Name|*.ext|All Files (*.*)|*.*||"
    std::string strDefExt;  // without the dot
    std::string strInitialName;
    unsigned uFlags = 0;  // kOfn... flags
};

class Ui {
  public:
    virtual ~Ui() = default;

    // Shows a message box and returns the button pressed.
    virtual MsgAnswer ShowMessage(const std::string& text, MsgIcon icon, MsgButtons buttons) = 0;
    // The same for text in UTF-8, for messages that name what the ANSI code page cannot hold
    // (file names, typed texts). A front end that can show Unicode shows it as it is; the
    // default shows it through ShowMessage with "?" for each character the code page lacks.
    virtual MsgAnswer ShowMessageUtf8(const std::string& utf8, MsgIcon icon, MsgButtons buttons);

    // Shows / restores the wait cursor; calls nest.
    virtual void BeginWaitCursor() = 0;
    virtual void EndWaitCursor() = 0;

    // Lets the person pick a folder, starting at initial. *chosen is set only for
    // FolderBrowse::chosen.
    virtual FolderBrowse BrowseForFolder(const std::string& initial, std::string* chosen) = 0;

    // Shows an open or save dialog. Returns false when cancelled.
    virtual bool FileDialog(const FileDialogSpec& spec, std::string* chosen) = 0;
    // How far a long operation has come: files done of total, bytes read so far. Called after
    // every file, so it must be cheap; showing it is up to the front end (none by default).
    virtual void ShowProgress(size_t /*done*/, size_t /*total*/, uint64_t /*bytes*/) {}
};

// Shows the wait cursor for the lifetime of the object.
class CWaitCursor {
  public:
    explicit CWaitCursor(Ui& ui) : m_ui(ui) { m_ui.BeginWaitCursor(); }
    ~CWaitCursor() { m_ui.EndWaitCursor(); }
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;

  private:
    Ui& m_ui;
};
