// Pagevane.exe's entry point. The application object is static: it exists before WinMain
// runs and holds the book project until the process ends.
#include <windows.h>

#include "publisher/WizardApp.h"

namespace {
CWizardApp theApp;
}

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int) {
    return theApp.Run(hInstance);
}
