#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "publisher/WizardApp.h"

namespace {

std::string RegValue(const std::string& key, const char* name, bool* exists) {
    char data[512] = {};
    DWORD size = sizeof data;
    DWORD type = 0;
    HKEY h = nullptr;
    *exists = false;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS)
        return "";
    if (::RegQueryValueExA(h, name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size) ==
            ERROR_SUCCESS &&
        type == REG_SZ)
        *exists = true;
    ::RegCloseKey(h);
    return data;
}

// The settings live under Software\Tessaly\<program file name>\Options: written at exit, read at
// the next start; a program file of another name starts from the defaults.
TEST(WizardApp, SettingsFollowTheProgramFileName) {
    const std::string name = "pv-app-test-" + std::to_string(::GetCurrentProcessId());
    const std::string key = "Software\\Tessaly\\" + name + "\\Options";
    {
        CWizardApp app;
        app.Configure("C:\\Program Files\\Pagevane\\" + name + ".exe");
        EXPECT_EQ(app.AppName(), name);
        app.LoadSettings();
        EXPECT_EQ(app.Project().m_strAuthor, "*Your Name*");
        app.Project().m_strAuthor.clear();
        app.Project().m_strLastProject = "C:\\books\\one";
        app.Project().AddPage(std::make_unique<CPieceElem>());
        EXPECT_EQ(app.ExitInstance(), 0);
        EXPECT_TRUE(app.Project().m_arrPages.empty());
    }
    const char* const names[] = {"LastProject",   "LastProjectFile", "LastIcon",
                                 "LastSplash",    "LastEBook",       "LastAuthor",
                                 "LastCopyright", "LastUrl",         "LastEMail"};
    for (const char* value : names) {
        SCOPED_TRACE(value);
        bool exists = false;
        RegValue(key, value, &exists);
        EXPECT_TRUE(exists);
    }
    bool exists = false;
    EXPECT_EQ(RegValue(key, "LastProject", &exists), "C:\\books\\one");

    CWizardApp next;
    next.Configure("D:\\elsewhere\\" + name + ".exe");
    next.LoadSettings();
    EXPECT_EQ(next.Project().m_strAuthor, "");
    EXPECT_EQ(next.Project().m_strLastProject, "C:\\books\\one");

    CWizardApp other;
    other.Configure("C:\\Program Files\\Pagevane\\" + name + "-renamed.exe");
    other.LoadSettings();
    EXPECT_EQ(other.Project().m_strAuthor, "*Your Name*");
    EXPECT_EQ(other.Project().m_strLastProject, "");

    ::RegDeleteKeyA(HKEY_CURRENT_USER, key.c_str());
    ::RegDeleteKeyA(HKEY_CURRENT_USER, ("Software\\Tessaly\\" + name).c_str());
    ::RegDeleteKeyA(HKEY_CURRENT_USER,
                    ("Software\\Tessaly\\" + name + "-renamed\\Options").c_str());
    ::RegDeleteKeyA(HKEY_CURRENT_USER, ("Software\\Tessaly\\" + name + "-renamed").c_str());
}

}  // namespace
