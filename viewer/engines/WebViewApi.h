// The part of the WebView2 programming interface the viewer uses, declared here because the
// SDK's own header is not available to this build.
//
// The layouts follow the interface definition published with WebView2 SDK 1.0.1343.22
// (WebView2.idl; an interface never changes once published, so later SDKs agree): every
// interface lists its methods in the definition's order, which is the order of the vtable (the
// reference documentation sorts them by name instead). Only the methods the viewer calls, and the
// handlers it implements, carry their real parameters; tests/unit/webview_api_test.cpp pins each
// of them to its slot and each interface to its id, as facts taken from that definition. The
// stand-in runtime of the tests implements these same declarations, so only that native test
// would see a slot out of place.
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

// COREWEBVIEW2_PERMISSION_STATE_DENY: the answer to a permission request.
const int kWebViewPermissionDeny = 2;

// COREWEBVIEW2_PROCESS_FAILED_KIND: which process of the runtime failed (the others, such as the
// GPU process, the runtime restarts by itself).
enum WebViewProcessFailedKind {
    kWebViewBrowserProcessExited = 0,  // the control is closed: a new one is needed
    kWebViewRenderProcessExited = 1,   // the page shows an error page until it is loaded again
};

// KeyEventKind of an accelerator key.
enum WebViewKeyEventKind {
    kWebViewKeyDown = 0,
    kWebViewKeyUp = 1,
    kWebViewSystemKeyDown = 2,
    kWebViewSystemKeyUp = 3,
};

// A method the viewer never calls keeps its place in the vtable as a private slot of no use: a
// call of it does not compile. A method becomes callable only with its real parameters, and the
// native tests then pin its slot.
#define PV_WV_UNUSED(name)                              \
  private:                                              \
    virtual void STDMETHODCALLTYPE unused_##name() = 0; \
                                                        \
  public:

struct ICoreWebView2;
struct ICoreWebView2Controller;
struct ICoreWebView2Environment;
struct ICoreWebView2Settings;
struct ICoreWebView2WebResourceResponse;

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
    PV_WV_UNUSED(get_BrowserVersionString);
    PV_WV_UNUSED(add_NewBrowserVersionAvailable);
    PV_WV_UNUSED(remove_NewBrowserVersionAvailable);
};

struct ICoreWebView2AcceleratorKeyPressedEventArgs : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE get_KeyEventKind(int* kind) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_VirtualKey(UINT* key) = 0;
    PV_WV_UNUSED(get_KeyEventLParam);
    PV_WV_UNUSED(get_PhysicalKeyStatus);
    PV_WV_UNUSED(get_Handled);
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
    PV_WV_UNUSED(get_Handled);
    virtual HRESULT STDMETHODCALLTYPE put_Handled(BOOL handled) = 0;
};

struct ICoreWebView2MoveFocusRequestedEventHandler : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Invoke(ICoreWebView2Controller* sender,
                                             ICoreWebView2MoveFocusRequestedEventArgs* args) = 0;
};

struct ICoreWebView2Controller : IUnknown {
    PV_WV_UNUSED(get_IsVisible);
    virtual HRESULT STDMETHODCALLTYPE put_IsVisible(BOOL visible) = 0;
    PV_WV_UNUSED(get_Bounds);
    virtual HRESULT STDMETHODCALLTYPE put_Bounds(RECT bounds) = 0;
    PV_WV_UNUSED(get_ZoomFactor);
    virtual HRESULT STDMETHODCALLTYPE put_ZoomFactor(double factor) = 0;
    PV_WV_UNUSED(add_ZoomFactorChanged);
    PV_WV_UNUSED(remove_ZoomFactorChanged);
    PV_WV_UNUSED(SetBoundsAndZoomFactor);
    virtual HRESULT STDMETHODCALLTYPE MoveFocus(int reason) = 0;
    virtual HRESULT STDMETHODCALLTYPE add_MoveFocusRequested(
        ICoreWebView2MoveFocusRequestedEventHandler* handler, WebViewEventToken* token) = 0;
    PV_WV_UNUSED(remove_MoveFocusRequested);
    PV_WV_UNUSED(add_GotFocus);
    PV_WV_UNUSED(remove_GotFocus);
    PV_WV_UNUSED(add_LostFocus);
    PV_WV_UNUSED(remove_LostFocus);
    virtual HRESULT STDMETHODCALLTYPE add_AcceleratorKeyPressed(
        ICoreWebView2AcceleratorKeyPressedEventHandler* handler, WebViewEventToken* token) = 0;
    PV_WV_UNUSED(remove_AcceleratorKeyPressed);
    PV_WV_UNUSED(get_ParentWindow);
    PV_WV_UNUSED(put_ParentWindow);
    virtual HRESULT STDMETHODCALLTYPE NotifyParentWindowPositionChanged() = 0;
    virtual HRESULT STDMETHODCALLTYPE Close() = 0;
    virtual HRESULT STDMETHODCALLTYPE get_CoreWebView2(ICoreWebView2** webView) = 0;
};

