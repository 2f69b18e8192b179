#include "viewer/engines/WebViewResources.h"

#include <shlwapi.h>

#include <exception>
#include <string>

#include "book/Book.h"
#include "book/BookFileReader.h"
#include "book/BookWeb.h"
#include "platform/win/ComPtr.h"
#include "platform/win/ScopedWin.h"
#include "platform/win/WinText.h"
#include "viewer/engines/WebViewApi.h"

namespace {

// A request header's value; empty when the request has none.
std::string Header(ICoreWebView2HttpRequestHeaders* headers, const wchar_t* name) {
    BOOL has = FALSE;
    LPWSTR value = nullptr;
    if (FAILED(headers->Contains(name, &has)) || !has || FAILED(headers->GetHeader(name, &value)))
        return std::string();
    return TakeWebViewString(value);
}

bool EqualsNoCase(const std::string& a, const char* b) {
    return lstrcmpiA(a.c_str(), b) == 0;
}

// Bytes [first, first + length) of a file of the book, unpacked as they are read. The reader has
// a handle of its own on the book's file, so the stream needs nothing of the book once made and
// may be read on any thread; one lock keeps the reads, seeks and rewinds of several threads in
// order.
class CBookPartStream final
    : public ComObject<CBookPartStream,
                       ComItf<IStream, &IID_IStream, &IID_ISequentialStream, &kIID_IAgileObject>> {
  public:
    CBookPartStream(const CBook& book, const BookFile& file, uint64_t first, uint64_t length)
        : m_reader(book, file), m_first(first), m_length(length) {
        // Calls from any apartment reach the object itself, never a proxy to the window's thread.
        IUnknown* marshaler = nullptr;
        if (SUCCEEDED(CoCreateFreeThreadedMarshaler(static_cast<IStream*>(this), &marshaler)))
            m_marshaler = CComPtr<IUnknown>(marshaler);
    }

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (ppv && m_marshaler && IsEqualIID(riid, IID_IMarshal))
            return m_marshaler->QueryInterface(riid, ppv);
        return ComObject::QueryInterface(riid, ppv);
    }

    STDMETHODIMP Read(void* buffer, ULONG count, ULONG* read) override {
        if (read)
            *read = 0;
        if (!buffer && count > 0)
            return STG_E_INVALIDPOINTER;
        CritSecLock lock(m_lock);
        try {
            const uint64_t left = m_position < m_length ? m_length - m_position : 0;
            const ULONG want = left < count ? static_cast<ULONG>(left) : count;
            ULONG done = 0;
            if (want > 0) {
                // The reader goes back to the start when the stream was rewound, and skips ahead
                // to the stream's position (the first read skips to the part's start).
                const uint64_t target = m_first + m_position;
                if (m_reader.Position() > target)
                    m_reader.Rewind();
                if (m_reader.Position() < target)
                    m_reader.Skip(target - m_reader.Position());
                while (done < want) {
                    const size_t n =
                        m_reader.Read(static_cast<uint8_t*>(buffer) + done, want - done);
                    if (n == 0)
                        break;
                    done += static_cast<ULONG>(n);
                }
            }
            m_position += done;
            if (read)
                *read = done;
            // S_OK while bytes come, as the runtime reads until then; S_FALSE with none at the end.
            return done > 0 || count == 0 ? S_OK : S_FALSE;
        } catch (const std::exception&) {
            return STG_E_READFAULT;  // a damaged block: the answer ends there
        }
    }
    STDMETHODIMP Write(const void*, ULONG, ULONG*) override { return STG_E_ACCESSDENIED; }
    STDMETHODIMP Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* position) override {
        CritSecLock lock(m_lock);
        const int64_t base = origin == STREAM_SEEK_SET   ? 0
                             : origin == STREAM_SEEK_CUR ? static_cast<int64_t>(m_position)
                             : origin == STREAM_SEEK_END ? static_cast<int64_t>(m_length)
                                                         : -1;
        if (base < 0)
            return STG_E_INVALIDFUNCTION;
        const int64_t to = base + move.QuadPart;
        if (to < 0)
            return STG_E_INVALIDFUNCTION;
        m_position = static_cast<uint64_t>(to);
        if (position)
            position->QuadPart = m_position;
        return S_OK;
    }
    STDMETHODIMP SetSize(ULARGE_INTEGER) override { return STG_E_ACCESSDENIED; }
    STDMETHODIMP CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*, ULARGE_INTEGER*) override {
        return E_NOTIMPL;
    }
    STDMETHODIMP Commit(DWORD) override { return S_OK; }
    STDMETHODIMP Revert() override { return S_OK; }
    STDMETHODIMP LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override {
        return STG_E_INVALIDFUNCTION;
    }
    STDMETHODIMP UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override {
        return STG_E_INVALIDFUNCTION;
    }
    STDMETHODIMP Stat(STATSTG* stat, DWORD) override {
        if (!stat)
            return STG_E_INVALIDPOINTER;
        *stat = STATSTG();
        stat->type = STGTY_STREAM;
        stat->cbSize.QuadPart = m_length;
        stat->grfMode = STGM_READ | STGM_SHARE_DENY_NONE;
        return S_OK;
    }
    STDMETHODIMP Clone(IStream**) override { return E_NOTIMPL; }

  private:
    ScopedCritSec m_lock;
    CComPtr<IUnknown> m_marshaler;
    CBookFileReader m_reader;
    const uint64_t m_first;
    const uint64_t m_length;
    uint64_t m_position = 0;
};

