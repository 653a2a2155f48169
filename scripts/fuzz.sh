#!/usr/bin/env bash
# Builds the fuzz preset, runs every fuzzer over its corpus and every driver
# (build/fuzz/drivers/: the same steps over inputs made from a fixed seed) once.
#
# By default (the test command) each fuzzer runs a fixed number of inputs
# from a fixed seed: first every input of its corpus, regression inputs
# included, then a fixed number of mutations (4000, fewer for slow fuzzers;
# KORVANE_FUZZ_RUNS sets one number for all) with -seed=1, so a clean clone
# gives the same result on every run and no test fails by chance.
#
# scripts/fuzz.sh --long [SECONDS] runs each fuzzer for SECONDS (default 600,
# or KORVANE_FUZZ_SECONDS) from a random seed, to look for new faults. Any
# input that fails goes to build/fuzz-work/<name>/; once mended, copy it into
# tests/fuzz/corpus/<name>/ so the fixed runs replay it. New inputs go to that
# scratch folder, never into the repository's corpus.
#
# Prints "fuzz: N passed, N failed" and exits non-zero when one failed.
set -uo pipefail
source "$(dirname "$0")/common.sh"
cd "$KORVANE_ROOT"
long=0
if [ "${1:-}" = "--long" ]; then
  long=1
  seconds=${2:-${KORVANE_FUZZ_SECONDS:-600}}
fi
# Inputs per fuzzer in the fixed runs, where the default does not fit: the
# scan fuzzer compares scanners over megabytes, one or two inputs a second.
declare -A fixed_runs=([scan_differential_fuzzer]=40)
passed=0
failed=0
mkdir -p build
if ! build_preset fuzz >build/build-fuzz.log 2>&1; then
  tail -n 40 build/build-fuzz.log
  echo "fuzz: 0 passed, 1 failed"
  exit 1
fi

# run NAME LOG ARGS...: one fuzzer or driver run, counted.
run() {
  local name=$1 log=$2; shift 2
  if "$@" >"$log" 2>&1; then
    passed=$((passed + 1))
  else
    tail -n 60 "$log"
    echo "$name failed; a fuzzer's failing input is kept in build/fuzz-work/$name/"
    failed=$((failed + 1))
  fi
}

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
  common=(-timeout=10 -rss_limit_mb=2048 -artifact_prefix="$scratch/")
  if [ "$long" -eq 1 ]; then
    say "fuzzing $name for $seconds s from a random seed"
    run "$name" "$scratch.log" "$fuzzer" -max_total_time="$seconds" "${common[@]}" "$scratch" "${seeds[@]}"
    continue
  fi
  runs=${KORVANE_FUZZ_RUNS:-${fixed_runs[$name]:-4000}}
  say "fuzzing $name: its corpus, then $runs inputs from seed 1"
  inputs=()
  [ ${#seeds[@]} -gt 0 ] && inputs=("${seeds[0]}"/*)
  # Files named one by one are each run once, without mutation.
  [ ${#inputs[@]} -gt 0 ] && run "$name" "$scratch.corpus.log" "$fuzzer" "${common[@]}" "${inputs[@]}"
  run "$name" "$scratch.log" "$fuzzer" -seed=1 -runs="$runs" "${common[@]}" "$scratch" "${seeds[@]}"
done
# Drivers run the same steps over damaged stores from a fixed seed, under the
# sanitizers; the same in both modes.
mkdir -p build/fuzz-work
for driver in build/fuzz/drivers/*; do
  [ -x "$driver" ] || continue
  name=$(basename "$driver")
  say "running $name"
  run "$name" "build/fuzz-work/$name.log" "$driver"
done
echo "fuzz: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