struct ICoreWebView2Settings : IUnknown {
    PV_WV_UNUSED(get_IsScriptEnabled);
    PV_WV_UNUSED(put_IsScriptEnabled);
    PV_WV_UNUSED(get_IsWebMessageEnabled);
    virtual HRESULT STDMETHODCALLTYPE put_IsWebMessageEnabled(BOOL enabled) = 0;
    PV_WV_UNUSED(get_AreDefaultScriptDialogsEnabled);
    PV_WV_UNUSED(put_AreDefaultScriptDialogsEnabled);
    PV_WV_UNUSED(get_IsStatusBarEnabled);
    virtual HRESULT STDMETHODCALLTYPE put_IsStatusBarEnabled(BOOL enabled) = 0;
    PV_WV_UNUSED(get_AreDevToolsEnabled);
    virtual HRESULT STDMETHODCALLTYPE put_AreDevToolsEnabled(BOOL enabled) = 0;
    PV_WV_UNUSED(get_AreDefaultContextMenusEnabled);
    virtual HRESULT STDMETHODCALLTYPE put_AreDefaultContextMenusEnabled(BOOL enabled) = 0;
    PV_WV_UNUSED(get_AreHostObjectsAllowed);
    virtual HRESULT STDMETHODCALLTYPE put_AreHostObjectsAllowed(BOOL allowed) = 0;
    PV_WV_UNUSED(get_IsZoomControlEnabled);
    virtual HRESULT STDMETHODCALLTYPE put_IsZoomControlEnabled(BOOL enabled) = 0;
    PV_WV_UNUSED(get_IsBuiltInErrorPageEnabled);
    PV_WV_UNUSED(put_IsBuiltInErrorPageEnabled);
};

struct ICoreWebView2Settings2 : ICoreWebView2Settings {
    PV_WV_UNUSED(get_UserAgent);
    PV_WV_UNUSED(put_UserAgent);
};

struct ICoreWebView2Settings3 : ICoreWebView2Settings2 {
    PV_WV_UNUSED(get_AreBrowserAcceleratorKeysEnabled);
    virtual HRESULT STDMETHODCALLTYPE put_AreBrowserAcceleratorKeysEnabled(BOOL enabled) = 0;
};

struct ICoreWebView2Settings4 : ICoreWebView2Settings3 {
    PV_WV_UNUSED(get_IsPasswordAutosaveEnabled);
    virtual HRESULT STDMETHODCALLTYPE put_IsPasswordAutosaveEnabled(BOOL enabled) = 0;
    PV_WV_UNUSED(get_IsGeneralAutofillEnabled);
    virtual HRESULT STDMETHODCALLTYPE put_IsGeneralAutofillEnabled(BOOL enabled) = 0;
};

struct ICoreWebView2NavigationStartingEventArgs : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE get_Uri(LPWSTR* uri) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_IsUserInitiated(BOOL* user) = 0;
    PV_WV_UNUSED(get_IsRedirected);
    PV_WV_UNUSED(get_RequestHeaders);
    PV_WV_UNUSED(get_Cancel);
    virtual HRESULT STDMETHODCALLTYPE put_Cancel(BOOL cancel) = 0;
    PV_WV_UNUSED(get_NavigationId);
};

struct ICoreWebView2NavigationStartingEventHandler : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Invoke(ICoreWebView2* sender,
                                             ICoreWebView2NavigationStartingEventArgs* args) = 0;
};

struct ICoreWebView2NavigationCompletedEventArgs : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE get_IsSuccess(BOOL* success) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_WebErrorStatus(int* status) = 0;
    PV_WV_UNUSED(get_NavigationId);
};

