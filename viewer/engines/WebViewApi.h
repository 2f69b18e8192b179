// The part of the WebView2 programming interface the viewer uses, declared here because the
// SDK's own header is not available to this build.
//
// The layouts follow the interface definition published with WebView2 SDK 1.0.1150.38
// (WebView2.idl): every interface lists its methods in the definition's order, which is the
// order of the vtable (the reference documentation sorts them by name instead). Methods the
// viewer never calls keep their place as parameterless slots named after them; only the methods
// it calls carry their real parameters. The stand-in runtime of the tests implements these same
// declarations.
#pragma once

#include <windows.h>
#include <objidl.h>

#include <cstdint>

// An event subscription, as add_... methods hand it out.
struct WebViewEventToken {
    int64_t value;
};

// Which requests a WebResourceRequested filter applies to: every kind.
const int kWebViewResourceContextAll = 0;

// KeyEventKind of an accelerator key.
enum WebViewKeyEventKind {
    kWebViewKeyDown = 0,
    kWebViewKeyUp = 1,
    kWebViewSystemKeyDown = 2,
    kWebViewSystemKeyUp = 3,
};

#define PV_WV_SLOT(name) virtual HRESULT STDMETHODCALLTYPE name() = 0

struct ICoreWebView2;
struct ICoreWebView2Controller;
struct ICoreWebView2Environment;
struct ICoreWebView2Settings;
struct ICoreWebView2WebResourceResponse;

struct ICoreWebView2Deferral : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Complete() = 0;
};

struct ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Invoke(HRESULT result, ICoreWebView2Environment* env) = 0;
};

struct ICoreWebView2CreateCoreWebView2ControllerCompletedHandler : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Invoke(HRESULT result,
                                             ICoreWebView2Controller* controller) = 0;
};

struct ICoreWebView2Environment : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE CreateCoreWebView2Controller(
        HWND parent, ICoreWebView2CreateCoreWebView2ControllerCompletedHandler* handler) = 0;
    virtual HRESULT STDMETHODCALLTYPE
    CreateWebResourceResponse(IStream* content, int statusCode, LPCWSTR reasonPhrase,
                              LPCWSTR headers, ICoreWebView2WebResourceResponse** response) = 0;
    PV_WV_SLOT(get_BrowserVersionString);
    PV_WV_SLOT(add_NewBrowserVersionAvailable);
    PV_WV_SLOT(remove_NewBrowserVersionAvailable);
};

struct ICoreWebView2AcceleratorKeyPressedEventArgs : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE get_KeyEventKind(int* kind) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_VirtualKey(UINT* key) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_KeyEventLParam(INT* lParam) = 0;
    PV_WV_SLOT(get_PhysicalKeyStatus);
    PV_WV_SLOT(get_Handled);
    virtual HRESULT STDMETHODCALLTYPE put_Handled(BOOL handled) = 0;
};

struct ICoreWebView2AcceleratorKeyPressedEventHandler : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Invoke(ICoreWebView2Controller* sender,
                                             ICoreWebView2AcceleratorKeyPressedEventArgs* args) = 0;
};

// COREWEBVIEW2_MOVE_FOCUS_REASON: why the focus moves into or out of the control.
enum WebViewMoveFocusReason {
    kWebViewFocusProgrammatic = 0,
    kWebViewFocusNext = 1,     // Tab past the page's last element
    kWebViewFocusPrevious = 2  // Shift+Tab past its first
};

struct ICoreWebView2MoveFocusRequestedEventArgs : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE get_Reason(int* reason) = 0;
    PV_WV_SLOT(get_Handled);
    virtual HRESULT STDMETHODCALLTYPE put_Handled(BOOL handled) = 0;
};

struct ICoreWebView2MoveFocusRequestedEventHandler : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Invoke(ICoreWebView2Controller* sender,
                                             ICoreWebView2MoveFocusRequestedEventArgs* args) = 0;
};

