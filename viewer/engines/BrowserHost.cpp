// The OLE container around the web-browser control. The control finds our IDocHostUIHandler and
// the security manager service by asking the client site, which is why one object (CHostSite)
// carries all the site interfaces.
//
// Document modes: the control renders pages in its legacy mode unless the process is listed under
// FEATURE_BROWSER_EMULATION; the viewer writes that value at start-up (ViewerApp.cpp).
#include "viewer/engines/BrowserHost.h"

#include <exdisp.h>
#include <exdispid.h>
#include <mshtml.h>
#include <mshtmhst.h>
#include <ole2.h>
#include <urlmon.h>

#include "viewer/engines/ComGuids.h"
#include "viewer/PageHits.h"
#include "platform/win/ComPtr.h"
#include "platform/win/WinText.h"
#include "book/BookUrl.h"

namespace {

// The string in a VARIANT that may be passed by reference (as the events pass URLs).
std::string VariantText(const VARIANT& v) {
    const VARIANT* p = &v;
    if (p->vt == (VT_BYREF | VT_VARIANT) && p->pvarVal)
        p = p->pvarVal;
    if (p->vt == VT_BSTR)
        return CWinText::Ansi(p->bstrVal);
    if (p->vt == (VT_BYREF | VT_BSTR) && p->pbstrVal)
        return CWinText::Ansi(*p->pbstrVal);
    return std::string();
}

long VariantLong(const VARIANT& v) {
    const VARIANT* p = &v;
    if (p->vt == (VT_BYREF | VT_VARIANT) && p->pvarVal)
        p = p->pvarVal;
    if (p->vt == VT_I4)
        return p->lVal;
    if (p->vt == (VT_BYREF | VT_I4) && p->plVal)
        return *p->plVal;
    return 0;
}

void SetCancel(const VARIANT& v, bool cancel) {
    if (v.vt == (VT_BYREF | VT_BOOL) && v.pboolVal)
        *v.pboolVal = cancel ? VARIANT_TRUE : VARIANT_FALSE;
}

const long kNewWindowUserStarted = 0x2;  // NWMF_USERINITED

}  // namespace

DWORD BookPageUrlPolicy(DWORD action) {
    switch (action) {
        case URLACTION_SCRIPT_RUN:
        case URLACTION_SCRIPT_SAFE_ACTIVEX:
        case URLACTION_SCRIPT_XSSFILTER:
        case URLACTION_HTML_FONT_DOWNLOAD:
        case URLACTION_HTML_META_REFRESH:
        case URLACTION_HTML_MIXED_CONTENT:
            return URLPOLICY_ALLOW;
        case URLACTION_ACTIVEX_RUN:
        case URLACTION_ACTIVEX_OVERRIDE_OBJECT_SAFETY:
        case URLACTION_SCRIPT_OVERRIDE_SAFETY:
        case URLACTION_CROSS_DOMAIN_DATA:
        case URLACTION_SCRIPT_PASTE:
        case URLACTION_HTML_SUBMIT_FORMS:
        case URLACTION_HTML_INCLUDE_FILE_PATH:
        case URLACTION_SHELL_FILE_DOWNLOAD:
        case URLACTION_JAVA_PERMISSIONS:
            return URLPOLICY_DISALLOW;
        default:
            break;
    }
    // Installing or downloading code and every shell action (moving files, running verbs).
    if ((action >= URLACTION_DOWNLOAD_MIN && action <= URLACTION_DOWNLOAD_MAX) ||
        (action >= URLACTION_SHELL_MIN && action <= URLACTION_SHELL_MAX))
        return URLPOLICY_DISALLOW;
    return kPolicyDefault;
}