struct ICoreWebView2NavigationCompletedEventHandler : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Invoke(ICoreWebView2* sender,
                                             ICoreWebView2NavigationCompletedEventArgs* args) = 0;
};

struct ICoreWebView2NewWindowRequestedEventArgs : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE get_Uri(LPWSTR* uri) = 0;
    PV_WV_UNUSED(put_NewWindow);
    PV_WV_UNUSED(get_NewWindow);
    virtual HRESULT STDMETHODCALLTYPE put_Handled(BOOL handled) = 0;
    PV_WV_UNUSED(get_Handled);
    virtual HRESULT STDMETHODCALLTYPE get_IsUserInitiated(BOOL* user) = 0;
    PV_WV_UNUSED(GetDeferral);
    PV_WV_UNUSED(get_WindowFeatures);
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

struct ICoreWebView2HttpRequestHeaders : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetHeader(LPCWSTR name, LPWSTR* value) = 0;
    PV_WV_UNUSED(GetHeaders);
    virtual HRESULT STDMETHODCALLTYPE Contains(LPCWSTR name, BOOL* contains) = 0;
    PV_WV_UNUSED(SetHeader);
    PV_WV_UNUSED(RemoveHeader);
    PV_WV_UNUSED(GetIterator);
};

struct ICoreWebView2WebResourceRequest : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE get_Uri(LPWSTR* uri) = 0;
    PV_WV_UNUSED(put_Uri);
    virtual HRESULT STDMETHODCALLTYPE get_Method(LPWSTR* method) = 0;
    PV_WV_UNUSED(put_Method);
    PV_WV_UNUSED(get_Content);
    PV_WV_UNUSED(put_Content);
    virtual HRESULT STDMETHODCALLTYPE get_Headers(ICoreWebView2HttpRequestHeaders** headers) = 0;
};

struct ICoreWebView2WebResourceResponse : IUnknown {
    PV_WV_UNUSED(get_Content);
    PV_WV_UNUSED(put_Content);
    PV_WV_UNUSED(get_Headers);
    PV_WV_UNUSED(get_StatusCode);
    PV_WV_UNUSED(put_StatusCode);
    PV_WV_UNUSED(get_ReasonPhrase);
    PV_WV_UNUSED(put_ReasonPhrase);
};

struct ICoreWebView2WebResourceRequestedEventArgs : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE get_Request(ICoreWebView2WebResourceRequest** request) = 0;
    PV_WV_UNUSED(get_Response);
    virtual HRESULT STDMETHODCALLTYPE put_Response(ICoreWebView2WebResourceResponse* response) = 0;
    PV_WV_UNUSED(GetDeferral);
    PV_WV_UNUSED(get_ResourceContext);
};

struct ICoreWebView2WebResourceRequestedEventHandler : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Invoke(ICoreWebView2* sender,
                                             ICoreWebView2WebResourceRequestedEventArgs* args) = 0;
};

struct ICoreWebView2WebMessageReceivedEventArgs : IUnknown {
    PV_WV_UNUSED(get_Source);
    PV_WV_UNUSED(get_WebMessageAsJson);
    virtual HRESULT STDMETHODCALLTYPE TryGetWebMessageAsString(LPWSTR* message) = 0;
};

struct ICoreWebView2WebMessageReceivedEventHandler : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Invoke(ICoreWebView2* sender,
                                             ICoreWebView2WebMessageReceivedEventArgs* args) = 0;
};

struct ICoreWebView2PermissionRequestedEventArgs : IUnknown {
    PV_WV_UNUSED(get_Uri);
    PV_WV_UNUSED(get_PermissionKind);
    PV_WV_UNUSED(get_IsUserInitiated);
    PV_WV_UNUSED(get_State);
    virtual HRESULT STDMETHODCALLTYPE put_State(int state) = 0;
    PV_WV_UNUSED(GetDeferral);
};

struct ICoreWebView2PermissionRequestedEventHandler : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Invoke(ICoreWebView2* sender,
                                             ICoreWebView2PermissionRequestedEventArgs* args) = 0;
};

struct ICoreWebView2ProcessFailedEventArgs : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE get_ProcessFailedKind(int* kind) = 0;
};

