// pagevane-cli read as a reader's browser meets it, on a generated book of 50,000 pages and, when
// given, on a real site (Debian's python3.11-doc HTML), each built into an e-book first:
//  - the time from starting `read` to the first page answered (the program starting, the book
//    opened, the server listening, one page unpacked and sent);
//  - a page of about 100 KB asked for 1,000 times over 8 kept connections at once: the 50th,
//    99th percentile and the longest time of one answer;
//  - the server's memory (its peak resident size) while it serves them;
//  - the first search (the index built on that request) and a second one.
// Targets: start to first page 150 ms, the 99th percentile 3 ms, the memory 64 MiB, the first
// search on the real site 1 s; a ratio of 1 or less meets them.
//   bench_read CLI [SITE]     (CLI: the native pagevane-cli)
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// One kept connection to the server.
class Connection {
  public:
    explicit Connection(uint16_t port) : m_port(port) {
        m_fd = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        a.sin_port = htons(port);
        const int on = 1;
        setsockopt(m_fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        if (connect(m_fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
            close(m_fd);
            m_fd = -1;
        }
    }
    ~Connection() {
        if (m_fd >= 0)
            close(m_fd);
    }
    bool Ok() const { return m_fd >= 0; }

    // Sends a GET and reads its answer whole; the status, or 0 when the connection failed.
    int Get(const std::string& target, std::string* body = nullptr) {
        const std::string req =
            "GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(m_port) + "\r\n\r\n";
        if (send(m_fd, req.data(), req.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(req.size()))
            return 0;
        size_t end;
        while ((end = m_buf.find("\r\n\r\n")) == std::string::npos) {
            if (!Fill())
                return 0;
        }
        const std::string head = m_buf.substr(0, end);
        const size_t at = head.find("Content-Length: ");
        const size_t length = at == std::string::npos ? 0 : std::stoul(head.substr(at + 16));
        while (m_buf.size() < end + 4 + length) {
            if (!Fill())
                return 0;
        }
        if (body)
            *body = m_buf.substr(end + 4, length);
        m_buf.erase(0, end + 4 + length);
        return std::atoi(head.c_str() + 9);
    }

  private:
    bool Fill() {
        char b[65536];
        const ssize_t n = recv(m_fd, b, sizeof b, 0);
        if (n <= 0)
            return false;
        m_buf.append(b, static_cast<size_t>(n));
        return true;
    }
    int m_fd = -1;
    uint16_t m_port;
    std::string m_buf;
};

// `read` running; stopped with SIGINT when the object ends.
struct Server {
    pid_t pid = -1;
    uint16_t port = 0;
    Clock::time_point started;

    Server(const std::string& cli, const std::string& book) {
        int out[2];
        if (pipe(out) != 0)
            return;
        started = Clock::now();
        pid = fork();
        if (pid == 0) {
            dup2(out[1], 1);
            close(out[0]);
            execl(cli.c_str(), cli.c_str(), "read", book.c_str(), "--no-open", "-q",
                  static_cast<char*>(nullptr));
            _exit(127);
        }
        close(out[1]);
        std::string line;
        char c;
        while (read(out[0], &c, 1) == 1 && c != '\n')
            line += c;
        close(out[0]);
        const size_t colon = line.rfind(':');
        if (line.rfind("http://127.0.0.1:", 0) == 0 && colon != std::string::npos)
            port = static_cast<uint16_t>(std::atoi(line.c_str() + colon + 1));
    }
    ~Server() {
        if (pid > 0) {
            kill(pid, SIGINT);
            waitpid(pid, nullptr, 0);
        }
    }
    // The processor time the server has used so far (user and system), in milliseconds: what a
    // busy machine disturbs far less than the times measured from outside.
    double ProcessorMs() const {
        std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
        std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
        const size_t close = text.rfind(')');
        if (close == std::string::npos)
            return 0;
        // Fields after the name: state is the 3rd; utime and stime the 14th and 15th.
        std::vector<std::string> fields;
        std::string f;
        for (size_t i = close + 2; i <= text.size(); ++i) {
            if (i == text.size() || text[i] == ' ') {
                fields.push_back(f);
                f.clear();
            } else {
                f += text[i];
            }
        }
        if (fields.size() < 13)
            return 0;
        return (std::atof(fields[11].c_str()) + std::atof(fields[12].c_str())) * 1000.0 /
               static_cast<double>(sysconf(_SC_CLK_TCK));
    }
    // The peak resident size of the server so far, in MiB.
    double PeakMiB() const {
        std::ifstream status("/proc/" + std::to_string(pid) + "/status");
        std::string line;
        while (std::getline(status, line)) {
            if (line.rfind("VmHWM:", 0) == 0)
                return std::atof(line.c_str() + 6) / 1024;
        }
        return 0;
    }
};

void Report(const char* what, double value, const char* unit, double target) {
    std::printf("  %-44s %9.2f %-4s target %6.0f %-4s ratio %.2f\n", what, value, unit, target,
                unit, value / target);
}

void Measure(const std::string& cli, const std::string& book, const std::string& firstPage,
             const std::string& largePage, const std::string& query) {
    Server server(cli, book);
    if (!server.port) {
        std::printf("  read did not start on %s\n", book.c_str());
        return;
    }
    {
        Connection first(server.port);
        std::string body;
        const int status = first.Ok() ? first.Get(firstPage, &body) : 0;
        Report("start to first page answered", Ms(Clock::now() - server.started), "ms", 150);
        if (status != 200)
            std::printf("  (the first page answered %d)\n", status);
    }
    std::string page;
    Connection probe(server.port);
    probe.Get(largePage, &page);
    std::printf("  the large page: %s, %zu bytes\n", largePage.c_str(), page.size());

    const int kConnections = 8, kRequests = 1000;
    std::vector<std::vector<double>> times(kConnections);
    std::vector<std::thread> threads;
    std::vector<int> failures(kConnections);
    const double cpuBefore = server.ProcessorMs();
    for (int t = 0; t < kConnections; ++t) {
        threads.emplace_back([&, t] {
            Connection c(server.port);
            for (int i = t; i < kRequests; i += kConnections) {
                const auto start = Clock::now();
                if (c.Get(largePage) != 200)
                    ++failures[t];
                times[t].push_back(Ms(Clock::now() - start));
            }
        });
    }
    for (std::thread& t : threads)
        t.join();
    std::vector<double> all;
    for (const auto& v : times)
        all.insert(all.end(), v.begin(), v.end());
    std::sort(all.begin(), all.end());
    int failed = 0;
    for (int f : failures)
        failed += f;
    std::printf("  %zu answers over %d connections, %d not 200; median %.2f ms, longest %.2f ms\n",
                all.size(), kConnections, failed, all[all.size() / 2], all.back());
    Report("the large page, 99th percentile", all[all.size() * 99 / 100], "ms", 3);
    std::printf("  the server's processor time per answer: %.3f ms\n",
                (server.ProcessorMs() - cpuBefore) / kRequests);
    Report("server's peak memory while serving", server.PeakMiB(), "MiB", 64);

    Connection search(server.port);
    const double cpuSearch = server.ProcessorMs();
    auto start = Clock::now();
    std::string found;
    search.Get("/:reader/search?q=" + query, &found);
    Report("first search (index built)", Ms(Clock::now() - start), "ms", 1000);
    std::printf("  the server's processor time for it: %.0f ms (on up to 4 threads)\n",
                server.ProcessorMs() - cpuSearch);
    start = Clock::now();
    search.Get("/:reader/search?q=" + query, &found);
    std::printf("  second search %.2f ms; %s...\n", Ms(Clock::now() - start),
                found.substr(0, 40).c_str());
    std::printf("  server's peak memory with the search index: %.1f MiB\n", server.PeakMiB());
}

// 50,000 small pages in 50 folders and one page of 100 KB.
void MakeLargeSite(const std::string& dir) {
    namespace fs = std::filesystem;
    fs::remove_all(dir);
    for (int f = 0; f < 50; ++f)
        fs::create_directories(dir + "/part" + std::to_string(f));
    for (int p = 0; p < 50000; ++p) {
        std::ofstream(dir + "/part" + std::to_string(p % 50) + "/page" + std::to_string(p) +
                      ".html")
            << "<html><head><title>Page " << p << "</title></head><body><h1>Page " << p
            << "</h1><p>Word" << p % 997 << " harbour light " << p * 7919 % 10007
            << "</p></body></html>\n";
    }
    std::ofstream big(dir + "/index.html");
    big << "<html><head><title>Home</title></head><body>\n";
    for (int i = 0; big.tellp() < 100 * 1024; ++i)
        big << "<p>Paragraph " << i << " of the large page, about the lantern room.</p>\n";
    big << "</body></html>\n";
}

bool Build(const std::string& cli, const std::string& site, const std::string& book) {
    const std::string cmd = "'" + cli + "' build '" + site + "' -o '" + book + "' -q";
    return std::system(cmd.c_str()) == 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_read CLI [SITE]\n");
        return 2;
    }
    const std::string cli = std::filesystem::absolute(argv[1]).string();
    const std::string work = std::filesystem::temp_directory_path().string() + "/pv-bench-read-" +
                             std::to_string(getpid());
    std::filesystem::create_directories(work);

    std::printf("A generated book of 50,001 pages:\n");
    MakeLargeSite(work + "/large");
    if (Build(cli, work + "/large", work + "/large.exe"))
        Measure(cli, work + "/large.exe", "/index.html", "/index.html", "lantern");
    else
        std::printf("  the book could not be built\n");

    if (argc > 2) {
        const std::string site = argv[2];
        // The real site's page closest to 100 KB.
        std::string large;
        uintmax_t best = ~uintmax_t(0);
        for (const auto& e : std::filesystem::recursive_directory_iterator(site)) {
            if (!e.is_regular_file() || e.path().extension() != ".html")
                continue;
            const uintmax_t size = e.file_size();
            const uintmax_t off = size > 102400 ? size - 102400 : 102400 - size;
            if (off < best) {
                best = off;
                large = "/" + std::filesystem::relative(e.path(), site).generic_string();
            }
        }
        std::printf("\n%s:\n", site.c_str());
        if (Build(cli, site, work + "/site.exe"))
            Measure(cli, work + "/site.exe", "/index.html", large, "%22hash+table%22");
        else
            std::printf("  the book could not be built\n");
    }
    std::filesystem::remove_all(work);
    return 0;
}
