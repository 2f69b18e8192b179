#include "viewer/Accessible.h"

#include <commctrl.h>
#include <oleacc.h>

#include <vector>

#include "platform/win/ComPtr.h"
#include "platform/win/WinText.h"

const IID kIID_IAccessible = {
    0x618736e0, 0x3c3d, 0x11cf, {0x81, 0x0c, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};

namespace {

const IID kIID_IDispatch = {0x00020400, 0, 0, {0xc0, 0, 0, 0, 0, 0, 0, 0x46}};
const CLSID kCLSID_AccPropServices = {
    0xb5f8350b, 0x0548, 0x48b1, {0xa6, 0xee, 0x88, 0xbd, 0x00, 0xb4, 0xa5, 0xe7}};
const IID kIID_IAccPropServices = {
    0x6e26e776, 0x04f0, 0x495d, {0x80, 0xe4, 0x33, 0x30, 0x35, 0x2e, 0x31, 0x69}};
// UI Automation's LiveSetting property, set through the annotation service.
const GUID kLiveSettingProperty = {
    0xc12bcd8e, 0x2a8e, 0x4950, {0x8a, 0xe7, 0x36, 0x25, 0x11, 0x1d, 0x58, 0xeb}};
const long kPolite = 1;
const DWORD kLiveRegionChanged = 0x8019;  // EVENT_OBJECT_LIVEREGIONCHANGED (Windows 8)
const UINT_PTR kSubclassId = 0x5056;      // "PV"

HRESULT ToBstr(const std::wstring& text, BSTR* out) {
    *out = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return *out ? S_OK : E_OUTOFMEMORY;
}

// The child a VARIANT names: 0 for the object itself, -1 when it names nothing.
long ChildOf(const VARIANT& v) {
    return v.vt == VT_I4 ? v.lVal : -1;
}

std::wstring WindowText(HWND hwnd) {
    const int n = GetWindowTextLengthW(hwnd);
    std::wstring text(static_cast<size_t>(n) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(hwnd, &text[0], n + 1)));
    return text;
}

class CAccessible final
    : public ComObject<CAccessible, ComItf<IAccessible, &kIID_IAccessible, &kIID_IDispatch>> {
  public:
    CAccessible(HWND hwnd, const AccessibleSpec* spec, IAccessible* standard)
        : m_hwnd(hwnd), m_spec(spec) {
        m_std.CopyFrom(standard);
    }

    // IDispatch: the standard object's.
    STDMETHODIMP GetTypeInfoCount(UINT* n) override { return m_std->GetTypeInfoCount(n); }
    STDMETHODIMP GetTypeInfo(UINT i, LCID lcid, ITypeInfo** info) override {
        return m_std->GetTypeInfo(i, lcid, info);
    }
    STDMETHODIMP GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT n, LCID lcid,
                               DISPID* ids) override {
        return m_std->GetIDsOfNames(riid, names, n, lcid, ids);
    }
    STDMETHODIMP Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params,
                        VARIANT* result, EXCEPINFO* info, UINT* arg) override {
        return m_std->Invoke(id, riid, lcid, flags, params, result, info, arg);
    }

    STDMETHODIMP get_accParent(IDispatch** parent) override { return m_std->get_accParent(parent); }
    STDMETHODIMP get_accChildCount(long* count) override {
        if (!count)
            return E_POINTER;
        if (!HasChildren())
            return m_std->get_accChildCount(count);
        *count = Children();
        return S_OK;
    }
    STDMETHODIMP get_accChild(VARIANT child, IDispatch** out) override {
        if (!out)
            return E_POINTER;
        if (!HasChildren())
            return m_std->get_accChild(child, out);
        *out = nullptr;  // the children are simple elements of this object
        return ValidChild(child) ? S_FALSE : E_INVALIDARG;
    }
    STDMETHODIMP get_accName(VARIANT child, BSTR* name) override {
        if (!name)
            return E_POINTER;
        *name = nullptr;
        const long c = ChildOf(child);
        if (c == CHILDID_SELF && m_spec->kind == AccessibleKind::text)
            return ToBstr(WindowText(m_hwnd), name);
        if (c == CHILDID_SELF && m_spec->name)
            return ToBstr(m_spec->name, name);
        if (!HasChildren() || c == CHILDID_SELF)
            return m_std->get_accName(child, name);
        if (!ValidChild(child))
            return E_INVALIDARG;
        return ToBstr(ItemText(c - 1), name);
    }
    STDMETHODIMP get_accValue(VARIANT child, BSTR* value) override {
        if (HasChildren() && ChildOf(child) > 0) {
            *value = nullptr;
            return ValidChild(child) ? S_FALSE : E_INVALIDARG;
        }
        return m_std->get_accValue(child, value);
    }
    STDMETHODIMP get_accDescription(VARIANT child, BSTR* text) override {
        if (!text)
            return E_POINTER;
        *text = nullptr;
        if (m_spec->kind != AccessibleKind::results || ChildOf(child) <= 0)
            return m_std->get_accDescription(child, text);
        if (!ValidChild(child))
            return E_INVALIDARG;
        std::wstring description;
        SendMessageW(GetParent(m_hwnd), WM_PV_ITEM_DESCRIPTION,
                     static_cast<WPARAM>(ChildOf(child) - 1),
                     reinterpret_cast<LPARAM>(&description));
        if (description.empty())
            return S_FALSE;
        return ToBstr(description, text);
    }
    STDMETHODIMP get_accRole(VARIANT child, VARIANT* role) override {
        if (!role)
            return E_POINTER;
        const long c = ChildOf(child);
        long value = 0;
        if (c == CHILDID_SELF)
            value = m_spec->role;
        else if (HasChildren() && ValidChild(child))
            value = m_spec->kind == AccessibleKind::toolbar ? ROLE_SYSTEM_PUSHBUTTON
                                                            : ROLE_SYSTEM_LISTITEM;
        if (!value)
            return m_std->get_accRole(child, role);
        VariantInit(role);
        role->vt = VT_I4;
        role->lVal = value;
        return S_OK;
    }
    STDMETHODIMP get_accState(VARIANT child, VARIANT* state) override {
        if (!state)
            return E_POINTER;
        const long c = ChildOf(child);
        if (!HasChildren() || c == CHILDID_SELF)
            return m_std->get_accState(child, state);
        if (!ValidChild(child))
            return E_INVALIDARG;
        VariantInit(state);
        state->vt = VT_I4;
        state->lVal = ItemState(c - 1);
        return S_OK;
    }
    STDMETHODIMP get_accHelp(VARIANT child, BSTR* help) override {
        return m_std->get_accHelp(child, help);
    }
    STDMETHODIMP get_accHelpTopic(BSTR* file, VARIANT child, long* topic) override {
        return m_std->get_accHelpTopic(file, child, topic);
    }
    STDMETHODIMP get_accKeyboardShortcut(VARIANT child, BSTR* key) override {
        if (!key)
            return E_POINTER;
        *key = nullptr;
        const long c = ChildOf(child);
        if (m_spec->kind != AccessibleKind::toolbar || c <= 0 || !m_spec->keyOfCommand)
            return m_std->get_accKeyboardShortcut(child, key);
        if (!ValidChild(child))
            return E_INVALIDARG;
        const char* k = m_spec->keyOfCommand(ButtonCommand(c - 1));
        return k ? ToBstr(CWinText::Wide(k), key) : S_FALSE;
    }
    STDMETHODIMP get_accFocus(VARIANT* focus) override {
        if (m_spec->kind == AccessibleKind::results && focus && GetFocus() == m_hwnd) {
            VariantInit(focus);
            focus->vt = VT_I4;
            focus->lVal = Selected() + 1;  // 0, the list itself, without a selection
            return S_OK;
        }
        return m_std->get_accFocus(focus);
    }
    STDMETHODIMP get_accSelection(VARIANT* selection) override {
        if (m_spec->kind != AccessibleKind::results || !selection)
            return m_std->get_accSelection(selection);
        VariantInit(selection);
        if (Selected() < 0)
            return S_FALSE;
        selection->vt = VT_I4;
        selection->lVal = Selected() + 1;
        return S_OK;
    }
    STDMETHODIMP get_accDefaultAction(VARIANT child, BSTR* action) override {
        if (!HasChildren() || ChildOf(child) <= 0)
            return m_std->get_accDefaultAction(child, action);
        if (!ValidChild(child))
            return E_INVALIDARG;
        return ToBstr(m_spec->kind == AccessibleKind::toolbar ? L"Press" : L"Open", action);
    }
    STDMETHODIMP accSelect(long flags, VARIANT child) override {
        if (m_spec->kind != AccessibleKind::results || ChildOf(child) <= 0)
            return m_std->accSelect(flags, child);
        if (!ValidChild(child))
            return E_INVALIDARG;
        if (flags & SELFLAG_TAKEFOCUS)
            SetFocus(m_hwnd);
        if (flags & SELFLAG_TAKESELECTION)
            SelectItem(ChildOf(child) - 1);
        return S_OK;
    }
    STDMETHODIMP accLocation(long* x, long* y, long* w, long* h, VARIANT child) override {
        if (!HasChildren() || ChildOf(child) <= 0)
            return m_std->accLocation(x, y, w, h, child);
        if (!x || !y || !w || !h)
            return E_POINTER;
        if (!ValidChild(child))
            return E_INVALIDARG;
        RECT rc = {};
        const long i = ChildOf(child) - 1;
        if (m_spec->kind == AccessibleKind::toolbar)
            SendMessageW(m_hwnd, TB_GETITEMRECT, static_cast<WPARAM>(i),
                         reinterpret_cast<LPARAM>(&rc));
        else
            SendMessageW(m_hwnd, LB_GETITEMRECT, static_cast<WPARAM>(i),
                         reinterpret_cast<LPARAM>(&rc));
        MapWindowPoints(m_hwnd, nullptr, reinterpret_cast<POINT*>(&rc), 2);
        *x = rc.left;
        *y = rc.top;
        *w = rc.right - rc.left;
        *h = rc.bottom - rc.top;
        return S_OK;
    }
    STDMETHODIMP accNavigate(long dir, VARIANT start, VARIANT* end) override {
        if (!HasChildren() || !end)
            return m_std->accNavigate(dir, start, end);
        const long c = ChildOf(start);
        long to = -1;
        if (c == CHILDID_SELF && (dir == NAVDIR_FIRSTCHILD || dir == NAVDIR_LASTCHILD))
            to = dir == NAVDIR_FIRSTCHILD ? 1 : Children();
        else if (c > 0 && (dir == NAVDIR_NEXT || dir == NAVDIR_DOWN || dir == NAVDIR_RIGHT))
            to = c + 1;
        else if (c > 0 && (dir == NAVDIR_PREVIOUS || dir == NAVDIR_UP || dir == NAVDIR_LEFT))
            to = c - 1;
        else
            return m_std->accNavigate(dir, start, end);
        VariantInit(end);
        if (to < 1 || to > Children())
            return S_FALSE;
        end->vt = VT_I4;
        end->lVal = to;
        return S_OK;
    }
    STDMETHODIMP accHitTest(long x, long y, VARIANT* hit) override {
        if (!HasChildren() || !hit)
            return m_std->accHitTest(x, y, hit);
        POINT pt = {x, y};
        ScreenToClient(m_hwnd, &pt);
        long item = -1;
        if (m_spec->kind == AccessibleKind::toolbar) {
            const LRESULT r = SendMessageW(m_hwnd, TB_HITTEST, 0, reinterpret_cast<LPARAM>(&pt));
            item = r >= 0 ? static_cast<long>(r) : -1;
        } else {
            const LRESULT r = SendMessageW(m_hwnd, LB_ITEMFROMPOINT, 0, MAKELPARAM(pt.x, pt.y));
            item = HIWORD(r) == 0 ? static_cast<long>(LOWORD(r)) : -1;
        }
        if (item < 0 || item >= Children())
            return m_std->accHitTest(x, y, hit);
        VariantInit(hit);
        hit->vt = VT_I4;
        hit->lVal = item + 1;
        return S_OK;
    }
    STDMETHODIMP accDoDefaultAction(VARIANT child) override {
        if (!HasChildren() || ChildOf(child) <= 0)
            return m_std->accDoDefaultAction(child);
        if (!ValidChild(child))
            return E_INVALIDARG;
        const long i = ChildOf(child) - 1;
        // Posted: a screen reader's call returns before a command opens a dialog.
        if (m_spec->kind == AccessibleKind::toolbar) {
            if (ItemState(i) & STATE_SYSTEM_UNAVAILABLE)
                return S_FALSE;
            PostMessageW(GetParent(m_hwnd), WM_COMMAND, MAKEWPARAM(ButtonCommand(i), BN_CLICKED),
                         reinterpret_cast<LPARAM>(m_hwnd));
        } else {
            SelectItem(i);
            PostMessageW(GetParent(m_hwnd), WM_COMMAND,
                         MAKEWPARAM(GetDlgCtrlID(m_hwnd), LBN_DBLCLK),
                         reinterpret_cast<LPARAM>(m_hwnd));
        }
        return S_OK;
    }
    STDMETHODIMP put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
    STDMETHODIMP put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }

  private:
    bool HasChildren() const {
        return m_spec->kind == AccessibleKind::toolbar || m_spec->kind == AccessibleKind::results;
    }
    long Children() const {
        if (!IsWindow(m_hwnd))
            return 0;
        const LRESULT n = SendMessageW(
            m_hwnd, m_spec->kind == AccessibleKind::toolbar ? TB_BUTTONCOUNT : LB_GETCOUNT, 0, 0);
        return n > 0 ? static_cast<long>(n) : 0;
    }
    bool ValidChild(const VARIANT& v) const {
        const long c = ChildOf(v);
        return c >= 1 && c <= Children();
    }
    int ButtonCommand(long i) const {
        TBBUTTON b = {};
        SendMessageW(m_hwnd, TB_GETBUTTON, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&b));
        return b.idCommand;
    }
    long Selected() const { return static_cast<long>(SendMessageW(m_hwnd, LB_GETCURSEL, 0, 0)); }
    void SelectItem(long i) {
        SendMessageW(m_hwnd, LB_SETCURSEL, static_cast<WPARAM>(i), 0);
        SendMessageW(GetParent(m_hwnd), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(m_hwnd), LBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(m_hwnd));
    }
    std::wstring ItemText(long i) const {
        if (m_spec->kind == AccessibleKind::toolbar) {
            return ToolbarButtonText(m_hwnd, ButtonCommand(i));
        }
        const LRESULT n = SendMessageW(m_hwnd, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0);
        if (n <= 0)
            return std::wstring();
        std::vector<wchar_t> text(static_cast<size_t>(n) + 1, L'\0');
        SendMessageW(m_hwnd, LB_GETTEXT, static_cast<WPARAM>(i),
                     reinterpret_cast<LPARAM>(text.data()));
        return text.data();
    }
    long ItemState(long i) const {
        long state = 0;
        if (m_spec->kind == AccessibleKind::toolbar) {
            const LRESULT s = SendMessageW(m_hwnd, TB_GETSTATE, ButtonCommand(i), 0);
            if (s < 0 || !(s & TBSTATE_ENABLED))
                state |= STATE_SYSTEM_UNAVAILABLE;
            if (s >= 0 && (s & TBSTATE_CHECKED))
                state |= STATE_SYSTEM_PRESSED;
            return state;
        }
        state = STATE_SYSTEM_SELECTABLE | STATE_SYSTEM_FOCUSABLE;
        if (i == Selected()) {
            state |= STATE_SYSTEM_SELECTED;
            if (GetFocus() == m_hwnd)
                state |= STATE_SYSTEM_FOCUSED;
        }
        return state;
    }

    HWND m_hwnd;
    const AccessibleSpec* m_spec;
    CComPtr<IAccessible> m_std;
};