struct ICoreWebView2ProcessFailedEventHandler : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Invoke(ICoreWebView2* sender,
                                             ICoreWebView2ProcessFailedEventArgs* args) = 0;
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
    PV_WV_UNUSED(NavigateToString);
    virtual HRESULT STDMETHODCALLTYPE add_NavigationStarting(
        ICoreWebView2NavigationStartingEventHandler* handler, WebViewEventToken* token) = 0;
    PV_WV_UNUSED(remove_NavigationStarting);
    PV_WV_UNUSED(add_ContentLoading);
    PV_WV_UNUSED(remove_ContentLoading);
    virtual HRESULT STDMETHODCALLTYPE add_SourceChanged(
        ICoreWebView2SourceChangedEventHandler* handler, WebViewEventToken* token) = 0;
    PV_WV_UNUSED(remove_SourceChanged);
    PV_WV_UNUSED(add_HistoryChanged);
    PV_WV_UNUSED(remove_HistoryChanged);
    virtual HRESULT STDMETHODCALLTYPE add_NavigationCompleted(
        ICoreWebView2NavigationCompletedEventHandler* handler, WebViewEventToken* token) = 0;
    PV_WV_UNUSED(remove_NavigationCompleted);
    virtual HRESULT STDMETHODCALLTYPE add_FrameNavigationStarting(
        ICoreWebView2NavigationStartingEventHandler* handler, WebViewEventToken* token) = 0;
    PV_WV_UNUSED(remove_FrameNavigationStarting);
    PV_WV_UNUSED(add_FrameNavigationCompleted);
    PV_WV_UNUSED(remove_FrameNavigationCompleted);
    PV_WV_UNUSED(add_ScriptDialogOpening);
    PV_WV_UNUSED(remove_ScriptDialogOpening);
    virtual HRESULT STDMETHODCALLTYPE add_PermissionRequested(
        ICoreWebView2PermissionRequestedEventHandler* handler, WebViewEventToken* token) = 0;
    PV_WV_UNUSED(remove_PermissionRequested);
    virtual HRESULT STDMETHODCALLTYPE add_ProcessFailed(
        ICoreWebView2ProcessFailedEventHandler* handler, WebViewEventToken* token) = 0;
    PV_WV_UNUSED(remove_ProcessFailed);
    virtual HRESULT STDMETHODCALLTYPE AddScriptToExecuteOnDocumentCreated(
        LPCWSTR script, ICoreWebView2AddScriptToExecuteOnDocumentCreatedCompletedHandler* done) = 0;
    PV_WV_UNUSED(RemoveScriptToExecuteOnDocumentCreated);
    virtual HRESULT STDMETHODCALLTYPE
    ExecuteScript(LPCWSTR script, ICoreWebView2ExecuteScriptCompletedHandler* done) = 0;
    PV_WV_UNUSED(CapturePreview);
    virtual HRESULT STDMETHODCALLTYPE Reload() = 0;
    PV_WV_UNUSED(PostWebMessageAsJson);
    PV_WV_UNUSED(PostWebMessageAsString);
    virtual HRESULT STDMETHODCALLTYPE add_WebMessageReceived(
        ICoreWebView2WebMessageReceivedEventHandler* handler, WebViewEventToken* token) = 0;
    PV_WV_UNUSED(remove_WebMessageReceived);
    PV_WV_UNUSED(CallDevToolsProtocolMethod);
    PV_WV_UNUSED(get_BrowserProcessId);
    PV_WV_UNUSED(get_CanGoBack);
    PV_WV_UNUSED(get_CanGoForward);
    PV_WV_UNUSED(GoBack);
    PV_WV_UNUSED(GoForward);
    PV_WV_UNUSED(GetDevToolsProtocolEventReceiver);
    PV_WV_UNUSED(Stop);
    virtual HRESULT STDMETHODCALLTYPE add_NewWindowRequested(
        ICoreWebView2NewWindowRequestedEventHandler* handler, WebViewEventToken* token) = 0;
    PV_WV_UNUSED(remove_NewWindowRequested);
    virtual HRESULT STDMETHODCALLTYPE add_DocumentTitleChanged(
        ICoreWebView2DocumentTitleChangedEventHandler* handler, WebViewEventToken* token) = 0;
    PV_WV_UNUSED(remove_DocumentTitleChanged);
    virtual HRESULT STDMETHODCALLTYPE get_DocumentTitle(LPWSTR* title) = 0;
    PV_WV_UNUSED(AddHostObjectToScript);
    PV_WV_UNUSED(RemoveHostObjectFromScript);
    PV_WV_UNUSED(OpenDevToolsWindow);
    PV_WV_UNUSED(add_ContainsFullScreenElementChanged);
    PV_WV_UNUSED(remove_ContainsFullScreenElementChanged);
    PV_WV_UNUSED(get_ContainsFullScreenElement);
    virtual HRESULT STDMETHODCALLTYPE add_WebResourceRequested(
        ICoreWebView2WebResourceRequestedEventHandler* handler, WebViewEventToken* token) = 0;
    PV_WV_UNUSED(remove_WebResourceRequested);
    virtual HRESULT STDMETHODCALLTYPE AddWebResourceRequestedFilter(LPCWSTR uri,
                                                                    int resourceContext) = 0;
    PV_WV_UNUSED(RemoveWebResourceRequestedFilter);
    PV_WV_UNUSED(add_WindowCloseRequested);
    PV_WV_UNUSED(remove_WindowCloseRequested);
};

