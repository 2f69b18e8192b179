#include "platform/Process.h"

void KeepProgramOutput(std::string* kept, const char* data, size_t count) {
    if (count >= kProgramOutputKept) {
        kept->assign(data + count - kProgramOutputKept, kProgramOutputKept);
        return;
    }
    kept->append(data, count);
    // Cut back only now and then, so that a flood of output is not moved byte by byte.
    if (kept->size() > 2 * kProgramOutputKept)
        TrimProgramOutput(kept);
}

void TrimProgramOutput(std::string* kept) {
    if (kept->size() > kProgramOutputKept)
        kept->erase(0, kept->size() - kProgramOutputKept);
}
