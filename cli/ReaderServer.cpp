#include "cli/ReaderServer.h"

#include <arpa/inet.h>
#include <microhttpd.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <exception>
#include <vector>

#include "book/BookFileReader.h"
#include "cli/ReaderSite.h"

struct CReaderServer::Daemon {
    MHD_Daemon* mhd = nullptr;
    std::atomic<CReaderSite*> site{nullptr};
};

namespace {

// The request target stays as the client sent it: the site decodes what it needs, and a decoded
// "%23" or "%3F" would no longer say which file is meant.
size_t KeepEscapes(void*, MHD_Connection*, char* s) {
    return std::strlen(s);
}

// A large file of the book, unpacked as it is sent.
struct Stream {
    std::unique_ptr<CBookFileReader> reader;
    uint64_t first = 0;
    uint64_t length = 0;
};

ssize_t ReadStream(void* cls, uint64_t pos, char* buf, size_t max) {
    Stream* s = static_cast<Stream*>(cls);
    try {
        if (pos == 0 && s->first) {
            s->reader->Skip(s->first);
            if (s->reader->Position() != s->first)
                return MHD_CONTENT_READER_END_WITH_ERROR;
        }
        const uint64_t left = s->length - pos;
        const size_t want = left < max ? static_cast<size_t>(left) : max;
        const size_t got = s->reader->Read(buf, want);
        // A file shorter than it announced cuts the answer off: the client sees it short.
        return got ? static_cast<ssize_t>(got) : MHD_CONTENT_READER_END_WITH_ERROR;
    } catch (const std::exception&) {
        return MHD_CONTENT_READER_END_WITH_ERROR;
    }
}

void FreeStream(void* cls) {
    delete static_cast<Stream*>(cls);
}

void FreeBody(void* cls) {
    delete static_cast<std::vector<uint8_t>*>(cls);
}

// A HEAD answer: the headers of the GET, no body (libmicrohttpd never asks for it).
ssize_t NoBody(void*, uint64_t, char*, size_t) {
    return MHD_CONTENT_READER_END_WITH_ERROR;
}

// The response for an answer, or nullptr when none could be made. A streamed answer comes
// only from a site.
MHD_Response* MakeResponse(CReaderSite* site, BookWebAnswer& a) {
    if (a.headOnly)
        return MHD_create_response_from_callback(a.length, 4096, &NoBody, nullptr, nullptr);
    if (a.Streamed()) {
        std::unique_ptr<Stream> s(new Stream);
        try {
            s->reader = site->OpenStream(*a.file);
        } catch (const std::exception&) {
            a = BookWebErrorAnswer(
                500, "Internal Server Error",
                "The page \"" + a.file->strName + "\" cannot be read: this e-book is damaged.");
            return MakeResponse(site, a);
        }
        s->first = a.first;
        s->length = a.length;
        MHD_Response* r = MHD_create_response_from_callback(a.length, 64 * 1024, &ReadStream,
                                                            s.get(), &FreeStream);
        if (r)
            s.release();
        return r;
    }
    if (a.body.empty())
        return MHD_create_response_from_buffer(0, nullptr, MHD_RESPMEM_PERSISTENT);
    std::unique_ptr<std::vector<uint8_t>> body(new std::vector<uint8_t>(std::move(a.body)));
    MHD_Response* r = MHD_create_response_from_buffer_with_free_callback_cls(
        body->size(), body->data(), &FreeBody, body.get());
    if (r)
        body.release();
    return r;
}

MHD_Result Access(void* cls, MHD_Connection* connection, const char* url, const char* method,
                  const char*, const char*, size_t* uploadSize, void** state) {
    CReaderServer::Daemon* daemon = static_cast<CReaderServer::Daemon*>(cls);
    static int seen;
    const bool reads = std::strcmp(method, "GET") == 0 || std::strcmp(method, "HEAD") == 0;
    if (*state == nullptr && reads) {
        // A GET is answered once its request is whole: answered on the first call, the
        // connection would be closed after the answer rather than kept for the next request.
        *state = &seen;
        return MHD_YES;
    }
    if (*uploadSize != 0) {
        *uploadSize = 0;  // a body sent with a GET means nothing here: dropped as it comes
        return MHD_YES;
    }
    // Other methods are refused at once; their bodies are never read (the connection closes).
    try {
        ReaderRequest request;
        request.method = method;
        request.target = url;
        // The query, as sent: libmicrohttpd hands it over split into its arguments.
        std::string query;
        MHD_get_connection_values(
            connection, MHD_GET_ARGUMENT_KIND,
            [](void* out, MHD_ValueKind, const char* key, const char* value) {
                std::string& q = *static_cast<std::string*>(out);
                q += (q.empty() ? "" : "&") + std::string(key);
                if (value)
                    q += "=" + std::string(value);
                return MHD_YES;
            },
            &query);
        if (!query.empty())
            request.target += "?" + query;
        auto header = [connection](const char* name) {
            const char* v = MHD_lookup_connection_value(connection, MHD_HEADER_KIND, name);
            return std::string(v ? v : "");
        };
        request.host = header("Host");
        request.range = header("Range");
        request.serviceWorker = header("Service-Worker") == "script";
        CReaderSite* site = daemon->site.load();
        BookWebAnswer answer =
            site ? site->Answer(request)
                 : BookWebErrorAnswer(503, "Service Unavailable", "The reader is starting.");
        MHD_Response* response = MakeResponse(site, answer);
        if (!response)
            return MHD_NO;  // libmicrohttpd closes the connection
        const std::string headers = answer.Headers();
        for (size_t at = 0; at < headers.size();) {
            size_t end = headers.find("\r\n", at);
            if (end == std::string::npos)
                end = headers.size();
            const std::string line = headers.substr(at, end - at);
            const size_t colon = line.find(':');
            const std::string name = line.substr(0, colon);
            // libmicrohttpd states the length itself, from the response's size.
            if (colon != std::string::npos && name != "Content-Length")
                MHD_add_response_header(response, name.c_str(), line.c_str() + colon + 2);
            at = end + 2;
        }
        const MHD_Result queued =
            MHD_queue_response(connection, static_cast<unsigned>(answer.status), response);
        MHD_destroy_response(response);
        return queued;
    } catch (const std::exception&) {
        return MHD_NO;  // out of memory: the connection is closed
    }
}

}  // namespace

