// Running another program and collecting what it prints (the command line's signing step).
#pragma once

#include <cstddef>
#include <string>
#include <vector>

// What RunProgram keeps of a program's output: its last 64 KiB (where its own last words are).
const size_t kProgramOutputKept = 64 * 1024;
// RunProgram's answer for a program that was ended because it ran out of time.
const int kProgramTimedOut = -2;

// Runs the program at path with args (each passed as one argument), its standard input empty
// and its standard output and error collected in *output (at most their last
// kProgramOutputKept bytes), detached from any terminal so that it cannot stop to ask there.
// Waits for it, for at most timeoutMs milliseconds unless that is 0.
//
// The program never outlives its welcome: it runs with everything it starts in a group of its own
// (Linux: a new session led by a small keeper process; Windows: a job object that kills on
// close), and the whole group is ended when the time runs out, when the program itself ends
// (whatever it left running), when this process is interrupted (TempFileGuard's handlers) and
// when this process ends in any other way, killed included (Linux: the keeper's parent-death
// signal, so the thread calling this must not end before it returns; Windows: the job's last
// handle closes).
//
// Returns the program's exit status (on Linux 128 + the signal's number for one ended by a
// signal), kProgramTimedOut when it ran out of time, or -1 when it could not be started, with
// *output saying why.
int RunProgram(const std::string& path, const std::vector<std::string>& args, std::string* output,
               unsigned timeoutMs = 0);

// The path of the program name on the PATH (Windows: with ".exe" when name has no extension),
// or "" when none is there. A name holding a folder separator is returned as given when that
// file exists.
std::string FindProgram(const std::string& name);

// Appends count bytes to *kept, which never grows beyond twice kProgramOutputKept; TrimOutput
// then leaves the last kProgramOutputKept bytes. For the platform halves of RunProgram.
void KeepProgramOutput(std::string* kept, const char* data, size_t count);
void TrimProgramOutput(std::string* kept);
