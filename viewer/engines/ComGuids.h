// Interface and class ids that MinGW-w64's libuuid lacks, defined once in ComGuids.cpp.
#pragma once

#include <windows.h>

extern const IID kIID_IDocHostUIHandler2;
extern const IID kIID_IDocHostShowUI;
extern const CLSID kCLSID_HTMLDocument;
extern const GUID kCGID_DocHostCommandHandler;
extern const IID kIID_IHTMLElement3;
// The class id under which the viewer registers its "e-book" protocol for its own process.
extern const CLSID kCLSID_BookProtocol;
