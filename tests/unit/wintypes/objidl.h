// IStream as the WebView2 declarations name it (see windows.h here): a parameter type only.
#pragma once

#include <windows.h>

struct IStream : IUnknown {};
