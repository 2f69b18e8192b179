#include "viewer/engines/BookProtocol.h"

#include <urlmon.h>

#include <cstring>
#include <new>

#include "viewer/engines/ComGuids.h"
#include "platform/win/ComPtr.h"
#include "platform/win/WinText.h"
#include "book/Book.h"
#include "book/BookUrl.h"

CBookSource::CBookSource(CBook& book) : m_book(book) {}

bool CBookSource::GetFile(const std::string& url, std::vector<uint8_t>* data, std::string* mime) {
    CritSecLock lock(m_lock);
    bool ok = false;
    if (const BookFile* file = m_book.FindUrl(url)) {
        std::string error;
        ok = m_book.ReadFile(*file, data, &error);
        *mime = MimeTypeFromName(file->strName);
    }
    return ok;
}

namespace {

// One request. urlmon may aggregate it (Wine does), so it keeps a non-delegating IUnknown for
// its own lifetime and forwards IUnknown calls to the outer object when there is one (the one
// object of the programs that is aggregated, hence not a ComObject).
class CBookProtocol final : public IInternetProtocol {
  public:
    CBookProtocol(IUnknown* outer, IBookSource* source)
        : m_inner(this), m_outer(outer ? outer : &m_inner), m_source(source) {}

    IUnknown* Inner() { return &m_inner; }

    // IUnknown, delegating.
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        return m_outer->QueryInterface(riid, ppv);
    }
    STDMETHODIMP_(ULONG) AddRef() override { return m_outer->AddRef(); }
    STDMETHODIMP_(ULONG) Release() override { return m_outer->Release(); }

    // IInternetProtocolRoot
    STDMETHODIMP Start(LPCWSTR url, IInternetProtocolSink* sink, IInternetBindInfo*, DWORD flags,
                       HANDLE_PTR) override {
        if (!url || !sink)
            return E_INVALIDARG;
        // Nothing may leave a COM method as an exception: it would end the program. A page too
        // large for the memory left (a 32-bit process runs out long before the disk) fails this
        // request only.
        HRESULT failure = E_FAIL;
        try {
            return StartRequest(url, sink, flags);
        } catch (const std::bad_alloc&) {
            failure = E_OUTOFMEMORY;
        } catch (...) {
        }
        m_data = std::vector<uint8_t>();
        m_pos = 0;
        if (flags & PI_PARSE_URL)
            return failure;
        sink->ReportResult(failure, 0, nullptr);
        return S_OK;
    }
    STDMETHODIMP Continue(PROTOCOLDATA*) override { return S_OK; }
    STDMETHODIMP Abort(HRESULT, DWORD) override { return S_OK; }
    STDMETHODIMP Terminate(DWORD) override { return S_OK; }
    STDMETHODIMP Suspend() override { return E_NOTIMPL; }
    STDMETHODIMP Resume() override { return E_NOTIMPL; }

