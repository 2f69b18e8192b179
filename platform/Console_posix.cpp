#include <unistd.h>

#include "platform/Console.h"

struct CConsoleText::Impl {};

bool IsTerminal(StdStream stream) {
    return isatty(stream == StdStream::output ? STDOUT_FILENO : STDERR_FILENO) == 1;
}

CConsoleText::CConsoleText() = default;
CConsoleText::~CConsoleText() = default;

void WriteUtf8Text(std::ostream& stream, const std::string& utf8) {
    stream << utf8;
}
