#include <unistd.h>

#include "platform/Console.h"

struct CConsoleText::Impl {};

bool IsTerminal(StdStream stream) {
    return isatty(stream == StdStream::output ? STDOUT_FILENO : STDERR_FILENO) == 1;
}

CConsoleText::CConsoleText() = default;
CConsoleText::~CConsoleText() = default;
