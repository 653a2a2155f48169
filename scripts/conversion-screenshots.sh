#!/usr/bin/env bash
# Saves PNGs of the conversion page during a run (paused) and after it, drawn
# by wine on a virtual X display while its in-process tests run (the win64
# build of conversion_page_tests must exist). The tests announce each window
# with a SNAP line when KORVANE_SNAPSHOT is set.
# Usage: scripts/conversion-screenshots.sh [OUTPUT_FOLDER]
set -euo pipefail
source "$(dirname "$0")/common.sh"
out=${1:-$KORVANE_ROOT/build/screenshots}
mkdir -p "$out"

start_screenshot_display
shots=0
while read -r word name x y w h; do
  [ "$word" = SNAP ] || continue
  DISPLAY=$display import -window root "$out/$name.root.png"
  convert "$out/$name.root.png" -crop "${w}x${h}+${x}+${y}" +repage "$out/$name.png"
  rm -f "$out/$name.root.png"
  echo "screenshot: $out/$name.png"
  shots=$((shots + 1))
done < <(KORVANE_SNAPSHOT=1 DISPLAY=$display timeout 120 wine \
           "$KORVANE_ROOT/build/win64/tests/convert/conversion_page_tests.exe" \
           --gtest_filter='*SaveAllShowsEveryMailbox*:*PauseThenStop*' 2>/dev/null)
stop_wineserver
setup_prefix null
[ "$shots" -eq 2 ] || { echo "screenshots failed: $shots of 2 windows appeared" >&2; exit 1; }
