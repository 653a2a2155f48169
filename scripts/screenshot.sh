#!/usr/bin/env bash
# Saves PNGs of the real program's windows, drawn by wine on a virtual X
# display: one line below per driver switch and picture name.
# Usage: scripts/screenshot.sh [OUTPUT_FOLDER]   (the win64 build must exist;
# an OUTPUT.png names its folder, as before)
set -euo pipefail
source "$(dirname "$0")/common.sh"
out=${1:-$KORVANE_ROOT/build/screenshots}
[[ $out == *.png ]] && out=$(dirname "$out")
mkdir -p "$out"

# DRIVER-SWITCH PICTURE-NAME
shots=(
  "--snap main-page"
  "--snap-mailbox mailbox-page"
  "--snap-splash splash"
  "--snap-search search-page"
  "--snap-about about"
)

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
failed=0
for line in "${shots[@]}"; do
  read -r switch name <<<"$line"
  if snap "$switch" "$out/$name.png"; then
    echo "screenshot: $out/$name.png"
  else
    echo "screenshot failed: no window for $switch" >&2
    failed=1
  fi
done
exit $failed
