#!/usr/bin/env bash
# Installs the skyrig package the way an operator does (apt install ./skyrig_*.deb)
# into a fresh Debian 12 root and starts the programs there without network:
# skyrig --version, skyrigctl --help and a short offscreen start of skyrig,
# which must write its logs in the user's folders and nothing beside itself.
#
#   Usage: scripts/package-install-test.sh [BUILD_DIR]      (as root; after scripts/package.sh)
#
# The bare root is made once with debootstrap and kept as a tarball in
# BUILD_DIR/debian12-root together with the downloaded packages, so later runs
# only unpack it. The Debian mirror is the one this machine's apt uses. When
# the mirror cannot be reached the test is skipped with a message (exit 0).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=$(cd "${1:-"$root/build"}" && pwd)
cache="$dir/debian12-root"
tree="$cache/root"
base="$cache/bookworm-minbase.tar"
archives="$cache/archives"
# A plain offscreen start: the offscreen platform offers no OpenGL context,
# and the program picks the software renderer by itself there.
offscreen_env=(QT_QPA_PLATFORM=offscreen)
# Longest wait for each download from the mirror (the bare root, then the
# package's dependencies); a slower mirror skips the test.
network_limit=${NETWORK_LIMIT:-360}

say() {
  echo "install test [${SECONDS}s]: $*"
}
skip() {
  echo "install test SKIPPED: $*"
  exit 0
}

[ "$(id -u)" -eq 0 ] || skip "needs root (debootstrap and chroot)"
command -v debootstrap >/dev/null || skip "debootstrap is not installed (scripts/install-deps.sh)"
deb=$(ls "$dir"/packages/skyrig_*.deb 2>/dev/null | head -n 1 || true)
[ -n "$deb" ] || { echo "install test: no skyrig package in $dir/packages (run scripts/package.sh)" >&2; exit 1; }

