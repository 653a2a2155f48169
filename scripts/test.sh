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

native=false windows=false
[ -f build/native/CTestTestfile.cmake ] && native=true
[ -f build/win64/CTestTestfile.cmake ] && windows=true

# Two native tests print what their Windows twins compare with, so they run first.
producers='^(edb2pst_list_json_matches_generator|ese_corpus_matches_known_answers)$'
if $native; then
  say "native tests whose output the Windows tests compare with"
  ctest --test-dir build/native --output-on-failure -R "$producers" 2>&1 | tee build/ctest-native-first.log
  count_ctest build/ctest-native-first.log
fi

# Then everything else at once, each lane with a log of its own shown when it
# ends: the native tests; the Windows tests in the main prefix; those that must
# run alone (label "alone") in a prefix of their own; the screenshots in a third.
# Separate prefixes have separate servers, so none sees another's windows.
# Now and then a wine process has finished its tests but never exits (seen
# once in a few thousand runs, on a loaded machine): such a timeout is run once
# more. A test that hangs for a reason of its own times out twice.
wine_ctest() {
  ctest --test-dir build/win64 --output-on-failure --repeat after-timeout:2 "$@"
}
if $windows; then
  stop_wineserver
  (use_side_prefix alone && stop_wineserver)
  (use_side_prefix display && stop_wineserver)
  setup_prefix null
  (use_side_prefix alone && setup_prefix null && start_wineserver)
  start_wineserver
  (use_side_prefix alone; wine_ctest -L alone; stop_wineserver) >build/ctest-win64-alone.log 2>&1 &
  alone=$!
  rm -f build/screenshots.status
  (
    for script in screenshot preview-screenshots; do
      scripts/$script.sh build/screenshots && echo passed >>build/screenshots.status ||
        echo failed >>build/screenshots.status
    done
  ) >build/screenshots.log 2>&1 &
  screenshots=$!
fi
if $native; then
  ctest --test-dir build/native --output-on-failure -LE after-wine -E "$producers" >build/ctest-native.log 2>&1 &
  native_lane=$!
fi
if $windows; then
  say "Windows tests under wine (null graphics driver)"
  wine_ctest -j2 -LE alone 2>&1 | tee build/ctest-win64.log
  count_ctest build/ctest-win64.log
  stop_wineserver
  wait "$alone"
  say "Windows tests that run alone, in a prefix of their own"
  cat build/ctest-win64-alone.log
  count_ctest build/ctest-win64-alone.log
fi
if $native; then
  wait "$native_lane"
  say "native tests"
  cat build/ctest-native.log
  count_ctest build/ctest-native.log
fi

if $windows; then
  if $native; then
    say "native readers on the files the Windows tests left"
    ctest --test-dir build/native --output-on-failure -j2 -L after-wine 2>&1 | tee build/ctest-after-wine.log
    count_ctest build/ctest-after-wine.log
  fi

  say "screenshots under Xvfb, in a prefix of their own"
  wait "$screenshots"
  cat build/screenshots.log
  shots_passed=$(grep -c passed build/screenshots.status 2>/dev/null)
  passed=$((passed + ${shots_passed:-0}))
  failed=$((failed + 2 - ${shots_passed:-0}))
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
