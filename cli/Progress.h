// One line of progress on the error stream, redrawn in place: "  120 of 1065 files, 12.4 MB".
// Meant for a terminal only; the command line makes one only when standard error is one.
#pragma once

#include <cstdint>
#include <functional>
#include <ostream>

class CProgressLine {
  public:
    // now gives seconds on a steady clock (tests pass their own).
    explicit CProgressLine(std::ostream& err, std::function<double()> now = nullptr);
    ~CProgressLine() { Clear(); }
    CProgressLine(const CProgressLine&) = delete;
    CProgressLine& operator=(const CProgressLine&) = delete;

    // Files done of total, bytes read so far. Draws at most four times a second, the first time
    // a quarter of a second after the start, so that quick runs show nothing.
    void Update(size_t done, size_t total, uint64_t bytes);
    // Removes the line, so that what is printed next starts at the beginning of a clean line.
    void Clear();

  private:
    std::ostream& m_err;
    std::function<double()> m_now;
    double m_start;
    double m_lastDraw = -1;
    size_t m_width = 0;  // length of the line on screen; 0 when none is shown
};
