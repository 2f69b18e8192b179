// What the viewer tells screen readers itself. A control made accessible here answers
// WM_GETOBJECT with an object of ours wrapped around the system's standard one: a name and role
// for the control where it has no label of its own ("Contents"), the toolbar's buttons as
// children (name, role, state, key, press), the search results with the text around each match.
// Everything else is the standard object's answer.
//
// The object keeps only the control's window handle and reads what it answers from the control
// when asked, so a screen reader that holds it after the window has gone gets errors, not stale
// memory.
#pragma once

#include <windows.h>

#include <string>

enum class AccessibleKind {
    named,    // the control itself: name and role; its children are the standard object's
    text,     // a text shown in a window of ours: its window text is its name
    toolbar,  // a toolbar: its buttons are children
    results,  // a list box: its items are children, with descriptions from the parent
};

struct AccessibleSpec {
    AccessibleKind kind;
    const wchar_t* name;  // the control's name (null: the standard object's); must stay alive
    long role;            // ROLE_SYSTEM_*, 0: the standard object's
    // toolbar: the key of a button's command, named to the reader with the button ("Alt+Home")
    const char* (*keyOfCommand)(int command);
};

// Sent by a results list's object to the list's parent: wParam the item's index, lParam a
// std::wstring* that receives its description (left empty when there is none).
const UINT WM_PV_ITEM_DESCRIPTION = WM_APP + 51;

// The text of the toolbar's button with command id ("" when it has none).
std::wstring ToolbarButtonText(HWND toolbar, int id);

// Makes hwnd answer with the viewer's object until it is destroyed. spec must outlive the window.
bool MakeAccessible(HWND hwnd, const AccessibleSpec* spec);

// Marks a status text as a live region (read out when it changes, the focus staying where it
// is; Windows 10 1709 and later) and AnnounceStatus() says that it changed.
void MakeLiveRegion(HWND status);
void AnnounceStatus(HWND status);

// The interface id of IAccessible. MinGW's import library gives a wrong one (the data is
// imported from oleacc.dll), with which every request fails with E_NOINTERFACE.
extern const IID kIID_IAccessible;
