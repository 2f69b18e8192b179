// A Ui for tests: records every message and dialog, answers from a script.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "platform/Ui.h"

class ScriptedUi : public Ui {
  public:
    struct Message {
        std::string text;
        MsgIcon icon;
        MsgButtons buttons;
        bool bUtf8 = false;  // shown through ShowMessageUtf8
    };

    // Answers given to message boxes, in order; when empty, the first button (OK / Yes).
    std::deque<MsgAnswer> answers;
    // Results of file dialogs and folder browsers, in order; an empty string cancels, and kNoPath
    // makes a folder browse end with FolderBrowse::noPath. When the queue is empty the dialog
    // is cancelled.
    std::deque<std::string> dialogResults;

    static inline const std::string kNoPath = "<no file-system path>";

    std::vector<Message> messages;
    std::vector<FileDialogSpec> fileDialogs;
    std::vector<std::string> folderBrowses;  // the initial folder of each browse
    int waitDepth = 0;
    int waitCalls = 0;

    MsgAnswer ShowMessage(const std::string& text, MsgIcon icon, MsgButtons buttons) override {
        messages.push_back({text, icon, buttons});
        if (!answers.empty()) {
            const MsgAnswer a = answers.front();
            answers.pop_front();
            return a;
        }
        return (buttons == MsgButtons::yesNo || buttons == MsgButtons::yesNoCancel) ? MsgAnswer::yes
                                                                                    : MsgAnswer::ok;
    }
    MsgAnswer ShowMessageUtf8(const std::string& utf8, MsgIcon icon, MsgButtons buttons) override {
        const MsgAnswer a = ShowMessage(utf8, icon, buttons);
        messages.back().bUtf8 = true;
        return a;
    }
    void BeginWaitCursor() override {
        ++waitDepth;
        ++waitCalls;
    }
    void EndWaitCursor() override { --waitDepth; }
    FolderBrowse BrowseForFolder(const std::string& initial, std::string* chosen) override {
        folderBrowses.push_back(initial);
        if (!dialogResults.empty() && dialogResults.front() == kNoPath) {
            dialogResults.pop_front();
            return FolderBrowse::noPath;
        }
        return Next(chosen) ? FolderBrowse::chosen : FolderBrowse::cancelled;
    }
    bool FileDialog(const FileDialogSpec& spec, std::string* chosen) override {
        fileDialogs.push_back(spec);
        return Next(chosen);
    }

  private:
    bool Next(std::string* chosen) {
        if (dialogResults.empty())
            return false;
        *chosen = dialogResults.front();
        dialogResults.pop_front();
        return !chosen->empty();
    }
};
