// The "e-book" pluggable protocol: serves the files of the book to the web-browser control.
//
// The browser asks for "e-book://name"; the handler looks the name up through an IBookSource,
// unpacks the file and reports its bytes and MIME type. The protocol is registered for this
// process only (IInternetSession::RegisterNameSpace), so nothing is written to the registry.
//
// Why CombineUrl is ours: the system's URL parser takes the first name after "//" as a host and
// would resolve "pic.png" against "e-book://page.htm" to "e-book://page.htm/pic.png". The
// handler combines relative links itself (BookUrl.h) so that links, images, style sheets and
// scripts all reach the right file.
//
// See https://learn.microsoft.com/previous-versions/windows/internet-explorer/ie-developer/
// platform-apis/aa767916(v=vs.85) (asynchronous pluggable protocols).
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/win/ScopedWin.h"

class CBook;

// Where the protocol gets its bytes; the Win32 side only, so that the tests can serve their own.
class IBookSource {
  public:
    virtual ~IBookSource() = default;
    // Fills *data and *mime for an e-book URL. Returns false when the book has no such file or
    // it cannot be read.
    virtual bool GetFile(const std::string& url, std::vector<uint8_t>* data, std::string* mime) = 0;
};

// Serves the files of an open CBook; safe to call from any thread.
class CBookSource : public IBookSource {
  public:
    explicit CBookSource(CBook& book);
    bool GetFile(const std::string& url, std::vector<uint8_t>* data, std::string* mime) override;

  private:
    CBook& m_book;
    ScopedCritSec m_lock;
};

// Registers the protocol for this process; source must outlive the registration. Returns the
// failure of CoInternetGetSession or RegisterNameSpace. COM must be initialised.
HRESULT RegisterBookProtocol(IBookSource* source);
// Removes the registration again (harmless when there is none).
void UnregisterBookProtocol();