CReaderServer::CReaderServer() : m_daemon(new Daemon) {}

CReaderServer::~CReaderServer() {
    Stop();
}

bool CReaderServer::Listen(uint16_t port, const ReaderServerLimits& limits, std::string* error) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        *error = std::string("no socket can be made: ") + std::strerror(errno);
        return false;
    }
    const int on = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(port);
    if (bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || listen(fd, 64) != 0) {
        *error = "127.0.0.1:" + std::to_string(port) +
                 " cannot be listened on: " + std::strerror(errno) + ".";
        close(fd);
        return false;
    }
    socklen_t size = sizeof addr;
    getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &size);
    m_port = ntohs(addr.sin_port);
    m_daemon->mhd = MHD_start_daemon(
        MHD_USE_INTERNAL_POLLING_THREAD | MHD_USE_THREAD_PER_CONNECTION | MHD_USE_AUTO, 0, nullptr,
        nullptr, &Access, m_daemon.get(), MHD_OPTION_LISTEN_SOCKET, fd, MHD_OPTION_CONNECTION_LIMIT,
        limits.connections, MHD_OPTION_CONNECTION_TIMEOUT, limits.idleSeconds,
        MHD_OPTION_CONNECTION_MEMORY_LIMIT, limits.connectionMemory, MHD_OPTION_UNESCAPE_CALLBACK,
        &KeepEscapes, nullptr, MHD_OPTION_END);
    if (!m_daemon->mhd) {
        close(fd);
        *error = "the web server cannot start.";
        return false;
    }
    return true;
}

void CReaderServer::Serve(CReaderSite* site) {
    m_daemon->site.store(site);
}

void CReaderServer::Stop() {
    if (m_daemon->mhd) {
        MHD_stop_daemon(m_daemon->mhd);
        m_daemon->mhd = nullptr;
    }
    m_daemon->site.store(nullptr);
}
