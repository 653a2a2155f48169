#!/usr/bin/env bash
# Saves PNGs of the analysis dialog and the preview page, drawn by wine on a
# virtual X display while their in-process tests run (the win64 build of
# mailbox_page_tests must exist). The tests announce each window with a SNAP
# line when KORVANE_SNAPSHOT is set.
# Usage: scripts/preview-screenshots.sh [OUTPUT_FOLDER]
set -euo pipefail
source "$(dirname "$0")/common.sh"
out=${1:-$KORVANE_ROOT/build/screenshots}
mkdir -p "$out"

display=:${KORVANE_XVFB_DISPLAY:-97}
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
cleanup() { stop_wineserver; kill "$xvfb" 2>/dev/null || true; }
trap cleanup EXIT
for _ in $(seq 100); do xdpyinfo -display "$display" >/dev/null 2>&1 && break; sleep 0.1; done

stop_wineserver
setup_prefix x11
shots=0
while read -r word name x y w h; do
  [ "$word" = SNAP ] || continue
  DISPLAY=$display import -window root "$out/$name.root.png"
  convert "$out/$name.root.png" -crop "${w}x${h}+${x}+${y}" +repage "$out/$name.png"
  rm -f "$out/$name.root.png"
  echo "screenshot: $out/$name.png"
  shots=$((shots + 1))
done < <(KORVANE_SNAPSHOT=1 DISPLAY=$display timeout 120 wine \
           "$KORVANE_ROOT/build/win64/tests/mailbox/mailbox_page_tests.exe" \
           --gtest_filter='*FirstPaintAnalyses*:*PausedWorkerWaits*' 2>/dev/null)
stop_wineserver
setup_prefix null
[ "$shots" -eq 2 ] || { echo "screenshots failed: $shots of 2 windows appeared" >&2; exit 1; }
