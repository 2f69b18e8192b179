// The viewer's own declarations of WebView2 (viewer/engines/WebViewApi.h, ids in ComGuids.cpp)
// checked against the interface definition published with WebView2 SDK 1.0.1343.22
// (WebView2.idl). The numbers and ids below are facts copied from that definition: a slot is the
// method's place in the interface's vtable, IUnknown's three methods first, then each base
// interface's methods in the definition's order. The stand-in runtime of the Windows tests
// shares the declarations, so a method declared at the wrong place would work there and fail on
// Windows; here it fails.
//
// Compiled natively with the few Windows types the declarations use (wintypes/). The slot of a
// method is read from its member pointer as the Itanium C++ ABI lays it out on x86 (the vtable
// offset plus one), which is how g++ and clang build both this test and the MinGW viewer.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <type_traits>
#include <utility>

#include "viewer/engines/WebViewApi.h"

namespace {

#if defined(__x86_64__) || defined(__i386__)
const bool kItaniumX86 = true;
#else
const bool kItaniumX86 = false;
#endif

// The vtable slot of a virtual method; -1 for anything else.
template <class C, class M>
int Slot(M C::*method) {
    static_assert(sizeof(method) == 2 * sizeof(void*), "an Itanium member function pointer");
    struct {
        uintptr_t ptr;
        ptrdiff_t adj;
    } rep;
    std::memcpy(&rep, &method, sizeof rep);
    if ((rep.ptr & 1) == 0 || rep.adj != 0)
        return -1;
    return static_cast<int>((rep.ptr - 1) / sizeof(void*));
}

std::string Text(const IID& id) {
    char s[40];
    std::snprintf(s, sizeof s, "%08x-%04x-%04x-%02x%02x-%02x%02x%02x%02x%02x%02x",
                  static_cast<unsigned>(id.Data1), id.Data2, id.Data3, id.Data4[0], id.Data4[1],
                  id.Data4[2], id.Data4[3], id.Data4[4], id.Data4[5], id.Data4[6], id.Data4[7]);
    return s;
}

#define PV_SLOT(itf, method, slot) \
    { #itf "::" #method, Slot(&itf::method), slot }

TEST(WebViewApi, EveryMethodTheViewerCallsSitsInItsPublishedSlot) {
    if (!kItaniumX86)
        GTEST_SKIP() << "member pointers are read as the x86 Itanium ABI lays them out";
    const struct {
        const char* name;
        int slot;
        int published;
    } methods[] = {
        PV_SLOT(IUnknown, Release, 2),
        PV_SLOT(ICoreWebView2Environment, CreateCoreWebView2Controller, 3),
        PV_SLOT(ICoreWebView2Environment, CreateWebResourceResponse, 4),
        PV_SLOT(ICoreWebView2Controller, put_IsVisible, 4),
        PV_SLOT(ICoreWebView2Controller, put_Bounds, 6),
        PV_SLOT(ICoreWebView2Controller, put_ZoomFactor, 8),
        PV_SLOT(ICoreWebView2Controller, MoveFocus, 12),
        PV_SLOT(ICoreWebView2Controller, add_MoveFocusRequested, 13),
        PV_SLOT(ICoreWebView2Controller, add_AcceleratorKeyPressed, 19),
        PV_SLOT(ICoreWebView2Controller, NotifyParentWindowPositionChanged, 23),
        PV_SLOT(ICoreWebView2Controller, Close, 24),
        PV_SLOT(ICoreWebView2Controller, get_CoreWebView2, 25),
        PV_SLOT(ICoreWebView2, get_Settings, 3),
        PV_SLOT(ICoreWebView2, get_Source, 4),
        PV_SLOT(ICoreWebView2, Navigate, 5),
        PV_SLOT(ICoreWebView2, add_NavigationStarting, 7),
        PV_SLOT(ICoreWebView2, add_SourceChanged, 11),
        PV_SLOT(ICoreWebView2, add_NavigationCompleted, 15),
        PV_SLOT(ICoreWebView2, add_FrameNavigationStarting, 17),
        PV_SLOT(ICoreWebView2, add_PermissionRequested, 23),
        PV_SLOT(ICoreWebView2, add_ProcessFailed, 25),
        PV_SLOT(ICoreWebView2, AddScriptToExecuteOnDocumentCreated, 27),
        PV_SLOT(ICoreWebView2, ExecuteScript, 29),
        PV_SLOT(ICoreWebView2, Reload, 31),
        PV_SLOT(ICoreWebView2, add_WebMessageReceived, 34),
        PV_SLOT(ICoreWebView2, add_NewWindowRequested, 44),
        PV_SLOT(ICoreWebView2, add_DocumentTitleChanged, 46),
        PV_SLOT(ICoreWebView2, get_DocumentTitle, 48),
        PV_SLOT(ICoreWebView2, add_WebResourceRequested, 55),
        PV_SLOT(ICoreWebView2, AddWebResourceRequestedFilter, 57),
        // ICoreWebView2 has 61 slots, ICoreWebView2_2 7 more, ICoreWebView2_3 5 more.
        PV_SLOT(ICoreWebView2_4, add_DownloadStarting, 75),
        PV_SLOT(ICoreWebView2Settings, put_IsWebMessageEnabled, 6),
        PV_SLOT(ICoreWebView2Settings, put_IsStatusBarEnabled, 10),
        PV_SLOT(ICoreWebView2Settings, put_AreDevToolsEnabled, 12),
        PV_SLOT(ICoreWebView2Settings, put_AreDefaultContextMenusEnabled, 14),
        PV_SLOT(ICoreWebView2Settings, put_AreHostObjectsAllowed, 16),
        PV_SLOT(ICoreWebView2Settings, put_IsZoomControlEnabled, 18),
        // ICoreWebView2Settings has 21 slots, ICoreWebView2Settings2 2 more.
        PV_SLOT(ICoreWebView2Settings3, put_AreBrowserAcceleratorKeysEnabled, 24),
        PV_SLOT(ICoreWebView2Settings4, put_IsPasswordAutosaveEnabled, 26),
        PV_SLOT(ICoreWebView2Settings4, put_IsGeneralAutofillEnabled, 28),
        PV_SLOT(ICoreWebView2NavigationStartingEventArgs, get_Uri, 3),
        PV_SLOT(ICoreWebView2NavigationStartingEventArgs, get_IsUserInitiated, 4),
        PV_SLOT(ICoreWebView2NavigationStartingEventArgs, put_Cancel, 8),
        PV_SLOT(ICoreWebView2NavigationCompletedEventArgs, get_IsSuccess, 3),
        PV_SLOT(ICoreWebView2NavigationCompletedEventArgs, get_WebErrorStatus, 4),
        PV_SLOT(ICoreWebView2SourceChangedEventArgs, get_IsNewDocument, 3),
        PV_SLOT(ICoreWebView2NewWindowRequestedEventArgs, get_Uri, 3),
        PV_SLOT(ICoreWebView2NewWindowRequestedEventArgs, put_Handled, 6),
        PV_SLOT(ICoreWebView2NewWindowRequestedEventArgs, get_IsUserInitiated, 8),
        PV_SLOT(ICoreWebView2WebResourceRequestedEventArgs, get_Request, 3),
        PV_SLOT(ICoreWebView2WebResourceRequestedEventArgs, put_Response, 5),
        PV_SLOT(ICoreWebView2WebResourceRequest, get_Uri, 3),
        PV_SLOT(ICoreWebView2WebResourceRequest, get_Method, 5),
        PV_SLOT(ICoreWebView2WebResourceRequest, get_Headers, 9),
        PV_SLOT(ICoreWebView2HttpRequestHeaders, GetHeader, 3),
        PV_SLOT(ICoreWebView2HttpRequestHeaders, Contains, 5),
        PV_SLOT(ICoreWebView2WebMessageReceivedEventArgs, TryGetWebMessageAsString, 5),
        PV_SLOT(ICoreWebView2AcceleratorKeyPressedEventArgs, get_KeyEventKind, 3),
        PV_SLOT(ICoreWebView2AcceleratorKeyPressedEventArgs, get_VirtualKey, 4),
        PV_SLOT(ICoreWebView2AcceleratorKeyPressedEventArgs, put_Handled, 8),
        PV_SLOT(ICoreWebView2DownloadStartingEventArgs, put_Cancel, 5),
        PV_SLOT(ICoreWebView2DownloadStartingEventArgs, put_Handled, 9),
        PV_SLOT(ICoreWebView2PermissionRequestedEventArgs, put_State, 7),
        PV_SLOT(ICoreWebView2ProcessFailedEventArgs, get_ProcessFailedKind, 3),
        PV_SLOT(ICoreWebView2MoveFocusRequestedEventArgs, get_Reason, 3),
        PV_SLOT(ICoreWebView2MoveFocusRequestedEventArgs, put_Handled, 5),
        // ICoreWebView2 has 58 methods, _2 to _12 add 7, 5, 4, 2, 1, 1, 7, 9, 2, 3 and 3.
        PV_SLOT(ICoreWebView2_13, get_Profile, 105),
        PV_SLOT(ICoreWebView2Profile, put_PreferredColorScheme, 9),
        // The handlers the viewer implements: the runtime calls Invoke, the first slot after
        // IUnknown's.
        PV_SLOT(ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler, Invoke, 3),
        PV_SLOT(ICoreWebView2CreateCoreWebView2ControllerCompletedHandler, Invoke, 3),
        PV_SLOT(ICoreWebView2AddScriptToExecuteOnDocumentCreatedCompletedHandler, Invoke, 3),
        PV_SLOT(ICoreWebView2NavigationStartingEventHandler, Invoke, 3),
        PV_SLOT(ICoreWebView2NavigationCompletedEventHandler, Invoke, 3),
        PV_SLOT(ICoreWebView2SourceChangedEventHandler, Invoke, 3),
        PV_SLOT(ICoreWebView2DocumentTitleChangedEventHandler, Invoke, 3),
        PV_SLOT(ICoreWebView2NewWindowRequestedEventHandler, Invoke, 3),
        PV_SLOT(ICoreWebView2WebResourceRequestedEventHandler, Invoke, 3),
        PV_SLOT(ICoreWebView2WebMessageReceivedEventHandler, Invoke, 3),
        PV_SLOT(ICoreWebView2PermissionRequestedEventHandler, Invoke, 3),
        PV_SLOT(ICoreWebView2ProcessFailedEventHandler, Invoke, 3),
        PV_SLOT(ICoreWebView2AcceleratorKeyPressedEventHandler, Invoke, 3),
        PV_SLOT(ICoreWebView2DownloadStartingEventHandler, Invoke, 3),
        PV_SLOT(ICoreWebView2MoveFocusRequestedEventHandler, Invoke, 3),
        // Only the stand-in calls this one; the viewer passes none.
        PV_SLOT(ICoreWebView2ExecuteScriptCompletedHandler, Invoke, 3),
    };
    for (const auto& m : methods) {
        SCOPED_TRACE(m.name);
        EXPECT_EQ(m.slot, m.published);
    }
}

TEST(WebViewApi, EveryInterfaceHasItsPublishedId) {
    const struct {
        const char* name;
        const IID* id;
        const char* published;
    } ids[] = {
        {"ICoreWebView2", &kIID_ICoreWebView2, "76eceacb-0462-4d94-ac83-423a6793775e"},
        {"ICoreWebView2_4", &kIID_ICoreWebView2_4, "20d02d59-6df2-42dc-bd06-f98a694b1302"},
        {"ICoreWebView2_13", &kIID_ICoreWebView2_13, "f75f09a8-667e-4983-88d6-c8773f315e84"},
        {"ICoreWebView2Profile", &kIID_ICoreWebView2Profile,
         "79110ad3-cd5d-4373-8bc3-c60658f17a5f"},
        {"ICoreWebView2MoveFocusRequestedEventHandler",
         &kIID_ICoreWebView2MoveFocusRequestedEventHandler, "69035451-6dc7-4cb8-9bce-b2bd70ad289f"},
        {"ICoreWebView2MoveFocusRequestedEventArgs", &kIID_ICoreWebView2MoveFocusRequestedEventArgs,
         "2d6aa13b-3839-4a15-92fc-d88b3c0d9c9d"},
        {"ICoreWebView2Controller", &kIID_ICoreWebView2Controller,
         "4d00c0d1-9434-4eb6-8078-8697a560334f"},
        {"ICoreWebView2Environment", &kIID_ICoreWebView2Environment,
         "b96d755e-0319-4e92-a296-23436f46a1fc"},
        {"ICoreWebView2Settings3", &kIID_ICoreWebView2Settings3,
         "fdb5ab74-af33-4854-84f0-0a631deb5eba"},
        {"ICoreWebView2Settings4", &kIID_ICoreWebView2Settings4,
         "cb56846c-4168-4d53-b04f-03b6d6796ff2"},
        {"ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler",
         &kIID_ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler,
         "4e8a3389-c9d8-4bd2-b6b5-124fee6cc14d"},
        {"ICoreWebView2CreateCoreWebView2ControllerCompletedHandler",
         &kIID_ICoreWebView2CreateCoreWebView2ControllerCompletedHandler,
         "6c4819f3-c9b7-4260-8127-c9f5bde7f68c"},
        {"ICoreWebView2AddScriptToExecuteOnDocumentCreatedCompletedHandler",
         &kIID_ICoreWebView2AddScriptToExecuteOnDocumentCreatedCompletedHandler,
         "b99369f3-9b11-47b5-bc6f-8e7895fcea17"},
        {"ICoreWebView2NavigationStartingEventHandler",
         &kIID_ICoreWebView2NavigationStartingEventHandler, "9adbe429-f36d-432b-9ddc-f8881fbd76e3"},
        {"ICoreWebView2NavigationStartingEventArgs", &kIID_ICoreWebView2NavigationStartingEventArgs,
         "5b495469-e119-438a-9b18-7604f25f2e49"},
        {"ICoreWebView2NavigationCompletedEventHandler",
         &kIID_ICoreWebView2NavigationCompletedEventHandler,
         "d33a35bf-1c49-4f98-93ab-006e0533fe1c"},
        {"ICoreWebView2NavigationCompletedEventArgs",
         &kIID_ICoreWebView2NavigationCompletedEventArgs, "30d68b7d-20d9-4752-a9ca-ec8448fbb5c1"},
        {"ICoreWebView2SourceChangedEventHandler", &kIID_ICoreWebView2SourceChangedEventHandler,
         "3c067f9f-5388-4772-8b48-79f7ef1ab37c"},
        {"ICoreWebView2SourceChangedEventArgs", &kIID_ICoreWebView2SourceChangedEventArgs,
         "31e0e545-1dba-4266-8914-f63848a1f7d7"},
        {"ICoreWebView2DocumentTitleChangedEventHandler",
         &kIID_ICoreWebView2DocumentTitleChangedEventHandler,
         "f5f2b923-953e-4042-9f95-f3a118e1afd4"},
        {"ICoreWebView2NewWindowRequestedEventHandler",
         &kIID_ICoreWebView2NewWindowRequestedEventHandler, "d4c185fe-c81c-4989-97af-2d3fa7ab5651"},
        {"ICoreWebView2NewWindowRequestedEventArgs", &kIID_ICoreWebView2NewWindowRequestedEventArgs,
         "34acb11c-fc37-4418-9132-f9c21d1eafb9"},
        {"ICoreWebView2WebResourceRequestedEventHandler",
         &kIID_ICoreWebView2WebResourceRequestedEventHandler,
         "ab00b74c-15f1-4646-80e8-e76341d25d71"},
        {"ICoreWebView2WebResourceRequestedEventArgs",
         &kIID_ICoreWebView2WebResourceRequestedEventArgs, "453e667f-12c7-49d4-be6d-ddbe7956f57a"},
        {"ICoreWebView2WebResourceRequest", &kIID_ICoreWebView2WebResourceRequest,
         "97055cd4-512c-4264-8b5f-e3f446cea6a5"},
        {"ICoreWebView2WebResourceResponse", &kIID_ICoreWebView2WebResourceResponse,
         "aafcc94f-fa27-48fd-97df-830ef75aaec9"},
        {"ICoreWebView2HttpRequestHeaders", &kIID_ICoreWebView2HttpRequestHeaders,
         "e86cac0e-5523-465c-b536-8fb9fc8c8c60"},
        {"ICoreWebView2WebMessageReceivedEventHandler",
         &kIID_ICoreWebView2WebMessageReceivedEventHandler, "57213f19-00e6-49fa-8e07-898ea01ecbd2"},
        {"ICoreWebView2WebMessageReceivedEventArgs", &kIID_ICoreWebView2WebMessageReceivedEventArgs,
         "0f99a40c-e962-4207-9e92-e3d542eff849"},
        {"ICoreWebView2AcceleratorKeyPressedEventHandler",
         &kIID_ICoreWebView2AcceleratorKeyPressedEventHandler,
         "b29c7e28-fa79-41a8-8e44-65811c76dcb2"},
        {"ICoreWebView2AcceleratorKeyPressedEventArgs",
         &kIID_ICoreWebView2AcceleratorKeyPressedEventArgs, "9f760f8a-fb79-42be-9990-7b56900fa9c7"},
        {"ICoreWebView2DownloadStartingEventHandler",
         &kIID_ICoreWebView2DownloadStartingEventHandler, "efedc989-c396-41ca-83f7-07f845a55724"},
        {"ICoreWebView2DownloadStartingEventArgs", &kIID_ICoreWebView2DownloadStartingEventArgs,
         "e99bbe21-43e9-4544-a732-282764eafa60"},
        {"ICoreWebView2PermissionRequestedEventHandler",
         &kIID_ICoreWebView2PermissionRequestedEventHandler,
         "15e1c6a3-c72a-4df3-91d7-d097fbec6bfd"},
        {"ICoreWebView2PermissionRequestedEventArgs",
         &kIID_ICoreWebView2PermissionRequestedEventArgs, "973ae2ef-ff18-4894-8fb2-3c758f046810"},
        {"ICoreWebView2ProcessFailedEventHandler", &kIID_ICoreWebView2ProcessFailedEventHandler,
         "79e0aea4-990b-42d9-aa1d-0fcc2e5bc7f1"},
        {"ICoreWebView2ProcessFailedEventArgs", &kIID_ICoreWebView2ProcessFailedEventArgs,
         "8155a9a4-1474-4a86-8cae-151b0fa6b8ca"},
        {"IAgileObject (objidl.h)", &kIID_IAgileObject, "94ea2b94-e9cc-49e0-c0ff-ee64ca8f5b90"},
    };
    for (const auto& i : ids) {
        SCOPED_TRACE(i.name);
        EXPECT_EQ(Text(*i.id), i.published);
    }
}

// A method the viewer does not use keeps its slot but cannot be called: the call would not
// compile. (Were one callable with no parameters, a call would pass none where the runtime takes
// some, and corrupt the 32-bit stack.)
template <class T>
auto CallsStop(int) -> decltype(std::declval<T&>().unused_Stop(), std::true_type());
template <class T>
std::false_type CallsStop(...);
template <class T>
auto CallsZoomGetter(int) -> decltype(std::declval<T&>().unused_get_ZoomFactor(), std::true_type());
template <class T>
std::false_type CallsZoomGetter(...);
static_assert(!decltype(CallsStop<ICoreWebView2>(0))::value, "an unused slot is callable");
static_assert(!decltype(CallsZoomGetter<ICoreWebView2Controller>(0))::value,
              "an unused slot is callable");

}  // namespace
