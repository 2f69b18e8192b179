// The viewer's self-test report, written when it is started as
//
//     viewer.exe --pv-selftest REPORT.txt
//
// The viewer then opens its own store exactly as it normally does, builds the main window with
// its toolbar, navigates to the home page and, once that navigation has completed or failed (or
// after at most fifteen seconds), writes REPORT.txt and exits: with 0 when the store was read,
// with 1 when the store is missing or damaged. No splash, About box or message box is shown.
//
// Report format (UTF-8, one "key=value" per line, in this order; in values a backslash is
// written "\\", a line feed "\n" and a carriage return "\r"):
//
//     pagevane-viewer-selftest=1
//     store=ok | bare | damaged
//     error=<the text the viewer would show for a bare or damaged store; empty when ok>
//   and, only when store=ok:
//     title=, author=, copyright=, url=, email=, about=   the book's texts
//     files=<number of file-table records>
//     sequence=<number of records in the page sequence>
//     search=<number of records marked for search>
//     home=<file-table name of the home page, empty without a sequence>
//     settings=<the 19 settings integers as 0/1, space-separated>
//     toolbar=yes | no
//     buttons=<command ids of the toolbar buttons in order, space-separated; empty without>
//     enabled=<the same ids that are enabled, space-separated>
//     splash=yes | no          (yes: the book holds a splash image that is a usable bitmap)
//     splash_size=<width>x<height>   (0x0 without a splash)
//     navigation=complete | error | no-browser | pending | none
//     navigation_status=<0x%08X status of a failed navigation, 0x00000000 otherwise>
//     current=<URL of the page shown>
//     message=<text shown in place of the page, empty when the page shows>
//     engine=webview2 | browser-control   (what draws the pages; empty without a window)
//     dpi=<the window's DPI>
//     toolbar_clipped=<toolbar buttons whose label is cut or that lie outside the toolbar>
//
// Command ids: 40001 Home, 40002 Previous, 40003 Next, 40004 Back, 40005 Forward, 40006 Copy,
// 40007 Search, 40008 Full Screen, 40009 Font Size, 40010 Print, 40011 About, 40012 Exit.
#pragma once

#include <string>

class CBook;
class CMainWindow;

// The report text for a book (window may be null when the store could not be read).
std::string FormatSelfTestReport(CBook& book, const CMainWindow* window);
// Writes the report to path; false when the file cannot be written.
bool WriteSelfTestReport(const std::string& path, const std::string& text);
