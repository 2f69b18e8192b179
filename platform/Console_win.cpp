#include <windows.h>

#include <iostream>
#include <streambuf>
#include <string>

#include "platform/Console.h"

namespace {

DWORD StdHandleId(StdStream stream) {
    return stream == StdStream::output ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE;
}

// A console handle answers GetConsoleMode; a file or a pipe does not.
bool IsConsoleHandle(HANDLE handle) {
    DWORD mode = 0;
    return handle != nullptr && handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode);
}

// Collects the ANSI bytes written to a stream and hands them to the console as UTF-16 text.
// A lead byte of a double-byte character at the end of the buffer waits for its trail byte.
class CConsoleBuf : public std::streambuf {
  public:
    explicit CConsoleBuf(HANDLE console) : m_console(console) {}
    ~CConsoleBuf() override { Flush(true); }

    // Writes what is pending, then wide as it is.
    void WriteWide(const std::wstring& wide) {
        Flush(true);
        DWORD written = 0;
        if (!wide.empty())
            WriteConsoleW(m_console, wide.data(), static_cast<DWORD>(wide.size()), &written,
                          nullptr);
    }

  protected:
    int_type overflow(int_type c) override {
        if (traits_type::eq_int_type(c, traits_type::eof()))
            return traits_type::not_eof(c);
        m_pending += traits_type::to_char_type(c);
        if (m_pending.size() >= 4096 || c == '\n')
            Flush(false);
        return c;
    }
    std::streamsize xsputn(const char* s, std::streamsize n) override {
        m_pending.append(s, static_cast<size_t>(n));
        if (m_pending.size() >= 4096 || m_pending.find('\n') != std::string::npos)
            Flush(false);
        return n;
    }
    int sync() override {
        Flush(false);
        return 0;
    }

  private:
    void Flush(bool all) {
        size_t n = m_pending.size();
        if (!all && n > 0) {
            // Keep a lead byte whose trail byte has not come yet.
            size_t k = 0;
            while (k < n) {
                if (IsDBCSLeadByte(static_cast<BYTE>(m_pending[k]))) {
                    if (k + 1 >= n)
                        break;
                    k += 2;
                } else {
                    ++k;
                }
            }
            n = k;
        }
        if (n == 0)
            return;
        const int count = static_cast<int>(n);
        const int wideCount = MultiByteToWideChar(CP_ACP, 0, m_pending.data(), count, nullptr, 0);
        if (wideCount > 0) {
            std::wstring wide(static_cast<size_t>(wideCount), L'\0');
            MultiByteToWideChar(CP_ACP, 0, m_pending.data(), count, &wide[0], wideCount);
            DWORD written = 0;
            WriteConsoleW(m_console, wide.data(), static_cast<DWORD>(wide.size()), &written,
                          nullptr);
        }
        m_pending.erase(0, n);
    }

    HANDLE m_console;
    std::string m_pending;
};

}  // namespace

struct CConsoleText::Impl {
    struct Redirect {
        std::ostream* stream = nullptr;
        std::streambuf* previous = nullptr;
        std::unique_ptr<CConsoleBuf> buf;
    };
    Redirect redirects[2];
};

bool IsTerminal(StdStream stream) {
    return IsConsoleHandle(GetStdHandle(StdHandleId(stream)));
}

void WriteUtf8Text(std::ostream& stream, const std::string& utf8) {
    if (auto* console = dynamic_cast<CConsoleBuf*>(stream.rdbuf())) {
        const int n =
            MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
        std::wstring wide(n > 0 ? static_cast<size_t>(n) : 0, L'\0');
        if (n > 0)
            MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), &wide[0],
                                n);
        console->WriteWide(wide);
        return;
    }
    stream << utf8;
}

CConsoleText::CConsoleText() : m_impl(new Impl) {
    const std::pair<StdStream, std::ostream*> streams[] = {{StdStream::output, &std::cout},
                                                           {StdStream::error, &std::cerr}};
    for (int i = 0; i < 2; ++i) {
        const HANDLE handle = GetStdHandle(StdHandleId(streams[i].first));
        if (!IsConsoleHandle(handle))
            continue;
        Impl::Redirect& r = m_impl->redirects[i];
        r.stream = streams[i].second;
        r.stream->flush();
        r.buf.reset(new CConsoleBuf(handle));
        r.previous = r.stream->rdbuf(r.buf.get());
    }
}

CConsoleText::~CConsoleText() {
    for (Impl::Redirect& r : m_impl->redirects) {
        if (!r.stream)
            continue;
        r.stream->flush();
        r.stream->rdbuf(r.previous);
    }
}
