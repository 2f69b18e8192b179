// PV_ASSERT(condition): an invariant of our own code, something that holds whatever the input,
// so that a failure means a fault here (bad input gets an error message, never an assertion).
//
// The condition is checked in every build; what a failure does is the program's choice:
//  - debug builds and every test program stop: the failure is reported with the file, the line
//    and the condition, and the program aborts, so that a fault cannot pass unseen;
//  - release programs report and go on: the same report goes to the standard error (and on
//    Windows to the debugger), and the program continues as it would have without the check.
//    An e-book's reader or an author's build does not end over a check.
// A switch at compile time could not do this: each build folder compiles every library once, and
// the shipped programs and the test programs link the same objects. The test programs link
// tests/support/AssertStop.cpp instead, which chooses stop before main runs.
#pragma once

#define PV_ASSERT(condition) \
    ((condition) ? static_cast<void>(0) : PvAssertFailed(__FILE__, __LINE__, #condition))

// Reports a failed PV_ASSERT and then stops or returns, as SetAssertStops chose.
void PvAssertFailed(const char* file, int line, const char* condition);

// Whether a failed assertion ends the program (default: in debug builds only).
void SetAssertStops(bool stop);
bool AssertStops();
