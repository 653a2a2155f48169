#!/usr/bin/env bash
# Saves a PNG of the main page, drawn by wine on a virtual X display, and one
# of the mailbox page (beside it, mailbox-page.png) after a scan of a generated source,
# one of the About dialog (about.png) and one of the search page (search-page.png)
# after a search.
# Usage: scripts/screenshot.sh OUTPUT.png   (the win64 build must exist)
set -euo pipefail
source "$(dirname "$0")/common.sh"
out=${1:-$KORVANE_ROOT/build/screenshots/main-page.png}
mkdir -p "$(dirname "$out")"

start_screenshot_display
# snap DRIVER-SWITCH OUTPUT: the window the driver names in its "SNAP x y w h" line.
snap() {
  local switch=$1 file=$2 word x y w h shot=""
  while read -r word x y w h; do
    [ "$word" = SNAP ] || continue
    DISPLAY=$display import -window root "$file.root.png"
    convert "$file.root.png" -crop "${w}x${h}+${x}+${y}" +repage "$file"
    rm -f "$file.root.png"
    shot=$file
  done < <(DISPLAY=$display wine "$KORVANE_ROOT/build/win64/tests/driver/morvath_driver.exe" "$switch" 2>/dev/null)
  [ -n "$shot" ]
}
snap --snap "$out" || { echo "screenshot failed: the main page did not appear" >&2; exit 1; }
echo "screenshot: $out"
mailbox_out=$(dirname "$out")/mailbox-page.png
snap --snap-mailbox "$mailbox_out" || { echo "screenshot failed: the mailbox page did not appear" >&2; exit 1; }
echo "screenshot: $mailbox_out"
about_out=$(dirname "$out")/about.png
snap --snap-about "$about_out" || { echo "screenshot failed: the About dialog did not appear" >&2; exit 1; }
echo "screenshot: $about_out"
search_out=$(dirname "$out")/search-page.png
snap --snap-search "$search_out" || { echo "screenshot failed: the search page did not appear" >&2; exit 1; }
echo "screenshot: $search_out"
stop_wineserver
setup_prefix null
