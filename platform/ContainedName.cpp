#include "platform/ContainedName.h"

#include "platform/Text.h"

namespace {

bool IsDeviceName(std::string component) {
    const size_t dot = component.find('.');
    if (dot != std::string::npos)
        component.resize(dot);
    while (!component.empty() && component.back() == ' ')
        component.pop_back();
    component = AnsiUpper(component);
    if (component == "CON" || component == "PRN" || component == "AUX" || component == "NUL")
        return true;
    return component.size() == 4 &&
           (component.compare(0, 3, "COM") == 0 || component.compare(0, 3, "LPT") == 0) &&
           component[3] >= '1' && component[3] <= '9';
}

}  // namespace

bool IsNameInsideFolder(const std::string& name) {
    if (name.empty() || name[0] == '/' || name[0] == '\\')
        return false;
    std::string component;
    for (size_t k = 0; k <= name.size(); ++k) {
        const char c = k < name.size() ? name[k] : '/';
        if (c == '/' || c == '\\') {
            // Windows drops trailing dots and spaces: ". ." or "..." must not reach a parent.
            if (component.find_first_not_of(". ") == std::string::npos || IsDeviceName(component))
                return false;
            component.clear();
            continue;
        }
        if (c == ':' || static_cast<unsigned char>(c) < 0x20)
            return false;
        component += c;
    }
    return true;
}
