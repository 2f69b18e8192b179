#include "cli/Progress.h"

#include <chrono>
#include <cstdio>
#include <string>

namespace {

const double kInterval = 0.25;

double SteadySeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

}  // namespace

CProgressLine::CProgressLine(std::ostream& err, std::function<double()> now)
    : m_err(err), m_now(now ? std::move(now) : SteadySeconds), m_start(m_now()) {}

void CProgressLine::Update(size_t done, size_t total, uint64_t bytes) {
    const double t = m_now();
    if (t - m_start < kInterval || (m_lastDraw >= 0 && t - m_lastDraw < kInterval))
        return;
    m_lastDraw = t;
    char text[96];
    std::snprintf(text, sizeof text, "  %zu of %zu files, %.1f MB", done, total,
                  static_cast<double>(bytes) / (1024.0 * 1024.0));
    std::string line = text;
    // Spaces over what a longer line before left on screen.
    const size_t width = line.size();
    if (width < m_width)
        line.append(m_width - width, ' ');
    m_err << '\r' << line << std::flush;
    m_width = width;
}

void CProgressLine::Clear() {
    if (m_width == 0)
        return;
    m_err << '\r' << std::string(m_width, ' ') << '\r' << std::flush;
    m_width = 0;
}