struct ICoreWebView2Controller : IUnknown {
    PV_WV_SLOT(get_IsVisible);
    virtual HRESULT STDMETHODCALLTYPE put_IsVisible(BOOL visible) = 0;
    PV_WV_SLOT(get_Bounds);
    virtual HRESULT STDMETHODCALLTYPE put_Bounds(RECT bounds) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_ZoomFactor(double* factor) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_ZoomFactor(double factor) = 0;
    PV_WV_SLOT(add_ZoomFactorChanged);
    PV_WV_SLOT(remove_ZoomFactorChanged);
    PV_WV_SLOT(SetBoundsAndZoomFactor);
    virtual HRESULT STDMETHODCALLTYPE MoveFocus(int reason) = 0;
    virtual HRESULT STDMETHODCALLTYPE add_MoveFocusRequested(
        ICoreWebView2MoveFocusRequestedEventHandler* handler, WebViewEventToken* token) = 0;
    PV_WV_SLOT(remove_MoveFocusRequested);
    PV_WV_SLOT(add_GotFocus);
    PV_WV_SLOT(remove_GotFocus);
    PV_WV_SLOT(add_LostFocus);
    PV_WV_SLOT(remove_LostFocus);
    virtual HRESULT STDMETHODCALLTYPE add_AcceleratorKeyPressed(
        ICoreWebView2AcceleratorKeyPressedEventHandler* handler, WebViewEventToken* token) = 0;
    PV_WV_SLOT(remove_AcceleratorKeyPressed);
    PV_WV_SLOT(get_ParentWindow);
    PV_WV_SLOT(put_ParentWindow);
    virtual HRESULT STDMETHODCALLTYPE NotifyParentWindowPositionChanged() = 0;
    virtual HRESULT STDMETHODCALLTYPE Close() = 0;
    virtual HRESULT STDMETHODCALLTYPE get_CoreWebView2(ICoreWebView2** webView) = 0;
};

struct ICoreWebView2Settings : IUnknown {
    PV_WV_SLOT(get_IsScriptEnabled);
    PV_WV_SLOT(put_IsScriptEnabled);
    PV_WV_SLOT(get_IsWebMessageEnabled);
    virtual HRESULT STDMETHODCALLTYPE put_IsWebMessageEnabled(BOOL enabled) = 0;
    PV_WV_SLOT(get_AreDefaultScriptDialogsEnabled);
    PV_WV_SLOT(put_AreDefaultScriptDialogsEnabled);
    PV_WV_SLOT(get_IsStatusBarEnabled);
    virtual HRESULT STDMETHODCALLTYPE put_IsStatusBarEnabled(BOOL enabled) = 0;
    PV_WV_SLOT(get_AreDevToolsEnabled);
    virtual HRESULT STDMETHODCALLTYPE put_AreDevToolsEnabled(BOOL enabled) = 0;
    PV_WV_SLOT(get_AreDefaultContextMenusEnabled);
    virtual HRESULT STDMETHODCALLTYPE put_AreDefaultContextMenusEnabled(BOOL enabled) = 0;
    PV_WV_SLOT(get_AreHostObjectsAllowed);
    virtual HRESULT STDMETHODCALLTYPE put_AreHostObjectsAllowed(BOOL allowed) = 0;
    PV_WV_SLOT(get_IsZoomControlEnabled);
    virtual HRESULT STDMETHODCALLTYPE put_IsZoomControlEnabled(BOOL enabled) = 0;
    PV_WV_SLOT(get_IsBuiltInErrorPageEnabled);
    virtual HRESULT STDMETHODCALLTYPE put_IsBuiltInErrorPageEnabled(BOOL enabled) = 0;
};

struct ICoreWebView2Settings2 : ICoreWebView2Settings {
    PV_WV_SLOT(get_UserAgent);
    PV_WV_SLOT(put_UserAgent);
};

