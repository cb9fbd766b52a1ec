#!/usr/bin/env bash
# Builds everything with warnings as errors and runs the whole suite: the normal
# build, the same suite under AddressSanitizer + UndefinedBehaviorSanitizer, and
# the fuzz targets for a bounded number of inputs. Tests run inside a network
# namespace with only loopback up, so no test can reach a real camera address.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/install-deps.sh

FUZZ_RUNS=${FUZZ_RUNS:-200000}

in_loopback_ns() {
  # Root can make a namespace of its own; otherwise run as is (loopback-only by construction).
  if [ "$(id -u)" -eq 0 ] && unshare -n true 2>/dev/null; then
    unshare -n bash -c 'ip link set lo up && exec "$@"' bash "$@"
  else
    "$@"
  fi
}

run_suite() {
  local dir=$1
  in_loopback_ns xvfb-run -a -s "-screen 0 1280x800x24" \
    ctest --test-dir "$dir" --output-on-failure --timeout 600 -j2
}

echo "=== formatting ==="
git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run -Werror

echo "=== build (warnings are errors) ==="
bash scripts/build.sh "$root/build" -DSKYRIG_WERROR=ON
echo "=== test suite ==="
run_suite "$root/build"

echo "=== screenshots of the interface (CI artefacts in build/screenshots) ==="
in_loopback_ns timeout 180 bash scripts/screenshots.sh "$root/build/screenshots"

echo "=== build with AddressSanitizer + UndefinedBehaviorSanitizer ==="
bash scripts/build.sh "$root/build-asan" -DSKYRIG_WERROR=ON -DSKYRIG_SANITIZE=ON \
  -DSKYRIG_BUILD_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug
echo "=== test suite under sanitizers ==="
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export LSAN_OPTIONS=suppressions=$root/scripts/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
run_suite "$root/build-asan"

echo "=== fuzz targets ==="
CC=clang-14 CXX=clang++-14 bash scripts/build.sh "$root/build-fuzz" -DSKYRIG_WERROR=ON \
  -DSKYRIG_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo
mkdir -p "$root/build-fuzz/corpus"
for f in "$root"/build-fuzz/bin/fuzz_*; do
  [ -x "$f" ] || continue
  name=$(basename "$f")
  log="$root/build-fuzz/$name.log"
  if ! "$f" -runs="$FUZZ_RUNS" -max_len=4096 -seed=1 -print_final_stats=1 >"$log" 2>&1; then
    tail -n 40 "$log"
    echo "fuzz target $name failed"
    exit 1
  fi
  echo "$name: $(grep -E 'stat::number_of_executed_units' "$log" | awk '{print $2}') inputs, no crash"
done
echo "=== Debian packages: build, contents, lintian, install into a clean Debian 12 ==="
# Bounded: a slow mirror ends the install test (the packages are still checked).
package_start=$(date +%s)
bash scripts/package.sh "$root/build" -DSKYRIG_WERROR=ON
for deb in "$root"/build/packages/*.deb; do
  echo "--- $(basename "$deb") ($(stat -c %s "$deb") bytes)"
  dpkg-deb --field "$deb" Package Version Depends Recommends
  dpkg-deb --contents "$deb" | awk '$1 !~ /^d/ {print $1, $3, $6}'
done
# Errors fail the step; warnings and notes are shown (lintian also notes that it runs as root).
lintian --tag-display-limit 0 --fail-on error --display-info "$root"/build/packages/*.deb
desktop-file-validate packaging/skyrig.desktop
appstreamcli validate --no-net "$root"/build/packaging/*.metainfo.xml
timeout 900 bash scripts/package-install-test.sh "$root/build"
echo "packages checked in $(( $(date +%s) - package_start )) s"

echo "=== all green ==="
