// Resource and command ids of the viewer.
#pragma once

#define IDI_BOOK 128  // group icon 128: one 32x32 16-colour image (an e-book's icon replaces it)
#define IDB_TOOLBAR 130
#define IDA_MAIN 131

#define IDD_ABOUT 100
#define IDD_SEARCH 101

#define IDC_ABOUT_ICON 1000
#define IDC_ABOUT_TITLE 1001
#define IDC_ABOUT_AUTHOR 1002
#define IDC_ABOUT_COPYRIGHT 1003
#define IDC_ABOUT_URL 1004
#define IDC_ABOUT_EMAIL 1005
#define IDC_ABOUT_INFO 1006

#define IDC_SEARCH_TEXT 1010
#define IDC_SEARCH_GO 1011
#define IDC_SEARCH_RESULTS 1012
#define IDC_SEARCH_STATUS 1013
#define IDC_SEARCH_SNIPPET 1014

// Commands; the toolbar buttons carry these ids, in this order.
#define IDM_HOME 40001
#define IDM_PREV 40002
#define IDM_NEXT 40003
#define IDM_BACK 40004
#define IDM_FORWARD 40005
#define IDM_COPY 40006
#define IDM_SEARCH 40007
#define IDM_FULLSCREEN 40008
#define IDM_FONTSIZE 40009
#define IDM_PRINT 40010
#define IDM_ABOUT 40011
#define IDM_EXIT 40012
#define IDM_LEAVE_FULLSCREEN 40013
#define IDM_CONTENTS 40030       // opens and closes the contents pane (no toolbar button)
#define IDM_FIND_NEXT_HIT 40031  // selects the next word of the last search on the page
#define IDM_SELECTALL 40020
#define IDM_FINDINPAGE 40021
#define IDM_TEXT_LARGER 40022
#define IDM_TEXT_SMALLER 40023
// The reader's colours: follow Windows, light, dark (the context menu's Colours submenu).
#define IDM_COLOURS_WINDOWS 40040
#define IDM_COLOURS_LIGHT 40041
#define IDM_COLOURS_DARK 40042
// The keyboard's own commands: the focus to the next or previous part of the window (F6,
// Shift+F6).
#define IDM_NEXT_PANE 40050
#define IDM_PREV_PANE 40051
#define IDM_CONTEXT_MENU 40052  // Shift+F10 and the menu key
#define IDM_BOOKMARK_ADD 40060  // bookmarks the place shown (Ctrl+D)
#define IDM_BOOKMARKS 40061     // opens the pane at the bookmarks (Ctrl+B)