class CHostSite final
    : public ComObject<CHostSite, ComItf<IOleClientSite, &IID_IOleClientSite>,
                       ComItf<IOleInPlaceSite, &IID_IOleInPlaceSite, &IID_IOleWindow>,
                       ComItf<IOleInPlaceFrame, &IID_IOleInPlaceFrame, &IID_IOleInPlaceUIWindow>,
                       ComItf<IDocHostUIHandler, &IID_IDocHostUIHandler>,
                       ComItf<IDocHostShowUI, &kIID_IDocHostShowUI>,
                       ComItf<IServiceProvider, &IID_IServiceProvider>,
                       ComItf<IInternetSecurityManager, &IID_IInternetSecurityManager>,
                       ComItf<IOleCommandTarget, &IID_IOleCommandTarget>,
                       ComItf<IDispatch, &IID_IDispatch, &DIID_DWebBrowserEvents2>> {
  public:
    CHostSite(HWND parent, IBrowserEvents* events) : m_parent(parent), m_events(events) {}

    CComPtr<IOleObject> m_object;
    CComPtr<IWebBrowser2> m_browser;
    CComPtr<IOleInPlaceActiveObject> m_active;
    DWORD m_cookie = 0;
    RECT m_rect = {0, 0, 0, 0};
    HWND m_parent;
    IBrowserEvents* m_events;

    bool IsTopLevel(IDispatch* disp) {
        if (!disp || !m_browser)
            return true;
        CComPtr<IUnknown> a;
        CComPtr<IUnknown> b;
        disp->QueryInterface(IID_IUnknown, a.Out());
        m_browser->QueryInterface(IID_IUnknown, b.Out());
        return a.Get() == b.Get();
    }

    // IOleClientSite
    STDMETHODIMP SaveObject() override { return E_NOTIMPL; }
    STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker**) override { return E_NOTIMPL; }
    STDMETHODIMP GetContainer(IOleContainer** pp) override {
        if (pp)
            *pp = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP ShowObject() override { return S_OK; }
    STDMETHODIMP OnShowWindow(BOOL) override { return S_OK; }
    STDMETHODIMP RequestNewObjectLayout() override { return E_NOTIMPL; }

    // IOleWindow (for the in-place site and the frame)
    STDMETHODIMP GetWindow(HWND* phwnd) override {
        if (!phwnd)
            return E_POINTER;
        *phwnd = m_parent;
        return S_OK;
    }
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

    // IOleInPlaceSite
    STDMETHODIMP CanInPlaceActivate() override { return S_OK; }
    STDMETHODIMP OnInPlaceActivate() override { return S_OK; }
    STDMETHODIMP OnUIActivate() override { return S_OK; }
    STDMETHODIMP GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** doc, LPRECT pos,
                                  LPRECT clip, LPOLEINPLACEFRAMEINFO info) override {
        if (frame) {
            *frame = static_cast<IOleInPlaceFrame*>(this);
            AddRef();
        }
        if (doc)
            *doc = nullptr;
        if (pos)
            *pos = m_rect;
        if (clip)
            *clip = m_rect;
        if (info) {
            info->fMDIApp = FALSE;
            info->hwndFrame = m_parent;
            info->haccel = nullptr;
            info->cAccelEntries = 0;
        }
        return S_OK;
    }
    STDMETHODIMP Scroll(SIZE) override { return E_NOTIMPL; }
    STDMETHODIMP OnUIDeactivate(BOOL) override { return S_OK; }
    STDMETHODIMP OnInPlaceDeactivate() override { return S_OK; }
    STDMETHODIMP DiscardUndoState() override { return E_NOTIMPL; }
    STDMETHODIMP DeactivateAndUndo() override { return E_NOTIMPL; }
    STDMETHODIMP OnPosRectChange(LPCRECT rect) override {
        CComPtr<IOleInPlaceObject> inplace;
        if (rect && m_object &&
            SUCCEEDED(m_object->QueryInterface(IID_IOleInPlaceObject, inplace.Out())))
            inplace->SetObjectRects(rect, rect);
        return S_OK;
    }

    // IOleInPlaceUIWindow / IOleInPlaceFrame
    STDMETHODIMP GetBorder(LPRECT) override { return INPLACE_E_NOTOOLSPACE; }
    STDMETHODIMP RequestBorderSpace(LPCBORDERWIDTHS) override { return INPLACE_E_NOTOOLSPACE; }
    STDMETHODIMP SetBorderSpace(LPCBORDERWIDTHS) override { return S_OK; }
    STDMETHODIMP SetActiveObject(IOleInPlaceActiveObject* active, LPCOLESTR) override {
        CComPtr<IOleInPlaceActiveObject> keep;
        if (active)
            active->QueryInterface(IID_IOleInPlaceActiveObject, keep.Out());
        m_active.Release();
        if (keep)
            keep->QueryInterface(IID_IOleInPlaceActiveObject, m_active.Out());
        return S_OK;
    }
    STDMETHODIMP InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override { return E_NOTIMPL; }
    STDMETHODIMP SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
    STDMETHODIMP RemoveMenus(HMENU) override { return E_NOTIMPL; }
    STDMETHODIMP SetStatusText(LPCOLESTR) override { return S_OK; }
    STDMETHODIMP EnableModeless(BOOL) override { return S_OK; }
    STDMETHODIMP TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }

    // IDocHostUIHandler
    STDMETHODIMP ShowContextMenu(DWORD, POINT* pt, IUnknown*, IDispatch*) override {
        if (m_events) {
            POINT at = {0, 0};
            if (pt)
                at = *pt;
            else
                GetCursorPos(&at);
            m_events->OnContextMenu(at);
        }
        return S_OK;  // handled: the control's own menu (View Source, Open in New Window)
    }
    STDMETHODIMP GetHostInfo(DOCHOSTUIINFO* info) override {
        if (!info)
            return E_POINTER;
        // DPI_AWARE: pages are drawn at the monitor's scale, as the window itself is (the
        // process declares itself aware of each monitor's DPI); without it the control draws
        // at 96 DPI and text is tiny on a high-DPI screen.
        info->dwFlags = DOCHOSTUIFLAG_NO3DBORDER | DOCHOSTUIFLAG_THEME |
                        DOCHOSTUIFLAG_DISABLE_HELP_MENU | DOCHOSTUIFLAG_DISABLE_SCRIPT_INACTIVE |
                        DOCHOSTUIFLAG_DPI_AWARE;
        info->dwDoubleClick = DOCHOSTUIDBLCLK_DEFAULT;
        return S_OK;
    }
    STDMETHODIMP ShowUI(DWORD, IOleInPlaceActiveObject*, IOleCommandTarget*, IOleInPlaceFrame*,
                        IOleInPlaceUIWindow*) override {
        return S_OK;
    }
    STDMETHODIMP HideUI() override { return S_OK; }
    STDMETHODIMP UpdateUI() override { return S_OK; }
    STDMETHODIMP OnDocWindowActivate(BOOL) override { return S_OK; }
    STDMETHODIMP OnFrameWindowActivate(BOOL) override { return S_OK; }
    STDMETHODIMP ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) override { return S_OK; }
    STDMETHODIMP TranslateAccelerator(LPMSG, const GUID*, DWORD) override { return S_FALSE; }
    STDMETHODIMP GetOptionKeyPath(LPOLESTR* key, DWORD) override {
        if (key)
            *key = nullptr;
        return S_FALSE;
    }
    STDMETHODIMP GetDropTarget(IDropTarget*, IDropTarget** out) override {
        if (out)
            *out = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP GetExternal(IDispatch** out) override {
        if (out)
            *out = nullptr;
        return S_FALSE;
    }
    STDMETHODIMP TranslateUrl(DWORD, LPWSTR, LPWSTR* out) override {
        if (out)
            *out = nullptr;
        return S_FALSE;
    }
    STDMETHODIMP FilterDataObject(IDataObject*, IDataObject** out) override {
        if (out)
            *out = nullptr;
        return S_FALSE;
    }

    // IDocHostShowUI: a page's alert() and confirm() boxes carry the book's title rather than
    // the control's generic caption; the control's help is not offered.
    STDMETHODIMP ShowMessage(HWND hwnd, LPOLESTR text, LPOLESTR, DWORD type, LPOLESTR, DWORD,
                             LRESULT* result) override {
        wchar_t caption[256] = {};
        GetWindowTextW(GetAncestor(m_parent, GA_ROOT), caption, 256);
        const int answer = MessageBoxW(hwnd, text ? text : L"", caption, type);
        if (result)
            *result = answer;
        return S_OK;
    }
    STDMETHODIMP ShowHelp(HWND, LPOLESTR, UINT, DWORD, POINT, IDispatch*) override { return S_OK; }

    // IServiceProvider: the control asks here for a security manager before using its own.
    STDMETHODIMP QueryService(REFGUID service, REFIID riid, void** ppv) override {
        if (!ppv)
            return E_POINTER;
        *ppv = nullptr;
        if (IsEqualGUID(service, IID_IInternetSecurityManager))
            return QueryInterface(riid, ppv);
        return E_NOINTERFACE;
    }

    // IInternetSecurityManager: only e-book URLs get an answer; the rest take the default path.
    STDMETHODIMP SetSecuritySite(IInternetSecurityMgrSite*) override {
        return INET_E_DEFAULT_ACTION;
    }
    STDMETHODIMP GetSecuritySite(IInternetSecurityMgrSite**) override {
        return INET_E_DEFAULT_ACTION;
    }
    STDMETHODIMP MapUrlToZone(LPCWSTR url, DWORD* zone, DWORD) override {
        if (!url || !zone || !IsBookUrl(CWinText::Ansi(url)))
            return INET_E_DEFAULT_ACTION;
        *zone = URLZONE_INTERNET;
        return S_OK;
    }
    STDMETHODIMP GetSecurityId(LPCWSTR, BYTE*, DWORD*, DWORD_PTR) override {
        return INET_E_DEFAULT_ACTION;
    }
    STDMETHODIMP ProcessUrlAction(LPCWSTR url, DWORD action, BYTE* policy, DWORD cbPolicy, BYTE*,
                                  DWORD, DWORD, DWORD) override {
        if (!url || !policy || cbPolicy < sizeof(DWORD) || !IsBookUrl(CWinText::Ansi(url)))
            return INET_E_DEFAULT_ACTION;
        const DWORD answer = BookPageUrlPolicy(action);
        if (answer == kPolicyDefault)
            return INET_E_DEFAULT_ACTION;
        memcpy(policy, &answer, sizeof(answer));
        return answer == URLPOLICY_ALLOW ? S_OK : S_FALSE;
    }
    STDMETHODIMP QueryCustomPolicy(LPCWSTR, REFGUID, BYTE**, DWORD*, BYTE*, DWORD, DWORD) override {
        return INET_E_DEFAULT_ACTION;
    }
    STDMETHODIMP SetZoneMapping(DWORD, LPCWSTR, DWORD) override { return INET_E_DEFAULT_ACTION; }
    STDMETHODIMP GetZoneMappings(DWORD, IEnumString**, DWORD) override {
        return INET_E_DEFAULT_ACTION;
    }

    // IOleCommandTarget: the document asks here before showing a script error; the answer is
    // "go on running scripts" with no dialog.
    STDMETHODIMP QueryStatus(const GUID*, ULONG, OLECMD*, OLECMDTEXT*) override {
        return OLECMDERR_E_UNKNOWNGROUP;
    }
    STDMETHODIMP Exec(const GUID* group, DWORD id, DWORD, VARIANT*, VARIANT* out) override {
        if (!group || !IsEqualGUID(*group, kCGID_DocHostCommandHandler))
            return OLECMDERR_E_UNKNOWNGROUP;
        if (id != OLECMDID_SHOWSCRIPTERROR)
            return OLECMDERR_E_NOTSUPPORTED;
        if (out) {
            VariantClear(out);
            out->vt = VT_BOOL;
            out->boolVal = VARIANT_TRUE;
        }
        return S_OK;
    }

    // IDispatch: the DWebBrowserEvents2 sink.
    STDMETHODIMP GetTypeInfoCount(UINT* n) override {
        if (n)
            *n = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return E_NOTIMPL;
    }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                        UINT*) override {
        if (!params || !m_events)
            return S_OK;
        // Arguments arrive in reverse order: the last parameter is rgvarg[0].
        const VARIANT* a = params->rgvarg;
        const UINT n = params->cArgs;
        switch (id) {
            case DISPID_BEFORENAVIGATE2:
                if (n >= 7) {
                    const bool top = IsTopLevel(a[6].vt == VT_DISPATCH ? a[6].pdispVal : nullptr);
                    const bool cancel = m_events->OnBeforeNavigate(VariantText(a[5]), top);
                    SetCancel(a[0], cancel);
                }
                break;
            case DISPID_NAVIGATECOMPLETE2:
                if (n >= 2) {
                    const bool top = IsTopLevel(a[1].vt == VT_DISPATCH ? a[1].pdispVal : nullptr);
                    m_events->OnNavigateComplete(VariantText(a[0]), top);
                }
                break;
            case DISPID_NAVIGATEERROR:
                if (n >= 5) {
                    const bool top = IsTopLevel(a[4].vt == VT_DISPATCH ? a[4].pdispVal : nullptr);
                    // Cancelling keeps the control from loading its own error page where the
                    // window shows a message of its own (the whole page, not a frame).
                    SetCancel(a[0], top);
                    m_events->OnNavigateError(VariantText(a[3]), top, VariantLong(a[1]));
                }
                break;
            case DISPID_NEWWINDOW3:
                // (ppDisp, Cancel, dwFlags, bstrUrlContext, bstrUrl): always cancelled; the
                // window opens book pages in place and hands web links on.
                if (n >= 5) {
                    SetCancel(a[3], true);
                    m_events->OnNewWindow(VariantText(a[0]),
                                          (VariantLong(a[2]) & kNewWindowUserStarted) != 0);
                }
                break;
            case DISPID_TITLECHANGE:
                if (n >= 1)
                    m_events->OnTitleChange(VariantText(a[0]));
                break;
            default:
                break;
        }
        return S_OK;
    }
};

