// The splash image shown, centred and without a frame, before the main window.
#pragma once

#include <windows.h>

struct SplashImage;

extern const char kSplashWindowClass[];

// Creates and shows the splash window; it closes itself after ms milliseconds or when clicked
// or a key is pressed. An image larger than the screen is scaled down to fit. Returns nullptr
// when the window cannot be created.
HWND CreateSplashWindow(HINSTANCE instance, const SplashImage& image, UINT ms);
// Shows the splash and returns when it has closed.
void RunSplash(HINSTANCE instance, const SplashImage& image, UINT ms);
