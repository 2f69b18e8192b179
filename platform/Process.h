// Running another program and collecting what it prints (the command line's signing step).
#pragma once

#include <string>
#include <vector>

// Runs the program at path with args (each passed as one argument), its standard input empty
// and its standard output and error collected in *output, detached from any terminal so that it
// cannot stop to ask there. Waits for it and returns its exit status; -1 when it could not be
// started, with *output saying why.
int RunProgram(const std::string& path, const std::vector<std::string>& args, std::string* output);

// The path of the program name on the PATH (Windows: with ".exe" when name has no extension),
// or "" when none is there. A name holding a folder separator is returned as given when that
// file exists.
std::string FindProgram(const std::string& name);