CBrowserHost::CBrowserHost() = default;

CBrowserHost::~CBrowserHost() {
    Destroy();
}

bool CBrowserHost::Create(HWND parent, const RECT& rect, IBrowserEvents* events, std::string* error,
                          const CLSID* browserClass) {
    Destroy();
    CHostSite* site = new CHostSite(parent, events);
    site->m_rect = rect;
    m_site = site;
    HRESULT hr = CoCreateInstance(browserClass ? *browserClass : CLSID_WebBrowser, nullptr,
                                  CLSCTX_INPROC_SERVER, IID_IOleObject, site->m_object.Out());
    const char* step = "created";
    if (SUCCEEDED(hr)) {
        hr = site->m_object->SetClientSite(site);
        step = "given its site";
    }
    if (SUCCEEDED(hr)) {
        hr = site->m_object->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site, 0, parent, &rect);
        step = "activated";
    }
    if (SUCCEEDED(hr)) {
        hr = site->m_object->QueryInterface(IID_IWebBrowser2, site->m_browser.Out());
        step = "reached";
    }
    if (SUCCEEDED(hr)) {
        CComPtr<IConnectionPointContainer> container;
        CComPtr<IConnectionPoint> point;
        if (SUCCEEDED(
                site->m_browser->QueryInterface(IID_IConnectionPointContainer, container.Out())) &&
            SUCCEEDED(container->FindConnectionPoint(DIID_DWebBrowserEvents2, &point)))
            hr = point->Advise(static_cast<IDispatch*>(site), &site->m_cookie);
        else
            hr = E_NOINTERFACE;
        step = "connected to its events";
    }
    if (FAILED(hr)) {
        char text[200];
        wsprintfA(text,
                  "The system's web-browser control could not be %s (error 0x%08lX), so the "
                  "pages of this e-book cannot be shown.",
                  step, static_cast<unsigned long>(hr));
        if (error)
            *error = text;
        Destroy();
        return false;
    }
    // Script errors never reach the reader as dialogs.
    site->m_browser->put_Silent(VARIANT_TRUE);
    SetRect(rect);
    return true;
}