    // IInternetProtocol
    STDMETHODIMP Read(void* pv, ULONG cb, ULONG* pcbRead) override {
        if (!pv && cb)
            return E_POINTER;
        if (pcbRead)
            *pcbRead = 0;
        if (m_pos > m_data.size())
            return E_FAIL;
        const size_t left = m_data.size() - m_pos;
        const ULONG n = static_cast<ULONG>(left < cb ? left : cb);
        if (n)
            std::memcpy(pv, m_data.data() + m_pos, n);
        m_pos += n;
        if (pcbRead)
            *pcbRead = n;
        return m_pos < m_data.size() ? S_OK : S_FALSE;
    }
    STDMETHODIMP Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* newPos) override {
        LONGLONG base = 0;
        if (origin == STREAM_SEEK_CUR)
            base = static_cast<LONGLONG>(m_pos);
        else if (origin == STREAM_SEEK_END)
            base = static_cast<LONGLONG>(m_data.size());
        else if (origin != STREAM_SEEK_SET)
            return STG_E_INVALIDFUNCTION;
        const LONGLONG target = base + move.QuadPart;
        if (target < 0 || target > static_cast<LONGLONG>(m_data.size()))
            return STG_E_INVALIDFUNCTION;
        m_pos = static_cast<size_t>(target);
        if (newPos)
            newPos->QuadPart = static_cast<ULONGLONG>(target);
        return S_OK;
    }
    STDMETHODIMP LockRequest(DWORD) override { return S_OK; }
    STDMETHODIMP UnlockRequest() override { return S_OK; }

  private:
    // Start's work; may throw (std::bad_alloc above all), which Start turns into a result.
    HRESULT StartRequest(LPCWSTR url, IInternetProtocolSink* sink, DWORD flags) {
        const std::string strUrl = CWinText::Ansi(url);
        m_data = std::vector<uint8_t>();
        m_pos = 0;
        std::string mime;
        const bool found = m_source->GetFile(strUrl, &m_data, &mime);
        if (flags & PI_PARSE_URL)
            return found ? S_OK : S_FALSE;
        if (!found) {
            // Failing Start would make some hosts retry or hang; the result carries the error.
            sink->ReportResult(INET_E_OBJECT_NOT_FOUND, 0, nullptr);
            return S_OK;
        }
        const std::wstring wmime = CWinText::Wide(mime);
        sink->ReportProgress(BINDSTATUS_VERIFIEDMIMETYPEAVAILABLE, wmime.c_str());
        sink->ReportProgress(BINDSTATUS_MIMETYPEAVAILABLE, wmime.c_str());
        const ULONG size = static_cast<ULONG>(m_data.size());
        sink->ReportData(
            BSCF_FIRSTDATANOTIFICATION | BSCF_LASTDATANOTIFICATION | BSCF_DATAFULLYAVAILABLE, size,
            size);
        sink->ReportResult(S_OK, 0, nullptr);
        return S_OK;
    }

    struct CInner final : IUnknown {
        explicit CInner(CBookProtocol* self) : m_self(self) {}
        STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
            if (!ppv)
                return E_POINTER;
            if (IsEqualIID(riid, IID_IUnknown)) {
                *ppv = static_cast<IUnknown*>(this);
                AddRef();
            } else if (IsEqualIID(riid, IID_IInternetProtocol) ||
                       IsEqualIID(riid, IID_IInternetProtocolRoot)) {
                // That interface releases through the outer object, so the reference it
                // carries must be taken there too.
                IInternetProtocol* p = static_cast<IInternetProtocol*>(m_self);
                *ppv = p;
                p->AddRef();
            } else {
                *ppv = nullptr;
                return E_NOINTERFACE;
            }
            return S_OK;
        }
        STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&m_ref); }
        STDMETHODIMP_(ULONG) Release() override {
            const LONG n = InterlockedDecrement(&m_ref);
            if (n == 0)
                delete m_self;
            return static_cast<ULONG>(n);
        }
        CBookProtocol* m_self;
        LONG m_ref = 1;
    };

    CInner m_inner;
    IUnknown* m_outer;
    IBookSource* m_source;
    std::vector<uint8_t> m_data;
    size_t m_pos = 0;
};

// Writes text into a caller's buffer of cch characters; S_FALSE and the needed size when it does
// not fit.
HRESULT CopyOut(const std::wstring& text, LPWSTR out, DWORD cch, DWORD* pcch) {
    const DWORD needed = static_cast<DWORD>(text.size()) + 1;
    if (pcch)
        *pcch = needed;
    if (!out || cch < needed)
        return S_FALSE;
    std::memcpy(out, text.c_str(), needed * sizeof(wchar_t));
    if (pcch)
        *pcch = needed - 1;
    return S_OK;
}

