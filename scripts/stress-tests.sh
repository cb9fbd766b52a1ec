#!/usr/bin/env bash
# Runs the whole test suite RUNS times (default 3) the way scripts/test.sh runs
# it, while one niced busy loop per core keeps the machine fully loaded, and
# prints every test that failed with how often. A suite that passes only on a
# quiet machine fails here. Not part of CI: it takes RUNS times the suite.
#
# Usage: scripts/stress-tests.sh [RUNS]
# The build directory is build/ (STRESS_BUILD_DIR names another); the output of
# every run is kept in <build>/stress/run-N.log.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

runs=${1:-3}
if ! [[ "$runs" =~ ^[1-9][0-9]*$ ]]; then
  echo "usage: $0 [RUNS]   (RUNS a whole number of at least 1, default 3)" >&2
  exit 2
fi
build=${STRESS_BUILD_DIR:-$root/build}
cores=$(nproc)

load_pids=()
suite_pid=

stop_load() {
  local pid
  for pid in "${load_pids[@]}"; do
    kill "$pid" 2>/dev/null || true
  done
  for pid in "${load_pids[@]}"; do
    wait "$pid" 2>/dev/null || true
  done
  load_pids=()
}

# The suite runs in a process group of its own, so stopping it reaches every
# process under it: the namespace, Xvfb, ctest, the test programs and the
# simulators they started.
stop_suite() {
  [ -n "$suite_pid" ] || return 0
  kill -TERM -- "-$suite_pid" 2>/dev/null || true
  for _ in $(seq 50); do
    kill -0 -- "-$suite_pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -KILL -- "-$suite_pid" 2>/dev/null || true
  wait "$suite_pid" 2>/dev/null || true
  suite_pid=
}

cleanup() {
  stop_suite
  stop_load
}
trap cleanup EXIT
trap 'echo "stress: interrupted" >&2; exit 130' INT
trap 'echo "stress: terminated" >&2; exit 143' TERM

in_loopback_ns() {
  # Root can make a namespace of its own; otherwise run as is (loopback-only by construction).
  if [ "$(id -u)" -eq 0 ] && unshare -n true 2>/dev/null; then
    unshare -n bash -c 'ip link set lo up && exec "$@"' bash "$@"
  else
    "$@"
  fi
}

echo "=== build ==="
bash scripts/build.sh "$build" -DSKYRIG_WERROR=ON

mkdir -p "$build/stress"
echo "=== $runs run(s) of the whole suite, $cores busy loop(s) beside it ==="
for _ in $(seq "$cores"); do
  nice -n 19 bash -c 'while :; do :; done' &
  load_pids+=("$!")
done

declare -A failures=()
failed_runs=0
for run in $(seq "$runs"); do
  log="$build/stress/run-$run.log"
  start=$(date +%s)
  # In the background (and waited for), so Ctrl+C or a stop reaches the trap at once.
  (
    export -f in_loopback_ns
    exec setsid bash -c 'in_loopback_ns xvfb-run -a -s "-screen 0 1280x800x24" \
      ctest --test-dir "$1" --output-on-failure --timeout 600 -j2' bash "$build"
  ) >"$log" 2>&1 &
  suite_pid=$!
  status=0
  wait "$suite_pid" || status=$?
  suite_pid=
  seconds=$(($(date +%s) - start))

  # Every failing ctest test, with the Qt test functions its output names
  # (FAIL!, or QFATAL for a crash or a function time-out); a test that failed
  # without naming one counts under its ctest result.
  run_failures=$(awk '
    function flush() {
      if (name != "" && bad) {
        if (found == 0) print name "\t(" result ")"
        for (f in seen) print name "\t" f
      }
      delete seen; found = 0; name = ""; bad = 0
    }
    /^ *[0-9]+\/[0-9]+ Test +#[0-9]+: / {
      flush()
      name = $0; sub(/^ *[0-9]+\/[0-9]+ Test +#[0-9]+: /, "", name); sub(/ .*/, "", name)
      bad = ($0 !~ / Passed /)
      result = $0; sub(/^.*\*\*\*/, "", result); sub(/ +[0-9.]+ sec.*$/, "", result)
      if (result == $0) result = "failed"
      next
    }
    /^(FAIL!|QFATAL) *: / {
      f = $0; sub(/^(FAIL!|QFATAL) *: /, "", f)
      if (match(f, /^[A-Za-z0-9_:]+\([^)]*\)/)) f = substr(f, 1, RLENGTH)
      else sub(/ .*/, "", f)
      if (!(f in seen)) { seen[f] = 1; found++ }
    }
    /^(The following tests FAILED|Errors while running CTest)/ { flush() }
    END { flush() }
  ' "$log" | sort -u)

  if [ "$status" -eq 0 ] && [ -z "$run_failures" ]; then
    echo "run $run of $runs: all passed ($seconds s)"
    continue
  fi
  failed_runs=$((failed_runs + 1))
  if [ -z "$run_failures" ]; then
    run_failures=$(printf 'ctest\t(exit status %s, see %s)' "$status" "$log")
  fi
  echo "run $run of $runs: $(printf '%s\n' "$run_failures" | cut -f1 | sort -u | paste -sd' ') failed ($seconds s, $log)"
  while IFS= read -r line; do
    failures["$line"]=$((${failures["$line"]:-0} + 1))
  done <<<"$run_failures"
done

stop_load
echo "=== failures in $runs run(s) under load ==="
if [ "${#failures[@]}" -eq 0 ]; then
  echo "none"
  exit 0
fi
printf '%5s  %-18s %s\n' runs test function
for key in "${!failures[@]}"; do
  printf '%5d  %-18s %s\n' "${failures[$key]}" "${key%%$'\t'*}" "${key#*$'\t'}"
done | sort -k1,1nr -k2
echo "$failed_runs of $runs run(s) had failures"
exit 1