void CBrowserHost::Destroy() {
    if (!m_site)
        return;
    CHostSite* site = m_site;
    m_site = nullptr;
    if (site->m_browser && site->m_cookie) {
        CComPtr<IConnectionPointContainer> container;
        CComPtr<IConnectionPoint> point;
        if (SUCCEEDED(
                site->m_browser->QueryInterface(IID_IConnectionPointContainer, container.Out())) &&
            SUCCEEDED(container->FindConnectionPoint(DIID_DWebBrowserEvents2, &point)))
            point->Unadvise(site->m_cookie);
    }
    site->m_events = nullptr;
    site->m_active.Release();
    site->m_browser.Release();
    if (site->m_object) {
        site->m_object->Close(OLECLOSE_NOSAVE);
        site->m_object->SetClientSite(nullptr);
        site->m_object.Release();
    }
    site->Release();
}

bool CBrowserHost::IsCreated() const {
    return m_site && m_site->m_browser;
}

IDispatch* CBrowserHost::GetDocument() const {
    IDispatch* doc = nullptr;
    if (m_site && m_site->m_browser && FAILED(m_site->m_browser->get_Document(&doc)))
        doc = nullptr;
    return doc;
}

void CBrowserHost::SetRect(const RECT& rect) {
    if (!m_site)
        return;
    m_site->m_rect = rect;
    CComPtr<IOleInPlaceObject> inplace;
    if (m_site->m_object &&
        SUCCEEDED(m_site->m_object->QueryInterface(IID_IOleInPlaceObject, inplace.Out())))
        inplace->SetObjectRects(&rect, &rect);
}

