// Linked into every test program: a failed PV_ASSERT ends the test program, whatever the build
// type, so that a broken invariant fails the run instead of being reported and passed over.
#include "platform/Assert.h"

namespace {
const bool g_assertsStop = (SetAssertStops(true), true);
}  // namespace