BookWebAnswer ServerError() {
    BookWebAnswer a;
    a.status = 500;
    a.reason = "Internal Server Error";
    a.contentType = "text/plain";
    static const char kText[] = "This page of the e-book cannot be read.";
    a.body.assign(kText, kText + sizeof kText - 1);
    a.length = a.total = a.body.size();
    return a;
}

}  // namespace

IStream* CreateBookPartStream(const CBook& book, const BookFile& file, uint64_t first,
                              uint64_t length) {
    return new CBookPartStream(book, file, first, length);
}

void AnswerWebResourceRequest(ICoreWebView2Environment* env, CBook& book, const CBookSite& site,
                              ICoreWebView2WebResourceRequestedEventArgs* args) {
    CComPtr<ICoreWebView2WebResourceRequest> request;
    LPWSTR uri = nullptr;
    if (!env || !args || FAILED(args->get_Request(&request)) || !request ||
        FAILED(request->get_Uri(&uri)) || !uri)
        return;
    BookWebAnswer answer;
    CComPtr<IStream> stream;
    try {
        BookWebRequest asked;
        asked.url = TakeWebViewString(uri);
        LPWSTR method = nullptr;
        if (SUCCEEDED(request->get_Method(&method)) && method)
            asked.method = TakeWebViewString(method);
        CComPtr<ICoreWebView2HttpRequestHeaders> headers;
        if (SUCCEEDED(request->get_Headers(&headers)) && headers) {
            asked.range = Header(headers.Get(), L"Range");
            asked.serviceWorker = EqualsNoCase(Header(headers.Get(), L"Service-Worker"), "script");
        }
        answer = AnswerBookWebRequest(book, site, asked);
        if (answer.Streamed()) {
            if (answer.status == 206 && answer.length > kWebViewPartLimit)
                answer.length = kWebViewPartLimit;
            stream = CComPtr<IStream>(
                CreateBookPartStream(book, *answer.file, answer.first, answer.length));
        }
    } catch (const std::exception&) {
        // Short of memory, or the book's file cannot be opened again: this answer fails alone.
        answer = ServerError();
        stream.Release();
    }
    if (!stream)
        stream =
            CComPtr<IStream>(SHCreateMemStream(answer.body.empty() ? nullptr : answer.body.data(),
                                               static_cast<UINT>(answer.body.size())));
    const std::wstring reason = CWinText::Wide(answer.reason);
    const std::wstring headers = CWinText::Wide(answer.Headers());
    CComPtr<ICoreWebView2WebResourceResponse> response;
    if (stream && SUCCEEDED(env->CreateWebResourceResponse(
                      stream.Get(), answer.status, reason.c_str(), headers.c_str(), &response)))
        args->put_Response(response.Get());
}

std::string TakeWebViewString(LPWSTR text) {
    std::string s = CWinText::Ansi(text);
    CoTaskMemFree(text);
    return s;
}
