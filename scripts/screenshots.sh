#!/usr/bin/env bash
# Writes the README's screenshots: the product picker and every control
# section (connected to the camera simulator), the live video and the album,
# in English and Chinese, into docs/screenshots/ (or the folder given).
# The interface's end-to-end test drives the real scene against the real
# simulator under Xvfb and saves a picture of each state it checks. Each
# language is a session of its own, so that the log in the pictures is in
# the pictures' language.
#
#   scripts/screenshots.sh [OUT_DIR]      BUILD_DIR=build by default
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-"$root/docs/screenshots"}
build=${BUILD_DIR:-"$root/build"}
[ -x "$build/bin/tst_ui" ] || { echo "screenshots: build first ($build/bin/tst_ui missing)" >&2; exit 1; }
mkdir -p "$out"
log=$(mktemp)
trap 'rm -f "$log"' EXIT
# A product with every section; a 1600x900 desktop.
for lang in en zh; do
  SKYRIG_E2E_SHOTS="$out" SKYRIG_E2E_LANG=$lang SKYRIG_E2E_MODEL=${SKYRIG_E2E_MODEL:-Heron} \
    SKYRIG_TEST_CLASS=UiEndToEndTest \
    timeout 170 xvfb-run -a -s "-screen 0 1600x900x24" "$build/bin/tst_ui" >"$log" 2>&1 || {
      tail -n 30 "$log" >&2
      echo "screenshots: the interface run failed ($lang)" >&2
      exit 1
    }
done
# Only the pictures of the tour are kept (the test also names its checks).
rm -f "$out"/check-*.png
echo "screenshots: $(ls "$out"/*.png | wc -l) pictures in $out"
