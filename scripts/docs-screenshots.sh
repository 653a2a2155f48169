#!/usr/bin/env bash
# Copies the screenshots the test command took into docs/ as small PNGs for the
# README: at most 480 pixels wide, 256 colours, no time stamps, so a picture
# changes in git only when the look does.
# Usage: scripts/docs-screenshots.sh [SCREENSHOT_FOLDER]
set -euo pipefail
source "$(dirname "$0")/common.sh"
from=${1:-$KORVANE_ROOT/build/screenshots}
to=$KORVANE_ROOT/docs
mkdir -p "$to"
shopt -s nullglob
for shot in "$from"/*.png; do
  convert "$shot" -resize '480x>' -strip -dither None -colors 256 \
    -define png:exclude-chunks=date,time "PNG8:$to/$(basename "$shot")"
  echo "docs: $to/$(basename "$shot") ($(stat -c %s "$to/$(basename "$shot")") bytes)"
done
