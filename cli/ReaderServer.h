// The reading server of `pagevane-cli read`: libmicrohttpd listening on the loopback address
// only, every request answered by CReaderSite.
//
// libmicrohttpd parses the requests and keeps each connection within fixed bounds: the request
// line and headers must fit in a connection's memory (a larger request is answered 431 or 414
// and closed), the number of connections open at once is capped (more are closed as they come,
// unanswered), an idle connection is closed after a while. Each connection has a thread of its own,
// so an answer that takes long (the first search builds the index, the contents read every page's
// title) holds up no other. It adds nothing of its own to an answer's body: no compression, no
// range logic (the site decides ranges), so what a browser receives here is what the viewer's
// WebView2 host gives its engine.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

class CReaderSite;

struct ReaderServerLimits {
    unsigned connections = 64;            // connections open at once
    unsigned idleSeconds = 60;            // an idle connection is closed after this
    size_t connectionMemory = 32u << 10;  // per connection: request line, headers, buffers
};

class CReaderServer {
  public:
    CReaderServer();
    ~CReaderServer();  // stops the server
    CReaderServer(const CReaderServer&) = delete;
    CReaderServer& operator=(const CReaderServer&) = delete;

    // Binds 127.0.0.1:port (0: a free port the system picks) and starts answering. Returns false
    // with *error saying why (the port is taken, ...).
    bool Listen(uint16_t port, const ReaderServerLimits& limits, std::string* error);
    // The port bound by Listen.
    uint16_t Port() const { return m_port; }
    // Starts answering requests through site, which must outlive the server (or Stop).
    void Serve(CReaderSite* site);
    // Closes every connection and joins the server's threads; what is still being sent is cut.
    void Stop();

    struct Daemon;  // what the server's threads share

  private:
    std::unique_ptr<Daemon> m_daemon;
    uint16_t m_port = 0;
};
