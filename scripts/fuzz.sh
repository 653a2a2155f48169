#!/usr/bin/env bash
# Builds the fuzz preset and runs every fuzzer briefly over its seed corpus.
# KORVANE_FUZZ_SECONDS sets the time per fuzzer (default 20). New inputs go to
# a scratch folder under build/, never into the repository's corpus.
# Prints "fuzz: N passed, N failed" and exits non-zero when one failed.
set -uo pipefail
source "$(dirname "$0")/common.sh"
cd "$KORVANE_ROOT"
seconds=${KORVANE_FUZZ_SECONDS:-20}
passed=0
failed=0
if ! build_preset fuzz >build-fuzz.log 2>&1; then
  tail -n 40 build-fuzz.log
  mkdir -p build && mv -f build-fuzz.log build/
  echo "fuzz: 0 passed, 1 failed"
  exit 1
fi
mkdir -p build && mv -f build-fuzz.log build/
shopt -s nullglob
# The database reader's seeds come from the ESE corpus at fuzz time, never from the repository.
corpus_dir=${KORVANE_ESE_CORPUS:-$KORVANE_ROOT/../shared/ese-corpus}
[ -d "$corpus_dir" ] || corpus_dir=$KORVANE_ROOT/../../shared/ese-corpus
[ -d "$corpus_dir" ] && python3 tests/fuzz/make_ese_seeds.py "$corpus_dir" build/fuzz-seeds/ese_reader_fuzzer
for fuzzer in build/fuzz/fuzzers/*; do
  [ -x "$fuzzer" ] || continue
  name=$(basename "$fuzzer")
  scratch="build/fuzz-work/$name"
  rm -rf "$scratch" && mkdir -p "$scratch"
  seeds=()
  [ -d "tests/fuzz/corpus/$name" ] && seeds=("tests/fuzz/corpus/$name")
  [ -d "build/fuzz-seeds/$name" ] && seeds+=("build/fuzz-seeds/$name")
  say "fuzzing $name for $seconds s"
  if "$fuzzer" -seed=1 -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
       -artifact_prefix="$scratch/" "$scratch" "${seeds[@]}" >"$scratch.log" 2>&1; then
    passed=$((passed + 1))
  else
    tail -n 60 "$scratch.log"
    echo "fuzzer $name failed; the input is in $scratch/"
    failed=$((failed + 1))
  fi
done
echo "fuzz: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