LRESULT CALLBACK AccessibleProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR,
                                DWORD_PTR data) {
    // The control's own object for anything but its client area (its window, scroll bars).
    if (msg == WM_GETOBJECT && static_cast<LONG>(lp) == OBJID_CLIENT) {
        CComPtr<IAccessible> standard;
        if (SUCCEEDED(
                CreateStdAccessibleObject(hwnd, OBJID_CLIENT, kIID_IAccessible, standard.Out()))) {
            CAccessible* object = new CAccessible(
                hwnd, reinterpret_cast<const AccessibleSpec*>(data), standard.get());
            const LRESULT result =
                LresultFromObject(kIID_IAccessible, wp, static_cast<IAccessible*>(object));
            object->Release();
            return result;
        }
    }
    if (msg == WM_NCDESTROY)
        RemoveWindowSubclass(hwnd, AccessibleProc, kSubclassId);
    return DefSubclassProc(hwnd, msg, wp, lp);
}

}  // namespace

bool MakeAccessible(HWND hwnd, const AccessibleSpec* spec) {
    return hwnd && spec &&
           SetWindowSubclass(hwnd, AccessibleProc, kSubclassId, reinterpret_cast<DWORD_PTR>(spec));
}

void MakeLiveRegion(HWND status) {
    CComPtr<IAccPropServices> services;
    if (FAILED(CoCreateInstance(kCLSID_AccPropServices, nullptr, CLSCTX_INPROC_SERVER,
                                kIID_IAccPropServices, services.Out())))
        return;
    VARIANT polite;
    VariantInit(&polite);
    polite.vt = VT_I4;
    polite.lVal = kPolite;
    services->SetHwndProp(status, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF,
                          kLiveSettingProperty, polite);
}

void AnnounceStatus(HWND status) {
    if (status)
        NotifyWinEvent(kLiveRegionChanged, status, OBJID_CLIENT, CHILDID_SELF);
}

std::wstring ToolbarButtonText(HWND toolbar, int id) {
    const LRESULT n = SendMessageW(toolbar, TB_GETBUTTONTEXTW, static_cast<WPARAM>(id), 0);
    if (n <= 0)
        return std::wstring();
    std::wstring text(static_cast<size_t>(n) + 1, L'\0');
    SendMessageW(toolbar, TB_GETBUTTONTEXTW, static_cast<WPARAM>(id),
                 reinterpret_cast<LPARAM>(&text[0]));
    text.resize(static_cast<size_t>(n));
    return text;
}
