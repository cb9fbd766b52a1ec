#!/usr/bin/env bash
# Builds Skyrig, starts the camera simulator and runs the program against it.
# The program gets a settings profile of its own under build/run-profile, so
# the operator's own settings are never read or changed.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/build.sh"

bin="$root/build/bin"
profile="$root/build/run-profile"
export XDG_CONFIG_HOME="$profile/config"
export XDG_DATA_HOME="$profile/data"
export XDG_CACHE_HOME="$profile/cache"
mkdir -p "$XDG_CONFIG_HOME/Skyrig" "$XDG_DATA_HOME" "$XDG_CACHE_HOME"
cat >"$XDG_CONFIG_HOME/Skyrig/Skyrig.conf" <<'CONF'
[Connection]
Otter_udpIp=127.0.0.1
Otter_udpPort=1030

[startup]
hasProduct=true
productId=Otter
productName=Otter

[Video]
urls_Otter=rtsp://127.0.0.1:8554/test
CONF

sim_log="$profile/camsim.log"
"$bin/skyrig-camsim" --bind 127.0.0.1 --udp-port 1030 --rtsp-port 8554 --model Otter \
  >"$sim_log" 2>&1 &
sim_pid=$!
trap 'kill "$sim_pid" 2>/dev/null || true; wait "$sim_pid" 2>/dev/null || true' EXIT

for _ in $(seq 1 50); do
  grep -q '^camsim ready' "$sim_log" 2>/dev/null && break
  if ! kill -0 "$sim_pid" 2>/dev/null; then
    echo "run: the camera simulator did not start:" >&2
    cat "$sim_log" >&2
    exit 1
  fi
  sleep 0.1
done
grep '^camsim ready' "$sim_log" || { echo "run: the simulator is not ready" >&2; exit 1; }

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "run: no display found (DISPLAY is unset); starting without a visible window" \
       "(QT_QPA_PLATFORM=offscreen). Run from a desktop session to see the program." >&2
  export QT_QPA_PLATFORM=offscreen
fi
"$bin/skyrig" "$@"
