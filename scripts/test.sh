#!/usr/bin/env bash
# Runs every test: native unit tests under the sanitizers, the Windows tests under Wine, the
# end-to-end tests and a short run of each fuzzer. Ends with one line "N passed, N failed" over
# the suites; exits non-zero when anything fails.
set -u
cd "$(dirname "$0")/.."
passed=0
failed=0
suite() {
  local name=$1; shift
  echo
  echo "== $name"
  if "$@"; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "== FAILED: $name"
  fi
}

suite "native unit tests (AddressSanitizer + UndefinedBehaviorSanitizer)" \
  bash -c 'cd build/asan && ctest --output-on-failure -j 2'
suite "Windows tests under Wine" bash -c 'cd build/win && ctest --output-on-failure -j 2'
suite "end-to-end tests" bash tests/e2e/run.sh
suite "the download for Windows users" bash tests/e2e/dist.sh
suite "fuzzers" bash tests/fuzz/run.sh

echo
echo "suites: $passed passed, $failed failed"
[ $failed -eq 0 ]
