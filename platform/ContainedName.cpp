#include "platform/ContainedName.h"

#include <vector>

#include "platform/Text.h"

namespace {

bool IsDeviceName(std::string component) {
    // Windows looks at the part before the first dot, without the spaces at its end.
    const size_t dot = component.find('.');
    if (dot != std::string::npos)
        component.resize(dot);
    while (!component.empty() && component.back() == ' ')
        component.pop_back();
    component = AnsiUpper(component);
    if (component == "CON" || component == "PRN" || component == "AUX" || component == "NUL" ||
        component == "CONIN$" || component == "CONOUT$")
        return true;
    if (component.size() != 4 ||
        (component.compare(0, 3, "COM") != 0 && component.compare(0, 3, "LPT") != 0))
        return false;
    const unsigned char digit = static_cast<unsigned char>(component[3]);
    // The superscript digits one, two and three of Windows-1252 name the same ports.
    return (digit >= '0' && digit <= '9') || digit == 0xB9 || digit == 0xB2 || digit == 0xB3;
}

// The byte at k of text is the second byte of a double-byte character.
std::vector<bool> TrailBytes(const std::string& text) {
    std::vector<bool> trail(text.size(), false);
    for (size_t k = 0; k + 1 < text.size(); ++k) {
        if (IsAnsiLeadByte(static_cast<unsigned char>(text[k])))
            trail[++k] = true;
    }
    return trail;
}

}  // namespace

std::string NameComponentProblem(const std::string& component) {
    if (component.find_first_not_of(". ") == std::string::npos)
        return component.empty() ? "an empty name" : "a name of nothing but dots and spaces";
    const std::vector<bool> trail = TrailBytes(component);
    for (size_t k = 0; k < component.size(); ++k) {
        const unsigned char c = static_cast<unsigned char>(component[k]);
        if (trail[k])
            continue;
        if (c < 0x20)
            return "holds a control character";
        switch (c) {
            case '<':
            case '>':
            case ':':
            case '"':
            case '/':
            case '\\':
            case '|':
            case '?':
            case '*':
                return std::string("holds \"") + static_cast<char>(c) +
                       "\", which Windows does not allow in a file name";
            default:
                break;
        }
    }
    if (IsDeviceName(component))
        return "a name Windows keeps for a device";
    const char last = component.back();
    if ((last == '.' || last == ' ') && !trail[component.size() - 1])
        return std::string("ends with a ") + (last == '.' ? "dot" : "space") +
               ", which Windows drops";
    return std::string();
}

std::string RelativeNameProblem(const std::string& name) {
    if (name.empty())
        return "an empty name";
    if (name[0] == '/' || name[0] == '\\')
        return "an absolute path";
    const std::vector<bool> trail = TrailBytes(name);
    std::vector<std::string> parts(1);
    for (size_t k = 0; k < name.size(); ++k) {
        if (!trail[k] && (name[k] == '/' || name[k] == '\\'))
            parts.emplace_back();
        else
            parts.back() += name[k];
    }
    for (const std::string& part : parts) {
        if (part == "..")
            return "\"..\" leads out of the folder";
        const std::string problem = NameComponentProblem(part);
        if (!problem.empty())
            return parts.size() > 1 ? "\"" + part + "\": " + problem : problem;
    }
    return std::string();
}
