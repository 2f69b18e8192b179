// The "e-book" protocol through URL monikers, as the browser uses it: asynchronous binds (the
// only kind Wine completes for pluggable protocols), exact bytes, MIME types, missing files, and
// URL combination through CoInternetCombineUrl.
#include <gtest/gtest.h>
#include <urlmon.h>

#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "LinkCases.h"
#include "TestBook.h"
#include "WinTestUtil.h"
#include "viewer/engines/BookProtocol.h"
#include "platform/win/ComPtr.h"
#include "platform/win/WinText.h"
#include "book/Book.h"
#include "book/BookUrl.h"

namespace {

// Collects what one asynchronous bind delivers.
class CBindCallback final : public IBindStatusCallback {
  public:
    std::string data;
    std::wstring mime;
    HRESULT result = E_PENDING;
    bool done = false;

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IBindStatusCallback)) {
            *ppv = static_cast<IBindStatusCallback*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++m_ref; }
    STDMETHODIMP_(ULONG) Release() override { return --m_ref; }  // lives on the test's stack

    STDMETHODIMP OnStartBinding(DWORD, IBinding*) override { return S_OK; }
    STDMETHODIMP GetPriority(LONG*) override { return E_NOTIMPL; }
    STDMETHODIMP OnLowResource(DWORD) override { return S_OK; }
    STDMETHODIMP OnProgress(ULONG, ULONG, ULONG status, LPCWSTR text) override {
        if ((status == BINDSTATUS_MIMETYPEAVAILABLE ||
             status == BINDSTATUS_VERIFIEDMIMETYPEAVAILABLE) &&
            text)
            mime = text;
        return S_OK;
    }
    STDMETHODIMP OnStopBinding(HRESULT hr, LPCWSTR) override {
        result = hr;
        done = true;
        return S_OK;
    }
    STDMETHODIMP GetBindInfo(DWORD* flags, BINDINFO* info) override {
        *flags = BINDF_ASYNCHRONOUS | BINDF_ASYNCSTORAGE | BINDF_PULLDATA | BINDF_GETNEWESTVERSION |
                 BINDF_NOWRITECACHE;
        const ULONG size = info->cbSize;
        ZeroMemory(info, size);
        info->cbSize = size;
        return S_OK;
    }
    STDMETHODIMP OnDataAvailable(DWORD, DWORD, FORMATETC*, STGMEDIUM* medium) override {
        if (medium && medium->tymed == TYMED_ISTREAM && medium->pstm) {
            char buf[4096];
            ULONG n = 0;
            HRESULT hr;
            do {
                n = 0;
                hr = medium->pstm->Read(buf, sizeof(buf), &n);
                data.append(buf, n);
            } while (hr == S_OK && n > 0);
        }
        return S_OK;
    }
    STDMETHODIMP OnObjectAvailable(REFIID, IUnknown*) override { return S_OK; }

  private:
    ULONG m_ref = 1;
};

CTempFolder* g_dir = nullptr;
CBook* g_book = nullptr;
CBookSource* g_source = nullptr;
std::string g_image;
std::string g_big;

class ViewerProtocol : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        g_dir = new CTempFolder;
        g_image = std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\0\x01", 20);
        g_big.resize(300000);
        for (size_t i = 0; i < g_big.size(); ++i)
            g_big[i] = static_cast<char>((i * 7919) >> 3);
        CTestBook b;
        b.Page("index.htm", "<html><img src=\"images/pic.png\"></html>")
            .Page("images/pic.png", g_image, false, false)
            .Page("sub/Page Two.htm", "<p>two</p>")
            .Page("big.bin", g_big, false, false)
            .Page("empty.txt", "", false, false)
            .Page("style.css", "p{}", false, false);
        const std::string path = g_dir->File("protocol.exe");
        b.Write(path, "MZ viewer stub for the protocol tests");
        g_book = new CBook;
        ASSERT_TRUE(g_book->Open(path)) << g_book->GetErrorText();
        g_source = new CBookSource(*g_book);
        ASSERT_EQ(RegisterBookProtocol(g_source), S_OK);
    }
    static void TearDownTestSuite() {
        UnregisterBookProtocol();
        delete g_source;
        delete g_book;
        delete g_dir;
    }

    // Binds url asynchronously to a stream and pumps messages until the bind stops.
    static void Fetch(const std::wstring& url, CBindCallback* cb) {
        CComPtr<IMoniker> moniker;
        ASSERT_EQ(CreateURLMonikerEx(nullptr, url.c_str(), &moniker, URL_MK_UNIFORM), S_OK);
        CComPtr<IBindCtx> ctx;
        ASSERT_EQ(CreateBindCtx(0, &ctx), S_OK);
        ASSERT_EQ(RegisterBindStatusCallback(ctx.Get(), cb, nullptr, 0), S_OK);
        CComPtr<IStream> stream;
        const HRESULT hr = moniker->BindToStorage(ctx.Get(), nullptr, IID_IStream, stream.Out());
        if (FAILED(hr) && !cb->done) {
            cb->result = hr;
            cb->done = true;
        }
        EXPECT_TRUE(PumpUntil([cb] { return cb->done; }, 10000)) << "bind never stopped";
        RevokeBindStatusCallback(ctx.Get(), cb);
    }
};