struct ICoreWebView2_2 : ICoreWebView2 {
    PV_WV_UNUSED(add_WebResourceResponseReceived);
    PV_WV_UNUSED(remove_WebResourceResponseReceived);
    PV_WV_UNUSED(NavigateWithWebResourceRequest);
    PV_WV_UNUSED(add_DOMContentLoaded);
    PV_WV_UNUSED(remove_DOMContentLoaded);
    PV_WV_UNUSED(get_CookieManager);
    PV_WV_UNUSED(get_Environment);
};

struct ICoreWebView2_3 : ICoreWebView2_2 {
    PV_WV_UNUSED(TrySuspend);
    PV_WV_UNUSED(Resume);
    PV_WV_UNUSED(get_IsSuspended);
    PV_WV_UNUSED(SetVirtualHostNameToFolderMapping);
    PV_WV_UNUSED(ClearVirtualHostNameToFolderMapping);
};

struct ICoreWebView2DownloadStartingEventArgs : IUnknown {
    PV_WV_UNUSED(get_DownloadOperation);
    PV_WV_UNUSED(get_Cancel);
    virtual HRESULT STDMETHODCALLTYPE put_Cancel(BOOL cancel) = 0;
    PV_WV_UNUSED(get_ResultFilePath);
    PV_WV_UNUSED(put_ResultFilePath);
    PV_WV_UNUSED(get_Handled);
    virtual HRESULT STDMETHODCALLTYPE put_Handled(BOOL handled) = 0;
    PV_WV_UNUSED(GetDeferral);
};

struct ICoreWebView2DownloadStartingEventHandler : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Invoke(ICoreWebView2* sender,
                                             ICoreWebView2DownloadStartingEventArgs* args) = 0;
};

struct ICoreWebView2_4 : ICoreWebView2_3 {
    PV_WV_UNUSED(add_FrameCreated);
    PV_WV_UNUSED(remove_FrameCreated);
    virtual HRESULT STDMETHODCALLTYPE add_DownloadStarting(
        ICoreWebView2DownloadStartingEventHandler* handler, WebViewEventToken* token) = 0;
    PV_WV_UNUSED(remove_DownloadStarting);
};

// COREWEBVIEW2_PREFERRED_COLOR_SCHEME: what CSS prefers-color-scheme says to the pages.
enum WebViewColorScheme { kWebViewSchemeAuto = 0, kWebViewSchemeLight = 1, kWebViewSchemeDark = 2 };

// The profile's settings (runtimes from 1.0.1210 on, through ICoreWebView2_13).
struct ICoreWebView2Profile : IUnknown {
    PV_WV_UNUSED(get_ProfileName);
    PV_WV_UNUSED(get_IsInPrivateModeEnabled);
    PV_WV_UNUSED(get_ProfilePath);
    PV_WV_UNUSED(get_DefaultDownloadFolderPath);
    PV_WV_UNUSED(put_DefaultDownloadFolderPath);
    PV_WV_UNUSED(get_PreferredColorScheme);
    virtual HRESULT STDMETHODCALLTYPE put_PreferredColorScheme(int scheme) = 0;
};

