#!/usr/bin/env bash
# The main job: builds if needed and starts the wizard under wine on this
# machine's display. Without a display it says so, runs the wizard on a virtual
# display and saves a screenshot of it.
set -euo pipefail
source "$(dirname "$0")/common.sh"
cd "$KORVANE_ROOT"
ensure_packages
mkdir -p build
build_preset win64 >build/run-build.log 2>&1 || { tail -n 40 build/run-build.log; exit 1; }

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  stop_wineserver
  setup_prefix x11
  say "starting the wizard on $DISPLAY"
  wine build/win64/program/Morvath.exe
else
  say "no display here: running the wizard on a virtual display (Xvfb) for a screenshot"
  scripts/screenshot.sh build/screenshots/main-page.png
fi
