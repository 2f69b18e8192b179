// The publisher's application object: owns the book project for the whole run, reads the
// remembered settings at start, runs the wizard as the program's only window, and writes the
// settings back when the wizard closes. The project, the Ui and the viewer's bytes are handed
// down to the sheet and its pages explicitly.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "compiler/StubSource.h"
#include "platform/Profile.h"
#include "project/BookProject.h"
#include "publisher/WinUi.h"

class CWizardApp {
  public:
    CWizardApp();
    ~CWizardApp();
    CWizardApp(const CWizardApp&) = delete;
    CWizardApp& operator=(const CWizardApp&) = delete;

    // The whole life of the program: the application name from the program file, start-up,
    // shutdown. Returns the process exit code.
    int Run(HINSTANCE hInstance);

    // Start-up: common controls, the remembered settings, the wizard run modally. Returns false
    // every time, since the wizard's run is the program's only loop.
    bool InitInstance();
    // Shutdown: the remembered settings written, the project reset. Returns the exit code (0).
    int ExitInstance();

    // Reads / writes the nine remembered values through the profile.
    void LoadSettings();
    void SaveSettings();

    // Takes the application name from the program file's path and keeps the settings in the
    // registry key of that name.
    void Configure(const std::string& modulePath);

    const std::string& AppName() const { return m_strAppName; }
    CBookProject& Project() { return m_project; }

  private:
    std::string m_strAppName;
    CBookProject m_project;
    WinUi m_ui;
    CModuleStubSource m_stub;
    std::unique_ptr<Profile> m_pProfile;
};
