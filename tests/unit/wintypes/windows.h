// The few Windows types the WebView2 declarations (viewer/engines/WebViewApi.h) and their ids
// (viewer/engines/ComGuids.cpp) use, so that the native tests can compile them and check their
// layout against the published interface definition. Only webview_api_test.cpp and ComGuids.cpp
// see this header; nothing here is ever called.
#pragma once

#include <cstdint>

#define STDMETHODCALLTYPE
#define STDMETHODIMP HRESULT STDMETHODCALLTYPE

typedef int32_t HRESULT;
typedef int BOOL;
typedef int INT;
typedef unsigned int UINT;
typedef uint32_t ULONG;
typedef uint32_t DWORD;
typedef int32_t LONG;
typedef wchar_t* LPWSTR;
typedef const wchar_t* LPCWSTR;
typedef struct HWND__* HWND;

struct RECT {
    LONG left, top, right, bottom;
};

struct GUID {
    uint32_t Data1;
    uint16_t Data2;
    uint16_t Data3;
    uint8_t Data4[8];
};
typedef GUID IID;
typedef GUID CLSID;
typedef const IID& REFIID;

struct IUnknown {
    virtual HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) = 0;
    virtual ULONG STDMETHODCALLTYPE AddRef() = 0;
    virtual ULONG STDMETHODCALLTYPE Release() = 0;
};
