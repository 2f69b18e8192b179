// Remembered settings: named values in sections, read with a default and written back. The
// Windows programs keep them in the registry (RegistryProfile); tests use MemoryProfile.
#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

class Profile {
  public:
    virtual ~Profile() = default;
    // The value of entry in section, or def when there is none or it cannot be read. An
    // existing empty value is returned as it is (empty), not replaced by def.
    virtual std::string GetProfileString(const std::string& section, const std::string& entry,
                                         const std::string& def) = 0;
    // Stores value; failures are silent (settings are a convenience, never a reason to stop).
    virtual void WriteProfileString(const std::string& section, const std::string& entry,
                                    const std::string& value) = 0;
};

// Values in memory, for tests and for programs without a place to keep settings.
class MemoryProfile : public Profile {
  public:
    std::string GetProfileString(const std::string& section, const std::string& entry,
                                 const std::string& def) override {
        const auto it = values.find({section, entry});
        return it == values.end() ? def : it->second;
    }
    void WriteProfileString(const std::string& section, const std::string& entry,
                            const std::string& value) override {
        values[{section, entry}] = value;
        writes.push_back({section, entry});
    }

    std::map<std::pair<std::string, std::string>, std::string> values;
    // Every write in order (section, entry), for tests of the order of writes.
    std::vector<std::pair<std::string, std::string>> writes;
};

// Windows builds only: values under HKEY_CURRENT_USER\Software\<company>\<appName>\<section>,
// stored as REG_SZ. Every key on the way is created or opened, on reading as on writing, so a
// first run leaves the program's key in place. Failures are silent: a missing, unreadable or
// non-text value reads as the default, and so does a text that the ANSI code page cannot hold
// unchanged (the value is read as Unicode and converted without best fit); a write that fails
// is dropped.
class RegistryProfile : public Profile {
  public:
    RegistryProfile(std::string company, std::string appName)
        : m_company(std::move(company)), m_appName(std::move(appName)) {}
    std::string GetProfileString(const std::string& section, const std::string& entry,
                                 const std::string& def) override;
    void WriteProfileString(const std::string& section, const std::string& entry,
                            const std::string& value) override;
    // "Software\<company>\<appName>\<section>"
    std::string KeyPath(const std::string& section) const;

  private:
    std::string m_company;
    std::string m_appName;
};
