// The stand-in runtime's resource requests: the page asks the viewer for an address (with a
// method and request headers), and reads the answer's body as the runtime does, rewound and to
// the end. An agile body stream is read on a thread of the stand-in's own, as the runtime reads
// one; that reader moves on by one step (a mebibyte) each time the test calls StandIn_Step, so a
// test sees whether the window's thread stays free while a large body is read. Any other stream
// is read at once, on the thread that asked.
#include "StandIn.h"

namespace {

class CHeaders final : public ComObject<CHeaders, ComItf<ICoreWebView2HttpRequestHeaders,
                                                         &kIID_ICoreWebView2HttpRequestHeaders>> {
  public:
    std::vector<std::pair<std::string, std::string>> list;
    const std::string* Find(LPCWSTR name) const {
        const std::string n = Utf8(name);
        for (const auto& h : list) {
            if (lstrcmpiA(h.first.c_str(), n.c_str()) == 0)
                return &h.second;
        }
        return nullptr;
    }
    STDMETHODIMP GetHeader(LPCWSTR name, LPWSTR* value) override {
        const std::string* v = Find(name);
        if (!v)
            return HRESULT_FROM_WIN32(ERROR_NOT_FOUND);
        *value = CoString(Wide(*v));
        return S_OK;
    }
    SLOT(GetHeaders)
    STDMETHODIMP Contains(LPCWSTR name, BOOL* contains) override {
        *contains = Find(name) ? TRUE : FALSE;
        return S_OK;
    }
    SLOT(SetHeader)
    SLOT(RemoveHeader)
    SLOT(GetIterator)
};

class CRequest final : public ComObject<CRequest, ComItf<ICoreWebView2WebResourceRequest,
                                                         &kIID_ICoreWebView2WebResourceRequest>> {
  public:
    std::wstring uri, method = L"GET";
    CComPtr<CHeaders> headers{new CHeaders};
    STDMETHODIMP get_Uri(LPWSTR* out) override {
        *out = CoString(uri);
        return S_OK;
    }
    SLOT(put_Uri)
    STDMETHODIMP get_Method(LPWSTR* out) override {
        *out = CoString(method);
        return S_OK;
    }
    SLOT(put_Method)
    SLOT(get_Content)
    SLOT(put_Content)
    STDMETHODIMP get_Headers(ICoreWebView2HttpRequestHeaders** out) override {
        *out = headers.Get();
        headers->AddRef();
        return S_OK;
    }
};

class CResourceArgs final
    : public ComObject<CResourceArgs, ComItf<ICoreWebView2WebResourceRequestedEventArgs,
                                             &kIID_ICoreWebView2WebResourceRequestedEventArgs>> {
  public:
    CComPtr<CRequest> request;
    CComPtr<CResponse> response;
    STDMETHODIMP get_Request(ICoreWebView2WebResourceRequest** out) override {
        *out = request.Get();
        request->AddRef();
        return S_OK;
    }
    SLOT(get_Response)
    STDMETHODIMP put_Response(ICoreWebView2WebResourceResponse* r) override {
        // Only responses the environment made can be given.
        response.CopyFrom(static_cast<CResponse*>(r));
        return S_OK;
    }
    SLOT(GetDeferral)
    SLOT(get_ResourceContext)
};

// "Name: value" lines joined by CR LF (or LF) as header pairs.
std::vector<std::pair<std::string, std::string>> ParseHeaders(const std::string& text) {
    std::vector<std::pair<std::string, std::string>> out;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(pos, end - pos);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const size_t colon = line.find(": ");
        if (colon != std::string::npos)
            out.emplace_back(line.substr(0, colon), line.substr(colon + 2));
        pos = end + 1;
    }
    return out;
}

// The body read in the background: how far it got, and a digest of what was read.
struct Background {
    HANDLE step = nullptr;  // one mebibyte more each time it is set
    HANDLE thread = nullptr;
    volatile LONG done = 0;  // 1 once the body was read to its end (or failed)
    uint64_t bytes = 0;
    uint32_t hash = 2166136261u;  // FNV-1a of the bytes read
    bool agile = false;
};
Background g_background;

void Digest(const char* data, size_t n) {
    for (size_t i = 0; i < n; ++i)
        g_background.hash = (g_background.hash ^ static_cast<uint8_t>(data[i])) * 16777619u;
    g_background.bytes += n;
}

// Reads all of content into the digest; stepped: waits for a step before each mebibyte.
void ReadInto(IStream* content, bool stepped) {
    LARGE_INTEGER zero = {};
    content->Seek(zero, STREAM_SEEK_SET, nullptr);
    std::vector<char> buf(64 * 1024);
    for (uint64_t sinceStep = 1u << 20;;) {
        if (stepped && sinceStep >= (1u << 20)) {
            WaitForSingleObject(g_background.step, INFINITE);
            sinceStep = 0;
        }
        ULONG n = 0;
        const HRESULT hr = content->Read(buf.data(), static_cast<ULONG>(buf.size()), &n);
        if (FAILED(hr) || n == 0)
            break;
        Digest(buf.data(), n);
        sinceStep += n;
    }
}

DWORD WINAPI ReadInBackground(void* param) {
    IStream* content = static_cast<IStream*>(param);
    ReadInto(content, true);
    content->Release();
    InterlockedExchange(&g_background.done, 1);
    return 0;
}

}  // namespace