void CBrowserHost::Show(bool show) {
    if (HWND h = GetControlWindow())
        ShowWindow(h, show ? SW_SHOW : SW_HIDE);
}

bool CBrowserHost::Navigate(const std::string& url) {
    if (!IsCreated())
        return false;
    const std::wstring wurl = CWinText::Wide(url);
    BSTR burl = SysAllocString(wurl.c_str());
    VARIANT empty;
    VariantInit(&empty);
    const HRESULT hr = m_site->m_browser->Navigate(burl, &empty, &empty, &empty, &empty);
    SysFreeString(burl);
    return SUCCEEDED(hr);
}

void CBrowserHost::Focus() {
    if (HWND control = GetControlWindow()) {
        if (IsWindowVisible(control))
            SetFocus(control);
    }
}

bool CBrowserHost::Run(PageCommand command) {
    switch (command) {
        case PageCommand::copy:
            return Exec(OLECMDID_COPY, OLECMDEXECOPT_DONTPROMPTUSER, nullptr, nullptr);
        case PageCommand::selectAll:
            return Exec(OLECMDID_SELECTALL, OLECMDEXECOPT_DONTPROMPTUSER, nullptr, nullptr);
        case PageCommand::findInPage:
            return Exec(OLECMDID_FIND, OLECMDEXECOPT_PROMPTUSER, nullptr, nullptr);
        case PageCommand::print:
            return Exec(OLECMDID_PRINT, OLECMDEXECOPT_PROMPTUSER, nullptr, nullptr);
    }
    return false;
}

