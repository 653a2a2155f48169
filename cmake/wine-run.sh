#!/bin/sh
# Runs a 64-bit Windows program under wine for ctest. Code page 1252 comes from
# LC_ALL=C.UTF-8; the prefix must be the one the test command prepared.
export LC_ALL=C.UTF-8 WINEDEBUG="${WINEDEBUG:--all}" WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree=;mshtml=}"
: "${WINEPREFIX:?WINEPREFIX must name the test prefix (scripts/test.sh sets it)}"
export WINEPREFIX
exec wine "$@"
