#!/usr/bin/env bash
# Runs every libFuzzer target built in build/fuzz/tests/fuzz (make fuzz builds them) for a
# minute of processor time each. All of them run at once, for as long as the processors need to
# give each its minute (five targets on two processors: two and a half minutes), so that no
# processor idles while the last target runs alone. Each target writes its seed corpus itself
# into an empty corpus folder. Fails when any target finds a crash, a leak, a time-out or runs
# out of memory; the input that did it is kept under <build>/fuzz-artifacts/.
# PV_FUZZ_BUILD: another build folder; PV_FUZZ_SECONDS: another processor time per target.
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

# Each target's time on the clock: its processor time, times the targets sharing a processor.
cores=$(nproc)
if [ ${#targets[@]} -gt "$cores" ]; then
  seconds=$(((seconds * ${#targets[@]} + cores - 1) / cores))
fi
echo "fuzz/run.sh: ${#targets[@]} targets at once, $seconds s each, on $cores processors"

failed=0
pids=()
for exe in "${targets[@]}"; do
  run_one "$exe" &
  pids+=($!)
done
for pid in "${pids[@]}"; do
  wait "$pid" || failed=1
done
exit $failed