# The mirror and suites this machine's apt is set up with.
sources=$(mktemp)
trap 'rm -f "$sources"' EXIT
cat /etc/apt/sources.list /etc/apt/sources.list.d/*.sources /etc/apt/sources.list.d/*.list \
  2>/dev/null >"$sources" || true
mirror=$(grep -hoE '^(URIs:[[:space:]]*|deb[[:space:]]+(\[[^]]*\][[:space:]]+)?)[a-z]+://[^[:space:]]+/debian/?([[:space:]]|$)' \
  "$sources" | grep -oE '[a-z]+://[^[:space:]]+' | head -n 1 || true)
[ -n "$mirror" ] || skip "no Debian mirror in this machine's apt sources"
host=$(echo "$mirror" | sed -E 's#^[a-z]+://([^/:]+).*#\1#')

reachable() {
  timeout 15 bash -c "exec 3<>/dev/tcp/$host/80" 2>/dev/null
}

mkdir -p "$cache" "$archives/partial"
if [ ! -f "$base" ]; then
  reachable || skip "the Debian mirror ($host) is not reachable"
  say "making a bare Debian 12 root with debootstrap (kept in $base)"
  rm -rf "$cache/bootstrap"
  rc=0
  timeout "$network_limit" debootstrap --variant=minbase --cache-dir="$archives" bookworm \
    "$cache/bootstrap" "$mirror" >"$cache/debootstrap.log" 2>&1 || rc=$?
  if [ "$rc" -ne 0 ]; then
    tail -n 20 "$cache/debootstrap.log"
    [ "$rc" -ne 124 ] || skip "the Debian mirror ($host) did not deliver within $network_limit s"
    reachable || skip "the Debian mirror ($host) went away during debootstrap"
    echo "install test: debootstrap failed" >&2
    exit 1
  fi
  tar -C "$cache/bootstrap" -cf "$base.new" . && mv "$base.new" "$base"
  rm -rf "$cache/bootstrap"
fi

say "fresh root from $base"
rm -rf "$tree"
mkdir -p "$tree"
tar -C "$tree" -xf "$base"
# The same sources as this machine (release, updates and security), so the
# package's dependencies resolve against what it was built with.
rm -f "$tree/etc/apt/sources.list"
for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.sources /etc/apt/sources.list.d/*.list; do
  [ -f "$f" ] || continue
  grep -qE 'debian' "$f" || continue
  mkdir -p "$tree$(dirname "$f")"
  cp "$f" "$tree$f"
done
cp /etc/resolv.conf "$tree/etc/resolv.conf"
cp "$deb" "$tree/tmp/"
debname=$(basename "$deb")

# Runs a command in the root, in a private mount namespace so that its mounts
# vanish with it.
in_root=(unshare -m --propagation private bash -c '
  tree=$1; archives=$2; shift 2
  mount -t proc proc "$tree/proc"
  mount --rbind /dev "$tree/dev"
  mount --bind "$archives" "$tree/var/cache/apt/archives"
  exec chroot "$tree" "$@"' bash "$tree" "$archives")
# A throw-away root: dpkg need not wait for every file to reach the disk.
apt_opts=(-o APT::Sandbox::User=root -o Dpkg::Use-Pty=0 -o Dpkg::Options::=--force-unsafe-io -q -y)

say "apt-get install ./$debname (downloading)"
rc=0
timeout "$network_limit" "${in_root[@]}" env DEBIAN_FRONTEND=noninteractive sh -c \
  "apt-get ${apt_opts[*]} update && apt-get ${apt_opts[*]} --download-only install /tmp/$debname" \
  >"$cache/download.log" 2>&1 || rc=$?
if [ "$rc" -ne 0 ]; then
  tail -n 30 "$cache/download.log"
  [ "$rc" -ne 124 ] || skip "the Debian mirror ($host) did not deliver within $network_limit s"
  if grep -qE 'Failed to fetch|Temporary failure|Could not resolve|Could not connect|Connection timed out|Unable to connect' \
      "$cache/download.log" || ! reachable; then
    skip "the Debian mirror ($host) could not deliver the dependencies"
  fi
  echo "install test: the package's dependencies cannot be resolved" >&2
  exit 1
fi
say "apt-get install ./$debname (offline)"
if ! unshare -n "${in_root[@]}" env DEBIAN_FRONTEND=noninteractive \
    apt-get "${apt_opts[@]}" install "/tmp/$debname" >"$cache/install.log" 2>&1; then
  tail -n 30 "$cache/install.log"
  echo "install test: installing the package failed" >&2
  exit 1
fi
grep -E '^Setting up skyrig' "$cache/install.log" || true
say "$(grep -c '^Setting up' "$cache/install.log") packages set up"

# From here on there is no network at all.
offline() {
  unshare -n "${in_root[@]}" "$@"
}
run_in_root() {
  echo "# $*"
  offline env HOME=/root "$@"
}
run_in_root skyrig --version
run_in_root skyrigctl --help | sed -n 1,5p
echo "# (${offscreen_env[*]}) skyrig   -- until the scene is up"
logs=/root/.local/share/Skyrig/Skyrig/logs
ls -A "$tree/usr/bin" >"$cache/usr-bin.before"
status=0
offline env HOME=/root "${offscreen_env[@]}" sh -c '
  skyrig >/tmp/skyrig.out 2>&1 &
  pid=$!
  for i in $(seq 1 300); do
    grep -q "QML root object count" '"$logs"'/qml-startup.log 2>/dev/null && break
    kill -0 $pid 2>/dev/null || break
    sleep 0.1
  done
  # The scene is loaded; the window is shown and drawn next. Still running a
  # few seconds later means it got through its first frames.
  for i in $(seq 1 30); do
    kill -0 $pid 2>/dev/null || break
    sleep 0.1
  done
  if kill -0 $pid 2>/dev/null; then kill $pid; wait $pid 2>/dev/null; exit 0; fi
  wait $pid; echo "skyrig ended by itself with status $?"; exit 1' || status=$?
cat "$tree/tmp/skyrig.out" 2>/dev/null | head -n 20
echo "# cat $logs/qml-startup.log"
cat "$tree$logs/qml-startup.log" 2>/dev/null || echo "(missing)"
echo "# ls $logs"
ls "$tree$logs" 2>/dev/null || echo "(missing)"
[ "$status" -eq 0 ] || { echo "install test: skyrig did not start" >&2; exit 1; }
grep -q 'QML root object count: 1' "$tree$logs/qml-startup.log" || {
  echo "install test: the scene did not load" >&2; exit 1; }
ls "$tree$logs"/session-*.log >/dev/null 2>&1 || { echo "install test: no session log" >&2; exit 1; }
# Root could write beside the program; an installed program must not.
leftovers=$(ls -A "$tree/usr/bin" | diff "$cache/usr-bin.before" - | grep '^>' || true)
if [ -n "$leftovers" ]; then
  echo "install test: the program wrote beside itself: $leftovers" >&2
  exit 1
fi
# The unpacked root is only kept when something failed, for a look inside.
rm -rf "$tree"
say "passed"