struct ICoreWebView2Settings3 : ICoreWebView2Settings2 {
    PV_WV_SLOT(get_AreBrowserAcceleratorKeysEnabled);
    virtual HRESULT STDMETHODCALLTYPE put_AreBrowserAcceleratorKeysEnabled(BOOL enabled) = 0;
};

struct ICoreWebView2Settings4 : ICoreWebView2Settings3 {
    PV_WV_SLOT(get_IsPasswordAutosaveEnabled);
    virtual HRESULT STDMETHODCALLTYPE put_IsPasswordAutosaveEnabled(BOOL enabled) = 0;
    PV_WV_SLOT(get_IsGeneralAutofillEnabled);
    virtual HRESULT STDMETHODCALLTYPE put_IsGeneralAutofillEnabled(BOOL enabled) = 0;
};

struct ICoreWebView2NavigationStartingEventArgs : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE get_Uri(LPWSTR* uri) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_IsUserInitiated(BOOL* user) = 0;
    PV_WV_SLOT(get_IsRedirected);
    PV_WV_SLOT(get_RequestHeaders);
    PV_WV_SLOT(get_Cancel);
    virtual HRESULT STDMETHODCALLTYPE put_Cancel(BOOL cancel) = 0;
    PV_WV_SLOT(get_NavigationId);
};

struct ICoreWebView2NavigationStartingEventHandler : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Invoke(ICoreWebView2* sender,
                                             ICoreWebView2NavigationStartingEventArgs* args) = 0;
};

struct ICoreWebView2NavigationCompletedEventArgs : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE get_IsSuccess(BOOL* success) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_WebErrorStatus(int* status) = 0;
    PV_WV_SLOT(get_NavigationId);
};

struct ICoreWebView2NavigationCompletedEventHandler : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Invoke(ICoreWebView2* sender,
                                             ICoreWebView2NavigationCompletedEventArgs* args) = 0;
};

struct ICoreWebView2NewWindowRequestedEventArgs : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE get_Uri(LPWSTR* uri) = 0;
    PV_WV_SLOT(put_NewWindow);
    PV_WV_SLOT(get_NewWindow);
    virtual HRESULT STDMETHODCALLTYPE put_Handled(BOOL handled) = 0;
    PV_WV_SLOT(get_Handled);
    virtual HRESULT STDMETHODCALLTYPE get_IsUserInitiated(BOOL* user) = 0;
    PV_WV_SLOT(GetDeferral);
    PV_WV_SLOT(get_WindowFeatures);
};

struct ICoreWebView2NewWindowRequestedEventHandler : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Invoke(ICoreWebView2* sender,
                                             ICoreWebView2NewWindowRequestedEventArgs* args) = 0;
};

struct ICoreWebView2SourceChangedEventArgs : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE get_IsNewDocument(BOOL* isNew) = 0;
};

struct ICoreWebView2SourceChangedEventHandler : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Invoke(ICoreWebView2* sender,
                                             ICoreWebView2SourceChangedEventArgs* args) = 0;
};

struct ICoreWebView2DocumentTitleChangedEventHandler : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Invoke(ICoreWebView2* sender, IUnknown* args) = 0;
};

struct ICoreWebView2WebResourceRequest : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE get_Uri(LPWSTR* uri) = 0;
    PV_WV_SLOT(put_Uri);
    PV_WV_SLOT(get_Method);
    PV_WV_SLOT(put_Method);
    PV_WV_SLOT(get_Content);
    PV_WV_SLOT(put_Content);
    PV_WV_SLOT(get_Headers);
};

struct ICoreWebView2WebResourceResponse : IUnknown {
    PV_WV_SLOT(get_Content);
    PV_WV_SLOT(put_Content);
    PV_WV_SLOT(get_Headers);
    PV_WV_SLOT(get_StatusCode);
    PV_WV_SLOT(put_StatusCode);
    PV_WV_SLOT(get_ReasonPhrase);
    PV_WV_SLOT(put_ReasonPhrase);
};

