#!/usr/bin/env bash
# Builds the Debian packages with CPack: skyrig (the interface program, skyrigctl,
# desktop entry, icons, AppStream metadata, manual pages) and skyrig-camsim
# (the camera simulator). They land in BUILD_DIR/packages.
#
#   Usage: scripts/package.sh [BUILD_DIR] [extra cmake args...]
#   Then:  sudo apt install ./build/packages/skyrig_*.deb
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=$(realpath -m "${1:-"$root/build"}")
shift || true
if grep -q '^SKYRIG_SANITIZE:BOOL=ON' "$dir/CMakeCache.txt" 2>/dev/null; then
  echo "package: $dir is a sanitizer build; package from a normal build" >&2
  exit 1
fi
bash "$root/scripts/build.sh" "$dir" -DSKYRIG_MANPAGES=ON "$@"

rm -f "$dir"/packages/*.deb
(cd "$dir" && cpack -G DEB --config CPackConfig.cmake >"$dir/packages-cpack.log" 2>&1) || {
  cat "$dir/packages-cpack.log" >&2
  exit 1
}
for deb in "$dir"/packages/*.deb; do
  printf '%s  %s bytes\n' "$deb" "$(stat -c %s "$deb")"
done
