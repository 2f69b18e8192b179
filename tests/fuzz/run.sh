#!/usr/bin/env bash
# Runs every libFuzzer target built in build/fuzz/tests/fuzz (make fuzz builds them) for a
# minute each, two at a time. Each target writes its seed corpus itself into an empty corpus
# folder. Fails when any target finds a crash, a leak, a time-out or runs out of memory; the
# input that did it is kept under <build>/fuzz-artifacts/.
# PV_FUZZ_BUILD: another build folder; PV_FUZZ_SECONDS: another time per target.
set -u
cd "$(dirname "$0")/../.."
build=${PV_FUZZ_BUILD:-build/fuzz}
seconds=${PV_FUZZ_SECONDS:-60}
bindir="$build/tests/fuzz"
work="$build/fuzz-work"
artifacts="$build/fuzz-artifacts"

targets=()
for exe in "$bindir"/fuzz_*; do
  [ -x "$exe" ] && [ -f "$exe" ] && targets+=("$exe")
done
if [ ${#targets[@]} -eq 0 ]; then
  echo "fuzz/run.sh: no fuzz targets in $bindir (run: make fuzz)" >&2
  exit 1
fi
mkdir -p "$work" "$artifacts"

run_one() {
  local exe=$1 name
  name=$(basename "$exe")
  mkdir -p "$work/$name/corpus"
  "$exe" "$work/$name/corpus" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 \
    -print_final_stats=1 -artifact_prefix="$artifacts/$name-" >"$work/$name/log" 2>&1
  local rc=$?
  if [ $rc -eq 0 ]; then
    echo "$name: ok ($(grep -m1 -o 'stat::number_of_executed_units: *[0-9]*' "$work/$name/log" |
      grep -o '[0-9]*$') runs)"
  else
    echo "$name: FAILED (exit $rc), log $work/$name/log"
    tail -n 30 "$work/$name/log"
  fi
  return $rc
}

failed=0
pids=()
names=()
for exe in "${targets[@]}"; do
  run_one "$exe" &
  pids+=($!)
  names+=("$exe")
  if [ ${#pids[@]} -ge 2 ]; then
    wait "${pids[0]}" || failed=1
    pids=("${pids[@]:1}")
  fi
done
for pid in "${pids[@]}"; do
  wait "$pid" || failed=1
done
exit $failed