struct ICoreWebView2WebResourceRequestedEventArgs : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE get_Request(ICoreWebView2WebResourceRequest** request) = 0;
    PV_WV_SLOT(get_Response);
    virtual HRESULT STDMETHODCALLTYPE put_Response(ICoreWebView2WebResourceResponse* response) = 0;
    PV_WV_SLOT(GetDeferral);
    PV_WV_SLOT(get_ResourceContext);
};

struct ICoreWebView2WebResourceRequestedEventHandler : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Invoke(ICoreWebView2* sender,
                                             ICoreWebView2WebResourceRequestedEventArgs* args) = 0;
};

struct ICoreWebView2WebMessageReceivedEventArgs : IUnknown {
    PV_WV_SLOT(get_Source);
    PV_WV_SLOT(get_WebMessageAsJson);
    virtual HRESULT STDMETHODCALLTYPE TryGetWebMessageAsString(LPWSTR* message) = 0;
};

struct ICoreWebView2WebMessageReceivedEventHandler : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Invoke(ICoreWebView2* sender,
                                             ICoreWebView2WebMessageReceivedEventArgs* args) = 0;
};

struct ICoreWebView2ExecuteScriptCompletedHandler : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Invoke(HRESULT result, LPCWSTR resultAsJson) = 0;
};

struct ICoreWebView2AddScriptToExecuteOnDocumentCreatedCompletedHandler : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Invoke(HRESULT result, LPCWSTR id) = 0;
};

