#!/usr/bin/env bash
# Every test: installs what is missing, builds the three configurations, runs the
# native tests, the Windows tests under wine (headless), takes the screenshots
# (small copies of them go to docs/ when the look changed),
# and ends with one summary line.
set -uo pipefail
source "$(dirname "$0")/common.sh"
cd "$KORVANE_ROOT"
started=$(date +%s)
passed=0
failed=0

# Adds a ctest run's counts to the totals; a run that could not count is one failure.
count_ctest() {
  local log=$1 line total bad
  line=$(grep -E '[0-9]+ tests failed out of [0-9]+' "$log" | tail -n1)
  if [ -z "$line" ]; then failed=$((failed + 1)); return; fi
  bad=$(sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+).*/\1/' <<<"$line")
  total=$(sed -E 's/.* tests failed out of ([0-9]+).*/\1/' <<<"$line")
  passed=$((passed + total - bad))
  failed=$((failed + bad))
}

ensure_packages || { echo "package installation failed"; exit 1; }
ensure_node_packages || { echo "installing pst-extractor failed"; exit 1; }

mkdir -p build
# build_logged PRESET: one build, its log under build/; a failed build counts once.
build_logged() {
  local preset=$1
  say "building $preset"
  if build_preset "$preset" >"build/build-$preset.log" 2>&1; then return 0; fi
  tail -n 40 "build/build-$preset.log"
  echo "build of $preset failed"
  return 1
}
for preset in native win64; do
  build_logged "$preset" || failed=$((failed + 1))
done

# The Windows tests mostly wait on wine, not on the processor: the 32-bit build
# and the fuzzers use the cores meanwhile, and report at the end.
(
  build_logged win32 || echo "win32 build failed" >build/background-failures
  scripts/fuzz.sh
) >build/background.log 2>&1 &
background=$!

if [ -f build/native/CTestTestfile.cmake ]; then
  say "native tests"
  ctest --test-dir build/native --output-on-failure -j2 -LE after-wine 2>&1 | tee build/ctest-native.log
  count_ctest build/ctest-native.log
fi

if [ -f build/win64/CTestTestfile.cmake ]; then
  say "Windows tests under wine (null graphics driver)"
  stop_wineserver
  setup_prefix null
  start_wineserver
  # Now and then a wine process has finished its tests but never exits (seen
  # once in a few thousand runs, on a loaded machine): such a timeout is run
  # once more. A test that hangs for a reason of its own times out twice.
  ctest --test-dir build/win64 --output-on-failure -j2 --repeat after-timeout:2 2>&1 | tee build/ctest-win64.log
  count_ctest build/ctest-win64.log
  stop_wineserver

  if [ -f build/native/CTestTestfile.cmake ]; then
    say "native readers on the files the Windows tests left"
    ctest --test-dir build/native --output-on-failure -L after-wine 2>&1 | tee build/ctest-after-wine.log
    count_ctest build/ctest-after-wine.log
  fi

  say "screenshot under Xvfb"
  if scripts/screenshot.sh build/screenshots; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
  fi
  if scripts/preview-screenshots.sh build/screenshots; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
  fi
  scripts/docs-screenshots.sh build/screenshots  # the README's pictures in docs/
fi

say "the 32-bit build and the fuzzers (clang, libFuzzer)"
wait "$background"
cat build/background.log
grep -q . build/background-failures 2>/dev/null && failed=$((failed + 1))
rm -f build/background-failures
line=$(grep -E '^fuzz: [0-9]+ passed, [0-9]+ failed' build/background.log | tail -n1)
if [ -n "$line" ]; then
  passed=$((passed + $(sed -E 's/fuzz: ([0-9]+) passed.*/\1/' <<<"$line")))
  failed=$((failed + $(sed -E 's/.* ([0-9]+) failed/\1/' <<<"$line")))
else
  failed=$((failed + 1))
fi

say "finished in $(( $(date +%s) - started )) s"
echo "tests: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
