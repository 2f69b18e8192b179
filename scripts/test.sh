#!/usr/bin/env bash
# Runs every test: native unit tests under the sanitizers, the Windows tests under Wine, the
# end-to-end tests and a short run of each fuzzer. Exits non-zero when anything fails.
set -u
cd "$(dirname "$0")/.."
failed=0
step() { echo; echo "== $*"; }

step "native unit tests (AddressSanitizer + UndefinedBehaviorSanitizer)"
(cd build/asan && ctest --output-on-failure -j 2) || failed=1

step "Windows tests under Wine"
(cd build/win && ctest --output-on-failure -j 2) || failed=1

if [ -x tests/e2e/run.sh ]; then
  step "end-to-end tests"
  bash tests/e2e/run.sh || failed=1
fi

if [ -x tests/fuzz/run.sh ]; then
  step "fuzzers"
  bash tests/fuzz/run.sh || failed=1
fi

echo
if [ $failed -ne 0 ]; then echo "test.sh: FAILED"; exit 1; fi
echo "test.sh: all passed"