// ICoreWebView2_5 to _12 only keep the places of their methods; _13 hands out the profile.
struct ICoreWebView2_5 : ICoreWebView2_4 {
    PV_WV_UNUSED(add_ClientCertificateRequested);
    PV_WV_UNUSED(remove_ClientCertificateRequested);
};
struct ICoreWebView2_6 : ICoreWebView2_5 {
    PV_WV_UNUSED(OpenTaskManagerWindow);
};
struct ICoreWebView2_7 : ICoreWebView2_6 {
    PV_WV_UNUSED(PrintToPdf);
};
struct ICoreWebView2_8 : ICoreWebView2_7 {
    PV_WV_UNUSED(add_IsMutedChanged);
    PV_WV_UNUSED(remove_IsMutedChanged);
    PV_WV_UNUSED(get_IsMuted);
    PV_WV_UNUSED(put_IsMuted);
    PV_WV_UNUSED(add_IsDocumentPlayingAudioChanged);
    PV_WV_UNUSED(remove_IsDocumentPlayingAudioChanged);
    PV_WV_UNUSED(get_IsDocumentPlayingAudio);
};
struct ICoreWebView2_9 : ICoreWebView2_8 {
    PV_WV_UNUSED(add_IsDefaultDownloadDialogOpenChanged);
    PV_WV_UNUSED(remove_IsDefaultDownloadDialogOpenChanged);
    PV_WV_UNUSED(get_IsDefaultDownloadDialogOpen);
    PV_WV_UNUSED(OpenDefaultDownloadDialog);
    PV_WV_UNUSED(CloseDefaultDownloadDialog);
    PV_WV_UNUSED(get_DefaultDownloadDialogCornerAlignment);
    PV_WV_UNUSED(put_DefaultDownloadDialogCornerAlignment);
    PV_WV_UNUSED(get_DefaultDownloadDialogMargin);
    PV_WV_UNUSED(put_DefaultDownloadDialogMargin);
};
struct ICoreWebView2_10 : ICoreWebView2_9 {
    PV_WV_UNUSED(add_BasicAuthenticationRequested);
    PV_WV_UNUSED(remove_BasicAuthenticationRequested);
};
struct ICoreWebView2_11 : ICoreWebView2_10 {
    PV_WV_UNUSED(CallDevToolsProtocolMethodForSession);
    PV_WV_UNUSED(add_ContextMenuRequested);
    PV_WV_UNUSED(remove_ContextMenuRequested);
};
struct ICoreWebView2_12 : ICoreWebView2_11 {
    PV_WV_UNUSED(add_StatusBarTextChanged);
    PV_WV_UNUSED(remove_StatusBarTextChanged);
    PV_WV_UNUSED(get_StatusBarText);
};
struct ICoreWebView2_13 : ICoreWebView2_12 {
    virtual HRESULT STDMETHODCALLTYPE get_Profile(ICoreWebView2Profile** profile) = 0;
};

#undef PV_WV_UNUSED

// The entry point of the runtime's client library (EmbeddedBrowserWebView.dll), exported by name
// as "CreateWebViewEnvironmentWithOptionsInternal". The first argument asks the runtime to join
// a browser process already running for the same data folder; runtimeType says where the library
// was found (below); options may be null.
typedef HRESULT(STDMETHODCALLTYPE* CreateWebViewEnvironmentFn)(
    BOOL checkRunningInstance, int runtimeType, LPCWSTR userDataFolder, IUnknown* options,
    ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* handler);
extern const char kWebViewEntryPoint[];
// The runtime types the entry point knows: an installed (Evergreen) runtime, or a fixed-version
// runtime in a folder of its own.
enum WebViewRuntimeType { kWebViewRuntimeInstalled = 0, kWebViewRuntimeFixedVersion = 1 };

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
extern const IID kIID_ICoreWebView2HttpRequestHeaders;
extern const IID kIID_ICoreWebView2PermissionRequestedEventHandler;
extern const IID kIID_ICoreWebView2PermissionRequestedEventArgs;
extern const IID kIID_ICoreWebView2ProcessFailedEventHandler;
extern const IID kIID_ICoreWebView2ProcessFailedEventArgs;
extern const IID kIID_ICoreWebView2AddScriptToExecuteOnDocumentCreatedCompletedHandler;
// IAgileObject (objidl.h): a stream that says so is read by the runtime on a thread of its own.
extern const IID kIID_IAgileObject;
