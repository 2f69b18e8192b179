// Helpers for the viewer's Windows tests: screenshots of the display written as .bmp files next
// to the test (test artifacts); the pumps and the temporary folder come from tests/support.
#pragma once

#include <windows.h>

#include <initializer_list>
#include <string>

#include "MessagePump.h"
#include "TempFolder.h"

// Saves the whole screen as viewer-<name>.bmp in the current folder (the build folder under
// ctest), so that a person can look at what the windows really showed.
void SaveScreenshot(const char* name);

// The colour of one pixel of the screen.
COLORREF ScreenPixel(int x, int y);

// Presses the keys together (in order) and lets them go (in reverse), as a person does, through
// SendInput; Left, Right, Home, Page Up, Page Down, Insert and Delete go as extended keys.
void Press(std::initializer_list<WORD> keys);
