#!/usr/bin/env bash
# Runs every benchmark of the native release build (run by `make bench` after `make native`),
# then the Windows programs' benchmarks under Wine.
# Each program prints the ratios it measured in one run; bench_read_page.py measures the reader's
# page of `pagevane-cli read` in Chromium. The build, search and contents
# benchmarks need a large real site: Debian's python3.11-doc HTML, installed here when it is
# missing.
set -u
cd "$(dirname "$0")/.."
dir=${PV_BENCH_BUILD_DIR:-build/native}
cli=$dir/cli/pagevane-cli
site=/usr/share/doc/python3.11/html

if [ ! -d "$site" ]; then
  sudo_cmd=()
  if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
  echo "bench: installing python3.11-doc (the site the build benchmark packs)"
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq python3.11-doc >/dev/null ||
    echo "bench: could not install python3.11-doc; the large-site figures are left out"
fi

failed=0
for bench in "$dir"/bench/bench_*; do
  [ -x "$bench" ] || continue
  name=$(basename "$bench")
  echo
  echo "== $name"
  case $name in
    bench_build|bench_search|bench_contents|bench_read)
      if [ -d "$site" ]; then "$bench" "$cli" "$site"; else "$bench" "$cli"; fi ;;
    bench_extract)
      "$bench" "$cli" ;;
    bench_check)
      if [ -d "$site" ]; then "$bench" "$cli" "$site"; else echo "bench: no $site; skipped"; fi ;;
    *)
      "$bench" ;;
  esac || failed=1
done
echo
echo "== bench_read_page (Chromium)"
python3 bench/bench_read_page.py "$cli" || failed=1
# The Windows programs' benchmarks run under Wine, from the build whose programs this machine's
# Wine can start (see `make wintests`).
windir=${PV_BENCH_WIN_DIR:-build/win}
if [ "$(bash scripts/wine-kind.sh)" = 64 ]; then windir=${PV_BENCH_WIN_DIR:-build/win64}; fi
for bench in "$windir"/bench/win/bench_*.exe; do
  [ -f "$bench" ] || continue
  echo
  echo "== $(basename "$bench" .exe) (under Wine)"
  PV_WINE_TIMEOUT=900 bash scripts/wine-run.sh "$bench" || failed=1
done
exit $failed