void CBrowserHost::SetTextSize(int size) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = size;
    Exec(OLECMDID_ZOOM, OLECMDEXECOPT_DONTPROMPTUSER, &v, nullptr);
}

void CBrowserHost::MarkHits(const std::vector<std::string>& terms) {
    CPageHits hits;
    hits.SetTerms(terms);
    CComPtr<IDispatch> doc(GetDocument());
    hits.Mark(doc.get());
}

void CBrowserHost::SelectNextHit(const std::vector<std::string>& terms) {
    CPageHits hits;
    hits.SetTerms(terms);
    CComPtr<IDispatch> doc(GetDocument());
    hits.SelectNext(doc.get());
}

bool CBrowserHost::Exec(OLECMDID command, OLECMDEXECOPT option, VARIANT* in, VARIANT* out) {
    if (!IsCreated())
        return false;
    return SUCCEEDED(m_site->m_browser->ExecWB(command, option, in, out));
}

bool CBrowserHost::TranslateAccelerator(MSG* msg) {
    if (!m_site || !m_site->m_active)
        return false;
    if (msg->message < WM_KEYFIRST || msg->message > WM_KEYLAST)
        return false;
    return m_site->m_active->TranslateAccelerator(msg) == S_OK;
}

HWND CBrowserHost::GetControlWindow() const {
    if (!m_site || !m_site->m_object)
        return nullptr;
    CComPtr<IOleInPlaceObject> inplace;
    HWND h = nullptr;
    if (SUCCEEDED(m_site->m_object->QueryInterface(IID_IOleInPlaceObject, inplace.Out())))
        inplace->GetWindow(&h);
    return h;
}

IUnknown* CBrowserHost::GetSite() const {
    return m_site ? static_cast<IOleClientSite*>(m_site) : nullptr;
}

bool CBrowserHost::IsEditing() const {
    if (!IsCreated())
        return false;
    CComPtr<IDispatch> doc;
    CComPtr<IHTMLDocument2> html;
    CComPtr<IHTMLElement> active;
    if (FAILED(m_site->m_browser->get_Document(&doc)) || !doc ||
        FAILED(doc->QueryInterface(IID_IHTMLDocument2, html.Out())) ||
        FAILED(html->get_activeElement(&active)) || !active)
        return false;
    BSTR tag = nullptr;
    bool editing = false;
    if (SUCCEEDED(active->get_tagName(&tag)) && tag)
        editing = lstrcmpiW(tag, L"INPUT") == 0 || lstrcmpiW(tag, L"TEXTAREA") == 0 ||
                  lstrcmpiW(tag, L"SELECT") == 0;
    SysFreeString(tag);
    CComPtr<IHTMLElement3> element;
    VARIANT_BOOL editable = VARIANT_FALSE;
    if (!editing && SUCCEEDED(active->QueryInterface(kIID_IHTMLElement3, element.Out())) &&
        SUCCEEDED(element->get_isContentEditable(&editable)))
        editing = editable != VARIANT_FALSE;
    return editing;
}
