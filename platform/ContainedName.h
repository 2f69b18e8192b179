// Relative names that cannot reach outside the folder they are taken in.
#pragma once

#include <string>

// True when a relative name (either slash) names a file below its folder, on Windows as on
// Linux: not empty, not absolute, no drive or stream colon, no control characters, and no
// component that is empty, "." or ".." (or, as Windows reads names, only dots and spaces) or a
// device name (CON, NUL, COM1, ... with any extension).
bool IsNameInsideFolder(const std::string& name);