struct ICoreWebView2 : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE get_Settings(ICoreWebView2Settings** settings) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Source(LPWSTR* uri) = 0;
    virtual HRESULT STDMETHODCALLTYPE Navigate(LPCWSTR uri) = 0;
    PV_WV_SLOT(NavigateToString);
    virtual HRESULT STDMETHODCALLTYPE add_NavigationStarting(
        ICoreWebView2NavigationStartingEventHandler* handler, WebViewEventToken* token) = 0;
    PV_WV_SLOT(remove_NavigationStarting);
    PV_WV_SLOT(add_ContentLoading);
    PV_WV_SLOT(remove_ContentLoading);
    virtual HRESULT STDMETHODCALLTYPE add_SourceChanged(
        ICoreWebView2SourceChangedEventHandler* handler, WebViewEventToken* token) = 0;
    PV_WV_SLOT(remove_SourceChanged);
    PV_WV_SLOT(add_HistoryChanged);
    PV_WV_SLOT(remove_HistoryChanged);
    virtual HRESULT STDMETHODCALLTYPE add_NavigationCompleted(
        ICoreWebView2NavigationCompletedEventHandler* handler, WebViewEventToken* token) = 0;
    PV_WV_SLOT(remove_NavigationCompleted);
    virtual HRESULT STDMETHODCALLTYPE add_FrameNavigationStarting(
        ICoreWebView2NavigationStartingEventHandler* handler, WebViewEventToken* token) = 0;
    PV_WV_SLOT(remove_FrameNavigationStarting);
    PV_WV_SLOT(add_FrameNavigationCompleted);
    PV_WV_SLOT(remove_FrameNavigationCompleted);
    PV_WV_SLOT(add_ScriptDialogOpening);
    PV_WV_SLOT(remove_ScriptDialogOpening);
    PV_WV_SLOT(add_PermissionRequested);
    PV_WV_SLOT(remove_PermissionRequested);
    PV_WV_SLOT(add_ProcessFailed);
    PV_WV_SLOT(remove_ProcessFailed);
    virtual HRESULT STDMETHODCALLTYPE AddScriptToExecuteOnDocumentCreated(
        LPCWSTR script, ICoreWebView2AddScriptToExecuteOnDocumentCreatedCompletedHandler* done) = 0;
    PV_WV_SLOT(RemoveScriptToExecuteOnDocumentCreated);
    virtual HRESULT STDMETHODCALLTYPE
    ExecuteScript(LPCWSTR script, ICoreWebView2ExecuteScriptCompletedHandler* done) = 0;
    PV_WV_SLOT(CapturePreview);
    PV_WV_SLOT(Reload);
    PV_WV_SLOT(PostWebMessageAsJson);
    PV_WV_SLOT(PostWebMessageAsString);
    virtual HRESULT STDMETHODCALLTYPE add_WebMessageReceived(
        ICoreWebView2WebMessageReceivedEventHandler* handler, WebViewEventToken* token) = 0;
    PV_WV_SLOT(remove_WebMessageReceived);
    PV_WV_SLOT(CallDevToolsProtocolMethod);
    PV_WV_SLOT(get_BrowserProcessId);
    PV_WV_SLOT(get_CanGoBack);
    PV_WV_SLOT(get_CanGoForward);
    PV_WV_SLOT(GoBack);
    PV_WV_SLOT(GoForward);
    PV_WV_SLOT(GetDevToolsProtocolEventReceiver);
    virtual HRESULT STDMETHODCALLTYPE Stop() = 0;
    virtual HRESULT STDMETHODCALLTYPE add_NewWindowRequested(
        ICoreWebView2NewWindowRequestedEventHandler* handler, WebViewEventToken* token) = 0;
    PV_WV_SLOT(remove_NewWindowRequested);
    virtual HRESULT STDMETHODCALLTYPE add_DocumentTitleChanged(
        ICoreWebView2DocumentTitleChangedEventHandler* handler, WebViewEventToken* token) = 0;
    PV_WV_SLOT(remove_DocumentTitleChanged);
    virtual HRESULT STDMETHODCALLTYPE get_DocumentTitle(LPWSTR* title) = 0;
    PV_WV_SLOT(AddHostObjectToScript);
    PV_WV_SLOT(RemoveHostObjectFromScript);
    PV_WV_SLOT(OpenDevToolsWindow);
    PV_WV_SLOT(add_ContainsFullScreenElementChanged);
    PV_WV_SLOT(remove_ContainsFullScreenElementChanged);
    PV_WV_SLOT(get_ContainsFullScreenElement);
    virtual HRESULT STDMETHODCALLTYPE add_WebResourceRequested(
        ICoreWebView2WebResourceRequestedEventHandler* handler, WebViewEventToken* token) = 0;
    PV_WV_SLOT(remove_WebResourceRequested);
    virtual HRESULT STDMETHODCALLTYPE AddWebResourceRequestedFilter(LPCWSTR uri,
                                                                    int resourceContext) = 0;
    PV_WV_SLOT(RemoveWebResourceRequestedFilter);
    PV_WV_SLOT(add_WindowCloseRequested);
    PV_WV_SLOT(remove_WindowCloseRequested);
};

struct ICoreWebView2_2 : ICoreWebView2 {
    PV_WV_SLOT(add_WebResourceResponseReceived);
    PV_WV_SLOT(remove_WebResourceResponseReceived);
    PV_WV_SLOT(NavigateWithWebResourceRequest);
    PV_WV_SLOT(add_DOMContentLoaded);
    PV_WV_SLOT(remove_DOMContentLoaded);
    PV_WV_SLOT(get_CookieManager);
    PV_WV_SLOT(get_Environment);
};

struct ICoreWebView2_3 : ICoreWebView2_2 {
    PV_WV_SLOT(TrySuspend);
    PV_WV_SLOT(Resume);
    PV_WV_SLOT(get_IsSuspended);
    PV_WV_SLOT(SetVirtualHostNameToFolderMapping);
    PV_WV_SLOT(ClearVirtualHostNameToFolderMapping);
};

