// Screenshots of the whole display for the publisher's Windows tests: test artifacts, written as
// publisher-<name>.bmp to the current folder (the build folder under ctest), never committed.
#pragma once

#include <windows.h>

#include <string>

void SaveScreenshot(const std::string& name);
// The same for the part of the display that window covers (its frame included).
void SaveScreenshot(const std::string& name, HWND window);
