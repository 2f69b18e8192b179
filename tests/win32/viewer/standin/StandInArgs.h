// The settings and the event arguments of the stand-in WebView2 runtime: objects the stand-in
// hands to the viewer's handlers and reads back after they return.
#pragma once

#include <cstdio>

#include "StandIn.h"

class CSettings final
    : public ComObject<CSettings, ComItf<ICoreWebView2Settings4, &kIID_ICoreWebView2Settings4>> {
  public:
    BOOL devTools = TRUE, statusBar = TRUE, contextMenus = TRUE, zoomControl = TRUE,
         hostObjects = TRUE, webMessage = TRUE, accelerators = TRUE, passwords = TRUE,
         autofill = TRUE;

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        // Every settings interface is this one object, as in the runtime.
        if (IsEqualIID(riid, kIID_ICoreWebView2Settings3)) {
            *ppv = static_cast<ICoreWebView2Settings4*>(this);
            AddRef();
            return S_OK;
        }
        return ComObject::QueryInterface(riid, ppv);
    }
    void Note() {
        char text[200];
        std::snprintf(text, sizeof(text),
                      "devtools=%d statusbar=%d contextmenus=%d zoomcontrol=%d hostobjects=%d "
                      "webmessage=%d accelerators=%d passwords=%d autofill=%d",
                      devTools, statusBar, contextMenus, zoomControl, hostObjects, webMessage,
                      accelerators, passwords, autofill);
        g_record.settings = text;
    }
    SLOT(get_IsScriptEnabled)
    SLOT(put_IsScriptEnabled)
    SLOT(get_IsWebMessageEnabled)
    STDMETHODIMP put_IsWebMessageEnabled(BOOL v) override { return Set(&webMessage, v); }
    SLOT(get_AreDefaultScriptDialogsEnabled)
    SLOT(put_AreDefaultScriptDialogsEnabled)
    SLOT(get_IsStatusBarEnabled)
    STDMETHODIMP put_IsStatusBarEnabled(BOOL v) override { return Set(&statusBar, v); }
    SLOT(get_AreDevToolsEnabled)
    STDMETHODIMP put_AreDevToolsEnabled(BOOL v) override { return Set(&devTools, v); }
    SLOT(get_AreDefaultContextMenusEnabled)
    STDMETHODIMP put_AreDefaultContextMenusEnabled(BOOL v) override {
        return Set(&contextMenus, v);
    }
    SLOT(get_AreHostObjectsAllowed)
    STDMETHODIMP put_AreHostObjectsAllowed(BOOL v) override { return Set(&hostObjects, v); }
    SLOT(get_IsZoomControlEnabled)
    STDMETHODIMP put_IsZoomControlEnabled(BOOL v) override { return Set(&zoomControl, v); }
    SLOT(get_IsBuiltInErrorPageEnabled)
    SLOT(put_IsBuiltInErrorPageEnabled)
    SLOT(get_UserAgent)
    SLOT(put_UserAgent)
    SLOT(get_AreBrowserAcceleratorKeysEnabled)
    STDMETHODIMP put_AreBrowserAcceleratorKeysEnabled(BOOL v) override {
        return Set(&accelerators, v);
    }
    SLOT(get_IsPasswordAutosaveEnabled)
    STDMETHODIMP put_IsPasswordAutosaveEnabled(BOOL v) override { return Set(&passwords, v); }
    SLOT(get_IsGeneralAutofillEnabled)
    STDMETHODIMP put_IsGeneralAutofillEnabled(BOOL v) override { return Set(&autofill, v); }

  private:
    HRESULT Set(BOOL* field, BOOL v) {
        *field = v ? TRUE : FALSE;
        Note();
        return S_OK;
    }
};

class CNavigationArgs final
    : public ComObject<CNavigationArgs, ComItf<ICoreWebView2NavigationStartingEventArgs,
                                               &kIID_ICoreWebView2NavigationStartingEventArgs>> {
  public:
    std::wstring uri;
    BOOL user = FALSE, cancel = FALSE;
    STDMETHODIMP get_Uri(LPWSTR* out) override {
        *out = CoString(uri);
        return S_OK;
    }
    STDMETHODIMP get_IsUserInitiated(BOOL* out) override {
        *out = user;
        return S_OK;
    }
    SLOT(get_IsRedirected)
    SLOT(get_RequestHeaders)
    SLOT(get_Cancel)
    STDMETHODIMP put_Cancel(BOOL v) override {
        cancel = v;
        return S_OK;
    }
    SLOT(get_NavigationId)
};

class CCompletedArgs final
    : public ComObject<CCompletedArgs, ComItf<ICoreWebView2NavigationCompletedEventArgs,
                                              &kIID_ICoreWebView2NavigationCompletedEventArgs>> {
  public:
    BOOL success = FALSE;
    int status = 0;
    STDMETHODIMP get_IsSuccess(BOOL* out) override {
        *out = success;
        return S_OK;
    }
    STDMETHODIMP get_WebErrorStatus(int* out) override {
        *out = status;
        return S_OK;
    }
    SLOT(get_NavigationId)
};

class CSourceArgs final
    : public ComObject<CSourceArgs, ComItf<ICoreWebView2SourceChangedEventArgs,
                                           &kIID_ICoreWebView2SourceChangedEventArgs>> {
  public:
    BOOL isNew = TRUE;
    STDMETHODIMP get_IsNewDocument(BOOL* out) override {
        *out = isNew;
        return S_OK;
    }
};