struct ICoreWebView2DownloadStartingEventArgs : IUnknown {
    PV_WV_SLOT(get_DownloadOperation);
    PV_WV_SLOT(get_Cancel);
    virtual HRESULT STDMETHODCALLTYPE put_Cancel(BOOL cancel) = 0;
    PV_WV_SLOT(get_ResultFilePath);
    PV_WV_SLOT(put_ResultFilePath);
    PV_WV_SLOT(get_Handled);
    virtual HRESULT STDMETHODCALLTYPE put_Handled(BOOL handled) = 0;
    PV_WV_SLOT(GetDeferral);
};

struct ICoreWebView2DownloadStartingEventHandler : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Invoke(ICoreWebView2* sender,
                                             ICoreWebView2DownloadStartingEventArgs* args) = 0;
};

struct ICoreWebView2_4 : ICoreWebView2_3 {
    PV_WV_SLOT(add_FrameCreated);
    PV_WV_SLOT(remove_FrameCreated);
    virtual HRESULT STDMETHODCALLTYPE add_DownloadStarting(
        ICoreWebView2DownloadStartingEventHandler* handler, WebViewEventToken* token) = 0;
    PV_WV_SLOT(remove_DownloadStarting);
};

// COREWEBVIEW2_PREFERRED_COLOR_SCHEME: what CSS prefers-color-scheme says to the pages.
enum WebViewColorScheme { kWebViewSchemeAuto = 0, kWebViewSchemeLight = 1, kWebViewSchemeDark = 2 };

// The profile's settings (runtimes from 1.0.1210 on, through ICoreWebView2_13).
struct ICoreWebView2Profile : IUnknown {
    PV_WV_SLOT(get_ProfileName);
    PV_WV_SLOT(get_IsInPrivateModeEnabled);
    PV_WV_SLOT(get_ProfilePath);
    PV_WV_SLOT(get_DefaultDownloadFolderPath);
    PV_WV_SLOT(put_DefaultDownloadFolderPath);
    PV_WV_SLOT(get_PreferredColorScheme);
    virtual HRESULT STDMETHODCALLTYPE put_PreferredColorScheme(int scheme) = 0;
};

// ICoreWebView2_5 to _12 only keep the places of their methods; _13 hands out the profile.
struct ICoreWebView2_5 : ICoreWebView2_4 {
    PV_WV_SLOT(add_ClientCertificateRequested);
    PV_WV_SLOT(remove_ClientCertificateRequested);
};
struct ICoreWebView2_6 : ICoreWebView2_5 {
    PV_WV_SLOT(OpenTaskManagerWindow);
};
struct ICoreWebView2_7 : ICoreWebView2_6 {
    PV_WV_SLOT(PrintToPdf);
};
struct ICoreWebView2_8 : ICoreWebView2_7 {
    PV_WV_SLOT(add_IsMutedChanged);
    PV_WV_SLOT(remove_IsMutedChanged);
    PV_WV_SLOT(get_IsMuted);
    PV_WV_SLOT(put_IsMuted);
    PV_WV_SLOT(add_IsDocumentPlayingAudioChanged);
    PV_WV_SLOT(remove_IsDocumentPlayingAudioChanged);
    PV_WV_SLOT(get_IsDocumentPlayingAudio);
};
struct ICoreWebView2_9 : ICoreWebView2_8 {
    PV_WV_SLOT(add_IsDefaultDownloadDialogOpenChanged);
    PV_WV_SLOT(remove_IsDefaultDownloadDialogOpenChanged);
    PV_WV_SLOT(get_IsDefaultDownloadDialogOpen);
    PV_WV_SLOT(OpenDefaultDownloadDialog);
    PV_WV_SLOT(CloseDefaultDownloadDialog);
    PV_WV_SLOT(get_DefaultDownloadDialogCornerAlignment);
    PV_WV_SLOT(put_DefaultDownloadDialogCornerAlignment);
    PV_WV_SLOT(get_DefaultDownloadDialogMargin);
    PV_WV_SLOT(put_DefaultDownloadDialogMargin);
};
struct ICoreWebView2_10 : ICoreWebView2_9 {
    PV_WV_SLOT(add_BasicAuthenticationRequested);
    PV_WV_SLOT(remove_BasicAuthenticationRequested);
};
struct ICoreWebView2_11 : ICoreWebView2_10 {
    PV_WV_SLOT(CallDevToolsProtocolMethodForSession);
    PV_WV_SLOT(add_ContextMenuRequested);
    PV_WV_SLOT(remove_ContextMenuRequested);
};
struct ICoreWebView2_12 : ICoreWebView2_11 {
    PV_WV_SLOT(add_StatusBarTextChanged);
    PV_WV_SLOT(remove_StatusBarTextChanged);
    PV_WV_SLOT(get_StatusBarText);
};
struct ICoreWebView2_13 : ICoreWebView2_12 {
    virtual HRESULT STDMETHODCALLTYPE get_Profile(ICoreWebView2Profile** profile) = 0;
};