bool Filtered(const std::vector<std::wstring>& filters, const std::wstring& uri) {
    for (const std::wstring& f : filters) {
        const std::wstring prefix = f.substr(0, f.find(L'*'));
        if (_wcsnicmp(uri.c_str(), prefix.c_str(), prefix.size()) == 0)
            return true;
    }
    return false;
}

CComPtr<CResponse> AskViewer(const ResourceTarget& target, const std::wstring& method,
                             const std::wstring& uri, const std::string& headers) {
    CComPtr<CResourceArgs> args(new CResourceArgs);
    args->request = CComPtr<CRequest>(new CRequest);
    args->request->uri = uri;
    args->request->method = method;
    args->request->headers->list = ParseHeaders(headers);
    target.handlers->Each([&](ICoreWebView2WebResourceRequestedEventHandler* h) {
        h->Invoke(target.view, args.Get());
    });
    CComPtr<CResponse> r;
    r.CopyFrom(args->response.Get());
    if (r) {
        g_record.responses +=
            std::to_string(r->status) + " " + r->ContentType() + " " + Utf8(uri.c_str()) + "\n";
    }
    return r;
}

std::string ReadAll(IStream* content) {
    std::string body;
    if (!content)
        return body;
    LARGE_INTEGER zero = {};
    content->Seek(zero, STREAM_SEEK_SET, nullptr);
    char buf[4096];
    ULONG n = 0;
    while (SUCCEEDED(content->Read(buf, sizeof(buf), &n)) && n > 0)
        body.append(buf, n);
    return body;
}

// The page asks for uri (an image, a style sheet); returns the status (0: no answer) and the
// type and body the viewer answered with.
PV_STANDIN_EXPORT int StandIn_Request(const wchar_t* uri, char* type, int typeSize, char* body,
                                      int bodySize) {
    ResourceTarget t;
    if (!CurrentResourceTarget(&t) || !Filtered(*t.filters, uri))
        return 0;
    CComPtr<CResponse> r = AskViewer(t, L"GET", uri, "");
    if (!r)
        return 0;
    CopyOut(r->ContentType(), type, typeSize);
    CopyOut(ReadAll(r->content.Get()), body, bodySize);
    return r->status;
}

// The page asks with a method and request headers ("Name: value" lines); returns the status (0:
// no answer), the response's headers as the viewer wrote them and its body.
PV_STANDIN_EXPORT int StandIn_Ask(const wchar_t* method, const wchar_t* uri, const char* headers,
                                  char* responseHeaders, int headersSize, char* body, int bodySize,
                                  int* bodyLength) {
    ResourceTarget t;
    if (!CurrentResourceTarget(&t) || !Filtered(*t.filters, uri))
        return 0;
    CComPtr<CResponse> r = AskViewer(t, method, uri, headers ? headers : "");
    if (!r)
        return 0;
    const std::string all = ReadAll(r->content.Get());
    CopyOut(r->headers, responseHeaders, headersSize);
    CopyOut(all, body, bodySize);
    if (bodyLength)
        *bodyLength = static_cast<int>(all.size());
    return r->status;
}

// The page asks for uri; its body is read as the runtime reads it: on a thread of the stand-in's
// own, one StandIn_Step at a time, when the stream is agile; at once otherwise. Returns the
// status (0: no answer, or a body still being read).
PV_STANDIN_EXPORT int StandIn_RequestInBackground(const wchar_t* uri, const char* headers) {
    ResourceTarget t;
    if (g_background.thread || !CurrentResourceTarget(&t) || !Filtered(*t.filters, uri))
        return 0;
    CComPtr<CResponse> r = AskViewer(t, L"GET", uri, headers ? headers : "");
    if (!r || !r->content)
        return 0;
    g_background = Background();
    CComPtr<IUnknown> agile;
    g_background.agile = SUCCEEDED(r->content->QueryInterface(kIID_IAgileObject, agile.Out()));
    if (!g_background.agile) {
        ReadInto(r->content.Get(), false);
        g_background.done = 1;
        return r->status;
    }
    g_background.step = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    IStream* content = r->content.Get();
    content->AddRef();
    g_background.thread = CreateThread(nullptr, 0, ReadInBackground, content, 0, nullptr);
    return r->status;
}

// Lets the background reader take one more step.
PV_STANDIN_EXPORT void StandIn_Step() {
    if (g_background.step)
        SetEvent(g_background.step);
}

// The body read in the background: -1 while it is being read; else its length, with the FNV-1a
// digest of its bytes and whether the stream was agile (read on a thread of its own).
PV_STANDIN_EXPORT int StandIn_Background(unsigned* hash, int* agile) {
    if (!InterlockedCompareExchange(&g_background.done, 0, 0))
        return -1;
    if (g_background.thread) {
        WaitForSingleObject(g_background.thread, INFINITE);
        CloseHandle(g_background.thread);
        CloseHandle(g_background.step);
        g_background.thread = nullptr;
        g_background.step = nullptr;
    }
    if (hash)
        *hash = g_background.hash;
    if (agile)
        *agile = g_background.agile ? 1 : 0;
    return static_cast<int>(g_background.bytes);
}