// The class factory, which is also the protocol's IInternetProtocolInfo: urlmon asks the factory
// for it when it combines, compares or parses e-book URLs.
class CBookProtocolFactory final
    : public ComObject<CBookProtocolFactory, ComItf<IClassFactory, &IID_IClassFactory>,
                       ComItf<IInternetProtocolInfo, &IID_IInternetProtocolInfo>> {
  public:
    explicit CBookProtocolFactory(IBookSource* source) : m_source(source) {}

    // IClassFactory
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override {
        if (!ppv)
            return E_POINTER;
        *ppv = nullptr;
        if (outer && !IsEqualIID(riid, IID_IUnknown))
            return CLASS_E_NOAGGREGATION;
        CBookProtocol* protocol = new (std::nothrow) CBookProtocol(outer, m_source);
        if (!protocol)
            return E_OUTOFMEMORY;
        HRESULT hr;
        if (outer) {
            *ppv = protocol->Inner();  // keeps the initial reference
            hr = S_OK;
        } else {
            hr = protocol->Inner()->QueryInterface(riid, ppv);
            protocol->Inner()->Release();
        }
        return hr;
    }
    STDMETHODIMP LockServer(BOOL) override { return S_OK; }

    // IInternetProtocolInfo
    STDMETHODIMP ParseUrl(LPCWSTR, PARSEACTION, DWORD, LPWSTR, DWORD, DWORD*, DWORD) override {
        return INET_E_DEFAULT_ACTION;
    }
    STDMETHODIMP CombineUrl(LPCWSTR base, LPCWSTR relative, DWORD, LPWSTR result, DWORD cch,
                            DWORD* pcch, DWORD) override {
        if (!base || !relative)
            return E_INVALIDARG;
        std::string combined;
        if (!CombineBookUrl(CWinText::Ansi(base), CWinText::Ansi(relative), &combined))
            return INET_E_DEFAULT_ACTION;  // another scheme: the system combines it
        return CopyOut(CWinText::Wide(combined), result, cch, pcch);
    }
    STDMETHODIMP CompareUrl(LPCWSTR url1, LPCWSTR url2, DWORD) override {
        if (!url1 || !url2)
            return E_INVALIDARG;
        std::string a, b;
        if (!NameFromUrl(CWinText::Ansi(url1), &a) || !NameFromUrl(CWinText::Ansi(url2), &b))
            return INET_E_DEFAULT_ACTION;
        return lstrcmpiA(a.c_str(), b.c_str()) == 0 ? S_OK : S_FALSE;
    }
    STDMETHODIMP QueryInfo(LPCWSTR, QUERYOPTION option, DWORD, LPVOID buffer, DWORD cb, DWORD* pcb,
                           DWORD) override {
        DWORD value;
        switch (option) {
            case QUERY_USES_NETWORK:
            case QUERY_USES_CACHE:
            case QUERY_IS_CACHED:
            case QUERY_IS_CACHED_OR_MAPPED:
                value = FALSE;
                break;
            case QUERY_IS_SAFE:
            case QUERY_IS_SECURE:
            case QUERY_CAN_NAVIGATE:
                value = TRUE;
                break;
            default:
                return INET_E_DEFAULT_ACTION;
        }
        if (pcb)
            *pcb = sizeof(DWORD);
        if (!buffer || cb < sizeof(DWORD))
            return E_FAIL;
        std::memcpy(buffer, &value, sizeof(value));
        return S_OK;
    }

  private:
    IBookSource* m_source;
};

CBookProtocolFactory* g_factory = nullptr;

}  // namespace

HRESULT RegisterBookProtocol(IBookSource* source) {
    UnregisterBookProtocol();
    CComPtr<IInternetSession> session;
    HRESULT hr = CoInternetGetSession(0, &session, 0);
    if (FAILED(hr))
        return hr;
    CBookProtocolFactory* factory = new (std::nothrow) CBookProtocolFactory(source);
    if (!factory)
        return E_OUTOFMEMORY;
    const std::wstring scheme = CWinText::Wide(kBookScheme);
    hr = session->RegisterNameSpace(factory, kCLSID_BookProtocol, scheme.c_str(), 0, nullptr, 0);
    if (FAILED(hr)) {
        factory->Release();
        return hr;
    }
    g_factory = factory;
    return S_OK;
}

void UnregisterBookProtocol() {
    if (!g_factory)
        return;
    CComPtr<IInternetSession> session;
    if (SUCCEEDED(CoInternetGetSession(0, &session, 0))) {
        const std::wstring scheme = CWinText::Wide(kBookScheme);
        session->UnregisterNameSpace(g_factory, scheme.c_str());
    }
    g_factory->Release();
    g_factory = nullptr;
}