class CNewWindowArgs final
    : public ComObject<CNewWindowArgs, ComItf<ICoreWebView2NewWindowRequestedEventArgs,
                                              &kIID_ICoreWebView2NewWindowRequestedEventArgs>> {
  public:
    std::wstring uri;
    BOOL user = FALSE, handled = FALSE;
    STDMETHODIMP get_Uri(LPWSTR* out) override {
        *out = CoString(uri);
        return S_OK;
    }
    SLOT(put_NewWindow)
    SLOT(get_NewWindow)
    STDMETHODIMP put_Handled(BOOL v) override {
        handled = v;
        return S_OK;
    }
    SLOT(get_Handled)
    STDMETHODIMP get_IsUserInitiated(BOOL* out) override {
        *out = user;
        return S_OK;
    }
    SLOT(GetDeferral)
    SLOT(get_WindowFeatures)
};

class CMessageArgs final
    : public ComObject<CMessageArgs, ComItf<ICoreWebView2WebMessageReceivedEventArgs,
                                            &kIID_ICoreWebView2WebMessageReceivedEventArgs>> {
  public:
    std::wstring text;
    SLOT(get_Source)
    SLOT(get_WebMessageAsJson)
    STDMETHODIMP TryGetWebMessageAsString(LPWSTR* out) override {
        *out = CoString(text);
        return S_OK;
    }
};

// The profile: what the pages are asked to prefer.
class CProfile final
    : public ComObject<CProfile, ComItf<ICoreWebView2Profile, &kIID_ICoreWebView2Profile>> {
  public:
    SLOT(get_ProfileName)
    SLOT(get_IsInPrivateModeEnabled)
    SLOT(get_ProfilePath)
    SLOT(get_DefaultDownloadFolderPath)
    SLOT(put_DefaultDownloadFolderPath)
    SLOT(get_PreferredColorScheme)
    STDMETHODIMP put_PreferredColorScheme(int scheme) override {
        if (scheme < kWebViewSchemeAuto || scheme > kWebViewSchemeDark)
            return E_INVALIDARG;
        g_record.colorScheme = scheme;
        return S_OK;
    }
};

class CMoveFocusArgs final
    : public ComObject<CMoveFocusArgs, ComItf<ICoreWebView2MoveFocusRequestedEventArgs,
                                              &kIID_ICoreWebView2MoveFocusRequestedEventArgs>> {
  public:
    int reason = 0;
    BOOL handled = FALSE;
    STDMETHODIMP get_Reason(int* out) override {
        *out = reason;
        return S_OK;
    }
    SLOT(get_Handled)
    STDMETHODIMP put_Handled(BOOL v) override {
        handled = v;
        return S_OK;
    }
};

class CKeyArgs final
    : public ComObject<CKeyArgs, ComItf<ICoreWebView2AcceleratorKeyPressedEventArgs,
                                        &kIID_ICoreWebView2AcceleratorKeyPressedEventArgs>> {
  public:
    int kind = 0;
    UINT key = 0;
    BOOL handled = FALSE;
    STDMETHODIMP get_KeyEventKind(int* out) override {
        *out = kind;
        return S_OK;
    }
    STDMETHODIMP get_VirtualKey(UINT* out) override {
        *out = key;
        return S_OK;
    }
    SLOT(get_KeyEventLParam)
    SLOT(get_PhysicalKeyStatus)
    SLOT(get_Handled)
    STDMETHODIMP put_Handled(BOOL v) override {
        handled = v;
        return S_OK;
    }
};

class CDownloadArgs final
    : public ComObject<CDownloadArgs, ComItf<ICoreWebView2DownloadStartingEventArgs,
                                             &kIID_ICoreWebView2DownloadStartingEventArgs>> {
  public:
    BOOL cancel = FALSE, handled = FALSE;
    SLOT(get_DownloadOperation)
    SLOT(get_Cancel)
    STDMETHODIMP put_Cancel(BOOL v) override {
        cancel = v;
        return S_OK;
    }
    SLOT(get_ResultFilePath)
    SLOT(put_ResultFilePath)
    SLOT(get_Handled)
    STDMETHODIMP put_Handled(BOOL v) override {
        handled = v;
        return S_OK;
    }
    SLOT(GetDeferral)
};

class CPermissionArgs final
    : public ComObject<CPermissionArgs, ComItf<ICoreWebView2PermissionRequestedEventArgs,
                                               &kIID_ICoreWebView2PermissionRequestedEventArgs>> {
  public:
    int state = 0;  // COREWEBVIEW2_PERMISSION_STATE_DEFAULT: the runtime would ask the reader
    SLOT(get_Uri)
    SLOT(get_PermissionKind)
    SLOT(get_IsUserInitiated)
    SLOT(get_State)
    STDMETHODIMP put_State(int v) override {
        state = v;
        return S_OK;
    }
    SLOT(GetDeferral)
};

class CProcessFailedArgs final
    : public ComObject<CProcessFailedArgs, ComItf<ICoreWebView2ProcessFailedEventArgs,
                                                  &kIID_ICoreWebView2ProcessFailedEventArgs>> {
  public:
    int kind = 0;
    STDMETHODIMP get_ProcessFailedKind(int* out) override {
        *out = kind;
        return S_OK;
    }
};