#undef PV_WV_SLOT

// The entry point of the runtime's client library (EmbeddedBrowserWebView.dll), exported by name
// as "CreateWebViewEnvironmentWithOptionsInternal". The first argument asks the runtime to join
// a browser process already running for the same data folder; runtimeType 0 is an installed
// (Evergreen) runtime; options may be null.
typedef HRESULT(STDMETHODCALLTYPE* CreateWebViewEnvironmentFn)(
    BOOL checkRunningInstance, int runtimeType, LPCWSTR userDataFolder, IUnknown* options,
    ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* handler);
extern const char kWebViewEntryPoint[];

// Interface ids, as the definition publishes them (ComGuids.cpp).
extern const IID kIID_ICoreWebView2;
extern const IID kIID_ICoreWebView2_4;
extern const IID kIID_ICoreWebView2_13;
extern const IID kIID_ICoreWebView2Profile;
extern const IID kIID_ICoreWebView2MoveFocusRequestedEventHandler;
extern const IID kIID_ICoreWebView2MoveFocusRequestedEventArgs;
extern const IID kIID_ICoreWebView2Controller;
extern const IID kIID_ICoreWebView2Environment;
extern const IID kIID_ICoreWebView2Settings3;
extern const IID kIID_ICoreWebView2Settings4;
extern const IID kIID_ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler;
extern const IID kIID_ICoreWebView2CreateCoreWebView2ControllerCompletedHandler;
extern const IID kIID_ICoreWebView2NavigationStartingEventHandler;
extern const IID kIID_ICoreWebView2NavigationStartingEventArgs;
extern const IID kIID_ICoreWebView2NavigationCompletedEventHandler;
extern const IID kIID_ICoreWebView2NavigationCompletedEventArgs;
extern const IID kIID_ICoreWebView2SourceChangedEventHandler;
extern const IID kIID_ICoreWebView2SourceChangedEventArgs;
extern const IID kIID_ICoreWebView2DocumentTitleChangedEventHandler;
extern const IID kIID_ICoreWebView2NewWindowRequestedEventHandler;
extern const IID kIID_ICoreWebView2NewWindowRequestedEventArgs;
extern const IID kIID_ICoreWebView2WebResourceRequestedEventHandler;
extern const IID kIID_ICoreWebView2WebResourceRequestedEventArgs;
extern const IID kIID_ICoreWebView2WebResourceRequest;
extern const IID kIID_ICoreWebView2WebResourceResponse;
extern const IID kIID_ICoreWebView2WebMessageReceivedEventHandler;
extern const IID kIID_ICoreWebView2WebMessageReceivedEventArgs;
extern const IID kIID_ICoreWebView2AcceleratorKeyPressedEventHandler;
extern const IID kIID_ICoreWebView2AcceleratorKeyPressedEventArgs;
extern const IID kIID_ICoreWebView2DownloadStartingEventHandler;
extern const IID kIID_ICoreWebView2DownloadStartingEventArgs;
