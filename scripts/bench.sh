#!/usr/bin/env bash
# The conversion benchmark: `edb2pst convert` natively, then the wizard's path
# (the transfer core over the COM exchange with Quillon.dll) under wine, on the
# same generated source of about 50,000 message headers, and the ratio of the
# two. Takes a few minutes; the test command does not run it.
#   scripts/bench.sh [MESSAGES] [ROUNDS]    (defaults 30000 messages, 3 rounds)
set -uo pipefail
source "$(dirname "$0")/common.sh"
cd "$KORVANE_ROOT"
messages=${1:-30000}
rounds=${2:-3}

for preset in native win64; do
  say "building convert_bench ($preset)"
  build_preset "$preset" -- convert_bench >/dev/null || exit 1
done

work=$KORVANE_ROOT/build/bench-work
rm -rf "$work"
mkdir -p "$work"

say "edb2pst convert, native"
build/native/bench/convert_bench "$work/native" "$messages" "$rounds" | tee "$work/native.txt" || exit 1

# The wine server does part of the Windows side's work (file opens, the
# registry); the benchmark adds its processor time to its own.
server_pid() {
  local pid
  for pid in $(pgrep -x wineserver) $(pgrep -x wineserver64); do
    if tr '\0' '\n' 2>/dev/null <"/proc/$pid/environ" | grep -qx "WINEPREFIX=$WINEPREFIX"; then
      echo "$pid"
      return
    fi
  done
}

say "the wizard's path under wine"
stop_wineserver
setup_prefix null
start_wineserver
server=$(server_pid)
[ -n "$server" ] || echo "the wine server was not found: processor times below leave out its share"
KORVANE_WINESERVER_PID=$server KORVANE_CLK_TCK=$(getconf CLK_TCK) \
  wine build/win64/bench/convert_bench.exe "$(winpath "$work/wine")" "$messages" "$rounds" | tr -d '\r' |
  tee "$work/wine.txt"
status=${PIPESTATUS[0]}
stop_wineserver
[ "$status" -eq 0 ] || exit 1

native=$(awk '/^RESULT edb2pst/ { print $3, $4 }' "$work/native.txt")
wizard=$(awk '/^RESULT wizard/ { print $3, $4 }' "$work/wine.txt")
awk -v n="$native" -v w="$wizard" 'BEGIN {
  split(n, a, " "); split(w, b, " ")
  printf "edb2pst convert (native): %d messages/s by the wall clock, %d by processor time\n", a[1], a[2]
  printf "wizard path (wine):       %d messages/s by the wall clock, %d by processor time (with the wine server)\n", b[1], b[2]
  printf "wizard path/edb2pst: %.2fx the time by the wall clock, %.2fx by processor time (goal: at most 3x)\n",
         a[1] / b[1], a[2] / b[2] }'
rm -rf "$work"