TEST_F(ViewerProtocol, ServesExactBytesWithTheirMimeType) {
    const struct {
        const wchar_t* url;
        const std::string* expected;
        std::string literal;
        const wchar_t* mime;
    } cases[] = {
        {L"e-book://index.htm", nullptr, "<html><img src=\"images/pic.png\"></html>", L"text/html"},
        {L"e-book:///index.htm", nullptr, "<html><img src=\"images/pic.png\"></html>",
         L"text/html"},
        {L"e-book://images/pic.png", &g_image, "", L"image/png"},
        {L"e-book://IMAGES/PIC.PNG", &g_image, "", L"image/png"},
        {L"e-book://sub/Page%20Two.htm", nullptr, "<p>two</p>", L"text/html"},
        {L"e-book://sub/page two.htm?x=1#frag", nullptr, "<p>two</p>", L"text/html"},
        {L"e-book://style.css", nullptr, "p{}", L"text/css"},
        {L"e-book://big.bin", &g_big, "", L"application/octet-stream"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(CWinText::Ansi(c.url));
        CBindCallback cb;
        Fetch(c.url, &cb);
        EXPECT_EQ(cb.result, S_OK);
        const std::string& expected = c.expected ? *c.expected : c.literal;
        EXPECT_EQ(cb.data.size(), expected.size());
        EXPECT_TRUE(cb.data == expected);
        EXPECT_EQ(CWinText::Ansi(cb.mime.c_str()), CWinText::Ansi(c.mime));
    }
}

TEST_F(ViewerProtocol, EmptyFileArrivesEmpty) {
    CBindCallback cb;
    Fetch(L"e-book://empty.txt", &cb);
    EXPECT_TRUE(SUCCEEDED(cb.result)) << std::hex << cb.result;
    EXPECT_EQ(cb.data, "");
}

TEST_F(ViewerProtocol, MissingFileIsReportedAsAnError) {
    for (const wchar_t* url : {L"e-book://missing.htm", L"e-book://sub/", L"e-book://"}) {
        SCOPED_TRACE(CWinText::Ansi(url));
        CBindCallback cb;
        Fetch(url, &cb);
        EXPECT_TRUE(FAILED(cb.result)) << std::hex << cb.result;
        EXPECT_EQ(cb.data, "");
    }
}

TEST_F(ViewerProtocol, CombinesRelativeLinksItself) {
    const struct {
        const wchar_t* base;
        const wchar_t* relative;
        const wchar_t* result;
    } cases[] = {
        {L"e-book://index.htm", L"images/pic.png", L"e-book://images/pic.png"},
        {L"e-book://index.htm/", L"images/pic.png", L"e-book://images/pic.png"},
        {L"e-book:///sub/Page%20Two.htm", L"../style.css", L"e-book://style.css"},
        {L"e-book://sub/a.htm", L"b.htm#x", L"e-book://sub/b.htm#x"},
        {L"e-book://sub/a.htm", L"/index.htm", L"e-book://index.htm"},
        {L"e-book://sub/a.htm", L"http://example.org/x", L"http://example.org/x"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(CWinText::Ansi(c.base) + " + " + CWinText::Ansi(c.relative));
        wchar_t out[512] = {};
        DWORD len = 0;
        ASSERT_EQ(CoInternetCombineUrl(c.base, c.relative, 0, out, 512, &len, 0), S_OK);
        EXPECT_EQ(CWinText::Ansi(out), CWinText::Ansi(c.result));
    }
    // The combined address of a picture really fetches the picture.
    wchar_t out[512] = {};
    DWORD len = 0;
    ASSERT_EQ(CoInternetCombineUrl(L"e-book://index.htm/", L"images/pic.png", 0, out, 512, &len, 0),
              S_OK);
    CBindCallback cb;
    Fetch(out, &cb);
    EXPECT_TRUE(cb.data == g_image);
}

// The viewer's own way to a reference, through the system's URL combination and the protocol:
// the page's base against the page's address, the reference against that, and the kind the
// viewer's navigation gives the result. The link check must land on the same file every time.
TEST_F(ViewerProtocol, FollowsReferencesWhereTheLinkCheckLooks) {
    auto combine = [](const std::string& base, const std::string& relative) {
        wchar_t out[1024] = {};
        DWORD len = 0;
        const HRESULT hr = CoInternetCombineUrl(
            CWinText::Wide(base).c_str(), CWinText::Wide(relative).c_str(), 0, out, 1024, &len, 0);
        EXPECT_EQ(hr, S_OK) << base << " + " << relative;
        return CWinText::Ansi(out);
    };
    for (const LinkCase& c : kLinkCases) {
        SCOPED_TRACE(std::string(c.page) + " + " + (c.base ? c.base : "(no base)") + " + " + c.url);
        std::string base = UrlFromName(c.page);
        if (c.base)
            base = combine(base, c.base);
        const std::string url = combine(base, c.url);
        EXPECT_EQ(static_cast<int>(KindOfUrl(url)), static_cast<int>(c.kind)) << url;
        std::string name;
        if (c.kind == LinkKind::inBook) {
            EXPECT_TRUE(NameFromUrl(url, &name)) << url;
            EXPECT_EQ(name, c.target) << url;
            const size_t hash = url.find('#');
            EXPECT_EQ(hash == std::string::npos ? "" : url.substr(hash + 1),
                      c.fragment ? c.fragment : "");
        } else if (c.kind == LinkKind::outside) {
            // The system may keep the scheme as it was written: the address is the same.
            std::string lowered = url;
            for (size_t k = 0; k < lowered.size() && lowered[k] != ':'; ++k)
                lowered[k] = static_cast<char>(tolower(static_cast<unsigned char>(lowered[k])));
            EXPECT_EQ(lowered, c.target);
        }
    }
}

// A source that runs out of memory on one address and fails in some other way on another.
class CFailingSource : public IBookSource {
  public:
    bool GetFile(const std::string& url, std::vector<uint8_t>* data, std::string* mime) override {
        if (url.find("huge") != std::string::npos)
            throw std::bad_alloc();
        if (url.find("odd") != std::string::npos)
            throw std::runtime_error("odd");
        return g_source->GetFile(url, data, mime);
    }
};

// Nothing thrown while a page is fetched leaves the protocol: that request fails, the e-book goes
// on, and the next request is served.
TEST_F(ViewerProtocol, AFailureWhileFetchingFailsOnlyThatRequest) {
    UnregisterBookProtocol();
    CFailingSource failing;
    ASSERT_EQ(RegisterBookProtocol(&failing), S_OK);
    for (const wchar_t* url : {L"e-book://huge.htm", L"e-book://odd.htm", L"e-book://huge.htm"}) {
        SCOPED_TRACE(CWinText::Ansi(url));
        CBindCallback cb;
        Fetch(url, &cb);
        EXPECT_TRUE(FAILED(cb.result)) << std::hex << cb.result;
        EXPECT_EQ(cb.data, "");
    }
    CBindCallback cb;
    Fetch(L"e-book://sub/Page%20Two.htm", &cb);
    EXPECT_EQ(cb.result, S_OK);
    EXPECT_EQ(cb.data, "<p>two</p>");
    UnregisterBookProtocol();
    ASSERT_EQ(RegisterBookProtocol(g_source), S_OK);
}

TEST_F(ViewerProtocol, ComparesNamesLikeFileNames) {
    EXPECT_EQ(CoInternetCompareUrl(L"e-book://Index.htm", L"e-book:///index.htm", 0), S_OK);
    EXPECT_EQ(CoInternetCompareUrl(L"e-book://index.htm", L"e-book://other.htm", 0), S_FALSE);
}

}  // namespace
