#!/usr/bin/env bash
# Copies the screenshots the test command took into docs/ as small PNGs for the
# README: at most 600 pixels wide, 256 colours, no time stamps. A picture that
# differs from the one in docs/ only in a few pixels (the temporary file names
# the pages show) is left as it is, so docs/ changes in git when the look does.
# Usage: scripts/docs-screenshots.sh [SCREENSHOT_FOLDER]
set -euo pipefail
source "$(dirname "$0")/common.sh"
from=${1:-$KORVANE_ROOT/build/screenshots}
to=$KORVANE_ROOT/docs
mkdir -p "$to"
shopt -s nullglob
for shot in "$from"/*.png; do
  name=$(basename "$shot")
  small=$(mktemp --suffix=.png)
  convert "$shot" -resize '600x>' -strip -dither None -colors 256 \
    -define png:exclude-chunks=date,time "PNG8:$small"
  if [ -f "$to/$name" ]; then
    # compare prints the count of differing pixels on standard error; a size change fails it.
    changed=$(compare -metric AE -fuzz 2% "$small" "$to/$name" null: 2>&1 || true)
    pixels=$(identify -format '%[fx:w*h]' "$small")
    if [[ $changed =~ ^[0-9]+$ ]] && [ "$changed" -lt $((pixels / 100)) ]; then
      rm -f "$small"
      echo "docs: $to/$name (unchanged look, kept)"
      continue
    fi
  fi
  mv "$small" "$to/$name"
  chmod 644 "$to/$name"
  echo "docs: $to/$name ($(stat -c %s "$to/$name") bytes)"
done
