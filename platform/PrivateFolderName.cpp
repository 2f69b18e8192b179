// The form of the names of safe saves' private folders (ReplaceFile.h), on its own so that a
// program which only reads files (the viewer) does not carry the saving code with it.
#include "platform/ReplaceFile.h"

size_t PathNameStart(const std::string& path) {
#ifdef _WIN32
    const size_t sep = path.find_last_of("\\/:");
#else
    const size_t sep = path.find_last_of("\\/");
#endif
    return sep == std::string::npos ? 0 : sep + 1;
}

bool IsPrivateFolderName(const std::string& name) {
    const size_t prefix = sizeof kPrivateFolderPrefix - 1;
    if (name.size() != prefix + kPrivateFolderDigits ||
        name.compare(0, prefix, kPrivateFolderPrefix) != 0)
        return false;
    for (size_t i = prefix; i < name.size(); ++i) {
        const char c = name[i];
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
            return false;
    }
    return true;
}

bool IsInPrivateFolder(const std::string& path) {
    const size_t end = PathNameStart(path);
    if (end < 2)
        return false;
    const std::string folder = path.substr(0, end - 1);
    return IsPrivateFolderName(folder.substr(PathNameStart(folder)));
}
