// What the parts of the stand-in WebView2 runtime share (StandInRuntime.cpp: the environment,
// the control and its web view; StandInResources.cpp: the resource requests the viewer answers):
// text helpers, the record the tests read back, event handler lists and work done later in the
// message loop.
#pragma once

#include <windows.h>
#include <objidl.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "platform/win/ComPtr.h"
#include "viewer/engines/WebViewApi.h"

#define PV_STANDIN_EXPORT extern "C" __declspec(dllexport)
// A method the viewer never calls: its slot, filled.
#define SLOT(name) \
    void STDMETHODCALLTYPE unused_##name() override {}

inline std::string Utf8(const wchar_t* w) {
    if (!w || !*w)
        return std::string();
    const int n = WideCharToMultiByte(CP_UTF8, 0, w, -1, nullptr, 0, nullptr, nullptr);
    std::string s(static_cast<size_t>(n > 0 ? n - 1 : 0), '\0');
    if (n > 1)
        WideCharToMultiByte(CP_UTF8, 0, w, -1, &s[0], n, nullptr, nullptr);
    return s;
}

inline std::wstring Wide(const std::string& s) {
    if (s.empty())
        return std::wstring();
    const int n = MultiByteToWideChar(CP_UTF8, 0, s.c_str(), -1, nullptr, 0);
    std::wstring w(static_cast<size_t>(n > 0 ? n - 1 : 0), L'\0');
    if (n > 1)
        MultiByteToWideChar(CP_UTF8, 0, s.c_str(), -1, &w[0], n);
    return w;
}

inline LPWSTR CoString(const std::wstring& s) {
    LPWSTR p = static_cast<LPWSTR>(CoTaskMemAlloc((s.size() + 1) * sizeof(wchar_t)));
    if (p)
        std::memcpy(p, s.c_str(), (s.size() + 1) * sizeof(wchar_t));
    return p;
}

inline void CopyOut(const std::string& s, char* out, int size) {
    if (!out || size <= 0)
        return;
    const size_t n = s.size() < static_cast<size_t>(size - 1) ? s.size() : size - 1;
    std::memcpy(out, s.data(), n);
    out[n] = '\0';
}

// PV_STANDIN_FAIL: "create" (the entry point refuses), "environment" or "controller" (the
// asynchronous creation reports an error), "script" (the page script cannot be added).
std::string FailMode();
// Work done later, in the message loop, as the runtime's own callbacks arrive.
void Later(std::function<void()> fn);

// What the tests read back.
struct Record {
    int environments = 0;
    int runtimeType = -1;
    std::string dataFolder;
    std::string settings;
    std::string filters;
    std::string documentScripts;
    std::string scripts;    // every ExecuteScript, one per line
    std::string navigated;  // every Navigate call, one per line
    std::string responses;  // "status type url" of every answer the viewer gave, one per line
    // The start in order, one step a line: "script" (added), "script ready" (its completion
    // handler called), "navigate URL".
    std::string order;
    double zoom = 1.0;
    int visible = -1;
    int closed = 0;
    int moved = 0;         // NotifyParentWindowPositionChanged calls
    int colorScheme = -1;  // the profile's PreferredColorScheme, -1 before the viewer sets it
    RECT bounds = {0, 0, 0, 0};
};
extern Record g_record;

template <class T>
struct Handlers {
    std::vector<T*> list;
    void Add(T* h, WebViewEventToken* token) {
        h->AddRef();
        list.push_back(h);
        if (token)
            token->value = static_cast<int64_t>(list.size());
    }
    ~Handlers() {
        for (T* h : list)
            h->Release();
    }
    template <class F>
    void Each(F f) {
        const std::vector<T*> copy = list;
        for (T* h : copy)
            f(h);
    }
};

// An answer the viewer made with CreateWebResourceResponse: its body stays a stream until the
// page reads it.
class CResponse final
    : public ComObject<CResponse, ComItf<ICoreWebView2WebResourceResponse,
                                         &kIID_ICoreWebView2WebResourceResponse>> {
  public:
    int status = 0;
    std::string reason, headers;
    CComPtr<IStream> content;
    // The value of a header, "" without one.
    std::string Header(const char* name) const {
        const std::string key = std::string(name) + ": ";
        const size_t at = headers.find(key);
        if (at == std::string::npos || (at > 0 && headers[at - 1] != '\n'))
            return std::string();
        const size_t end = headers.find('\r', at);
        return headers.substr(at + key.size(),
                              end == std::string::npos ? end : end - at - key.size());
    }
    std::string ContentType() const { return Header("Content-Type"); }
    SLOT(get_Content)
    SLOT(put_Content)
    SLOT(get_Headers)
    SLOT(get_StatusCode)
    SLOT(put_StatusCode)
    SLOT(get_ReasonPhrase)
    SLOT(put_ReasonPhrase)
};

// The newest control's web view as the resource hooks see it.
struct ResourceTarget {
    ICoreWebView2* view = nullptr;
    Handlers<ICoreWebView2WebResourceRequestedEventHandler>* handlers = nullptr;
    const std::vector<std::wstring>* filters = nullptr;
};
// False when no control was made yet (StandInRuntime.cpp).
bool CurrentResourceTarget(ResourceTarget* target);
// True when a filter the viewer added covers uri.
bool Filtered(const std::vector<std::wstring>& filters, const std::wstring& uri);
// Asks the viewer for uri as a page does (method, and request headers as "Name: value" lines
// joined by CR LF); the answer, or nothing when none was given. Each answer is recorded.
CComPtr<CResponse> AskViewer(const ResourceTarget& target, const std::wstring& method,
                             const std::wstring& uri, const std::string& headers);
// The whole body of an answer, read as the runtime reads it: rewound, then to the end.
std::string ReadAll(IStream* content);
