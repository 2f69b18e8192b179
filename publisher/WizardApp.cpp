#include "publisher/WizardApp.h"

#include <commctrl.h>

#include <ctime>

#include "publisher/RememberedSettings.h"
#include "publisher/WizardSheet.h"

namespace {

int CurrentLocalYear() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_s(&local, &now);
    return local.tm_year + 1900;
}

std::string ModulePath(HINSTANCE hInstance) {
    char path[MAX_PATH + 1] = {};
    const DWORD n = ::GetModuleFileNameA(hInstance, path, MAX_PATH);
    return std::string(path, n < MAX_PATH ? n : MAX_PATH);
}

}  // namespace

CWizardApp::CWizardApp() = default;

CWizardApp::~CWizardApp() = default;

void CWizardApp::Configure(const std::string& modulePath) {
    m_strAppName = AppNameFromModulePath(modulePath);
    m_pProfile = std::make_unique<RegistryProfile>(kProfileCompany, m_strAppName);
    m_ui.SetAppName(m_strAppName);
}

int CWizardApp::Run(HINSTANCE hInstance) {
    Configure(ModulePath(hInstance));
    InitInstance();
    return ExitInstance();
}

void CWizardApp::LoadSettings() {
    ReadRememberedSettings(*m_pProfile, m_project, CurrentLocalYear());
}

void CWizardApp::SaveSettings() {
    WriteRememberedSettings(*m_pProfile, m_project);
}

bool CWizardApp::InitInstance() {
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&icc);
    LoadSettings();
    {
        CWizardSheet sheet(m_project, m_ui, m_stub);
        sheet.SetOnCreated([this](HWND hSheet) { m_ui.SetOwner(hSheet); });
        // Every way out of the wizard leads to the same shutdown: the result is not looked at.
        sheet.DoModal();
    }
    m_ui.SetOwner(nullptr);
    return false;
}

int CWizardApp::ExitInstance() {
    SaveSettings();
    m_project.ResetProject();
    return 0;
}
