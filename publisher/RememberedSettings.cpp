#include "publisher/RememberedSettings.h"

#include "project/FirstRunTexts.h"

const char kProfileCompany[] = "Tessaly";
const char kProfileSection[] = "Options";

namespace {

const RememberedValue kValues[] = {
    {"LastProject", &CBookProject::m_strLastProject},
    {"LastProjectFile", &CBookProject::m_strLastProjectFile},
    {"LastIcon", &CBookProject::m_strLastIcon},
    {"LastSplash", &CBookProject::m_strLastSplash},
    {"LastEBook", &CBookProject::m_strLastEBook},
    {"LastAuthor", &CBookProject::m_strAuthor},
    {"LastCopyright", &CBookProject::m_strCopyright},
    {"LastUrl", &CBookProject::m_strUrl},
    {"LastEMail", &CBookProject::m_strEMail},
};

}  // namespace

const RememberedValue* RememberedValues(size_t* count) {
    *count = sizeof kValues / sizeof kValues[0];
    return kValues;
}

void ReadRememberedSettings(Profile& profile, CBookProject& project, int year) {
    const std::string defaults[] = {
        "", "", "", "", "", kFirstRunAuthor, FirstRunCopyright(year), kFirstRunUrl, kFirstRunEMail};
    size_t i = 0;
    for (const RememberedValue& value : kValues) {
        project.*value.pField =
            profile.GetProfileString(kProfileSection, value.pszEntry, defaults[i++]);
    }
}

void WriteRememberedSettings(Profile& profile, const CBookProject& project) {
    for (const RememberedValue& value : kValues)
        profile.WriteProfileString(kProfileSection, value.pszEntry, project.*value.pField);
}

std::string AppNameFromModulePath(const std::string& modulePath) {
    const size_t slash = modulePath.find_last_of("\\/:");
    const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    // The extension is cut only where the dot belongs to the file name itself: a dot in a
    // folder's name ("C:\my.tools\maker") does not make the folder's name the application's.
    const size_t dot = modulePath.rfind('.');
    const size_t nameEnd = dot == std::string::npos || dot < nameStart ? modulePath.size() : dot;
    return modulePath.substr(nameStart, nameEnd - nameStart);
}
