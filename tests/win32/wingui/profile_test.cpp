// RegistryProfile against the real registry of the Wine prefix.
#include <gtest/gtest.h>

#include <windows.h>
#include <shlwapi.h>

#include <string>

#include "platform/Profile.h"
#include "platform/win/ScopedWin.h"

namespace {

class RegistryProfileTest : public ::testing::Test {
  protected:
    // A company of its own per run, removed at the end.
    const std::string m_company = "PvTest" + std::to_string(GetCurrentProcessId());
    RegistryProfile m_profile{m_company, "Wizard"};

    void TearDown() override {
        SHDeleteKeyA(HKEY_CURRENT_USER, ("Software\\" + m_company).c_str());
    }
    bool KeyExists(const std::string& path) {
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
            return false;
        RegCloseKey(key);
        return true;
    }
};

TEST_F(RegistryProfileTest, ReadingCreatesTheKeysAndGivesTheDefault) {
    const std::string path = "Software\\" + m_company + "\\Wizard\\Options";
    EXPECT_EQ(m_profile.KeyPath("Options"), path);
    ASSERT_FALSE(KeyExists(path));
    EXPECT_EQ(m_profile.GetProfileString("Options", "Author", "nobody"), "nobody");
    EXPECT_TRUE(KeyExists(path));
}

TEST_F(RegistryProfileTest, WrittenValuesReadBackAndAnEmptyValueStaysEmpty) {
    struct Case {
        const char* entry;
        std::string value;
    };
    const Case cases[] = {
        {"Author", "Ann \xC9lise"}, {"Copyright", ""}, {"Url", std::string(3000, 'u')}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.entry);
        m_profile.WriteProfileString("Options", c.entry, c.value);
        EXPECT_EQ(m_profile.GetProfileString("Options", c.entry, "default"), c.value);
        // Another object over the same key sees the stored value.
        RegistryProfile again(m_company, "Wizard");
        EXPECT_EQ(again.GetProfileString("Options", c.entry, "default"), c.value);
    }
    // Another program name is another key.
    RegistryProfile other(m_company, "Other");
    EXPECT_EQ(other.GetProfileString("Options", "Author", "default"), "default");
}

TEST_F(RegistryProfileTest, ValuesThatAreNotTextReadAsTheDefault) {
    m_profile.WriteProfileString("Options", "Text", "x");
    ScopedHKey key;
    HKEY raw = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, m_profile.KeyPath("Options").c_str(), 0,
                            KEY_SET_VALUE, &raw),
              ERROR_SUCCESS);
    key.reset(raw);
    const DWORD number = 7;
    RegSetValueExA(key.get(), "Number", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                   sizeof(number));
    // A string stored without its closing NUL is read to its end.
    RegSetValueExA(key.get(), "Bare", 0, REG_SZ, reinterpret_cast<const BYTE*>("abc"), 3);
    EXPECT_EQ(m_profile.GetProfileString("Options", "Number", "def"), "def");
    EXPECT_EQ(m_profile.GetProfileString("Options", "Bare", "def"), "abc");
    EXPECT_EQ(m_profile.GetProfileString("Options", "Missing", "def"), "def");
}

// A value stored as Unicode (by another program, or edited by hand) is read without best fit:
// code-page text arrives as its bytes, a text the code page cannot hold reads as the default
// rather than as a changed text.
TEST_F(RegistryProfileTest, UnicodeValuesOutsideTheCodePageReadAsTheDefault) {
    m_profile.WriteProfileString("Options", "Text", "x");
    HKEY raw = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, m_profile.KeyPath("Options").c_str(), 0,
                            KEY_SET_VALUE, &raw),
              ERROR_SUCCESS);
    ScopedHKey key(raw);
    auto setWide = [&](const wchar_t* name, const std::wstring& value) {
        RegSetValueExW(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    };
    setWide(L"Greek", L"A. \x03A9\x03BC\x03AD\x03B3\x03B1");
    setWide(L"Latin", L"Caf\x00E9 \x20AC");
    setWide(L"Macron", L"\x0101");
    EXPECT_EQ(m_profile.GetProfileString("Options", "Greek", "def"), "def");
    EXPECT_EQ(m_profile.GetProfileString("Options", "Macron", "def"), "def");
    EXPECT_EQ(m_profile.GetProfileString("Options", "Latin", "def"), "Caf\xE9 \x80");
}

}  // namespace
