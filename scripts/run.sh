#!/usr/bin/env bash
# The main job. With a display: builds if needed and starts the wizard under
# wine on it. Without one: converts the sample database demo.edb with
# `edb2pst convert` (native build) into build/demo-pst/ and says where the PST
# files are and how many messages each holds.
set -euo pipefail
source "$(dirname "$0")/common.sh"
cd "$KORVANE_ROOT"
ensure_packages
mkdir -p build

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  build_preset win64 >build/run-build.log 2>&1 || { tail -n 40 build/run-build.log; exit 1; }
  use_side_prefix display
  stop_wineserver
  setup_prefix x11
  say "starting the wizard on $DISPLAY"
  wine build/win64/program/Morvath.exe
else
  say "no display here: converting the sample database with edb2pst convert"
  {
    build_preset native -- edb2pst demo_edb
  } >build/run-build.log 2>&1 || { tail -n 40 build/run-build.log; exit 1; }
  output=build/demo-pst
  rm -rf "$output"   # a new run each time: the files carry the minute in their names
  status=0
  build/native/cli/edb2pst convert build/native/sample/demo.edb "$output" --all || status=$?
  say "PST files written under $KORVANE_ROOT/$output (messages in each Inbox above)"
  exit $status
fi
