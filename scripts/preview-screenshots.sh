#!/usr/bin/env bash
# Saves PNGs of the pages the real program cannot reach on its own here (the
# analysis dialog held paused, the preview page, View Log, the conversion page
# paused mid-run and finished), drawn by wine on a
# virtual X display while their in-process tests run with the program folder's
# pictures. The tests announce each window with a "SNAP NAME x y w h" line when
# KORVANE_SNAPSHOT names that folder.
# Usage: scripts/preview-screenshots.sh [OUTPUT_FOLDER]   (the win64 build of
# the test programs below must exist)
set -euo pipefail
source "$(dirname "$0")/common.sh"
out=${1:-$KORVANE_ROOT/build/screenshots}
mkdir -p "$out"

# TEST-PROGRAM GTEST-FILTER PICTURES-EXPECTED
runs=(
  "tests/mailbox/mailbox_page_tests.exe *FirstPaintAnalyses*:*PausedWorkerWaits* 2"
  "tests/log/log_test.exe *ResultTextFollows* 1"
  "tests/convert/conversion_page_tests.exe *SaveAllShowsEveryMailbox*:*PauseThenStop* 2"
)

start_screenshot_display
pictures=$(winpath "$KORVANE_ROOT/build/win64/program")
failed=0
for line in "${runs[@]}"; do
  read -r program filter expected <<<"$line"
  shots=0
  while read -r word name x y w h; do
    [ "$word" = SNAP ] || continue
    DISPLAY=$display import -window root "$out/$name.root.png"
    convert "$out/$name.root.png" -crop "${w}x${h}+${x}+${y}" +repage "$out/$name.png"
    rm -f "$out/$name.root.png"
    echo "screenshot: $out/$name.png"
    shots=$((shots + 1))
  done < <(KORVANE_SNAPSHOT=$pictures DISPLAY=$display timeout 120 wine \
             "$KORVANE_ROOT/build/win64/$program" --gtest_filter="$filter" 2>/dev/null)
  if [ "$shots" -ne "$expected" ]; then
    echo "screenshots failed: $shots of $expected windows of $program appeared" >&2
    failed=1
  fi
done
exit $failed
