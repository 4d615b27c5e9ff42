#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ with clang++ in build-fuzz (coverage,
# AddressSanitizer, UBSan) and runs each one for a bounded time on its seeds.
# Not part of the test run.
#
# usage: scripts/fuzz.sh [seconds-per-target] [target ...]
#   seconds-per-target  default 60
#   target              default: every target the build lists
# Environment: FUZZ_BUILD_DIR (default build-fuzz), FUZZ_JOBS for ninja (default 2).
#
# Each target's new inputs collect in build-fuzz/fuzz-work/<target>/corpus
# (the seeds in fuzz/corpus/<target>/ are only read); crashing inputs are
# written to build-fuzz/fuzz-work/<target>/crashes/ and the script ends with 1.
# Every fuzzer works on the in-memory network or on files in a temporary
# folder of its own: nothing is sent on any real network.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
seconds="${1:-60}"
if [ $# -gt 0 ]; then shift; fi
case "$seconds" in
  ''|*[!0-9]*) echo "fuzz.sh: seconds-per-target must be a number, got '$seconds'" >&2; exit 2 ;;
esac
build="${FUZZ_BUILD_DIR:-$root/build-fuzz}"

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DFW_FUZZ=ON -DFW_BUILD_GUI=OFF -DFW_BUILD_TESTS=OFF >/dev/null
ninja -C "$build" -j "${FUZZ_JOBS:-2}" fuzzers

if [ $# -gt 0 ]; then
  targets=("$@")
else
  mapfile -t targets < "$build/fuzz/fuzzers.txt"
fi

export ASAN_OPTIONS="${ASAN_OPTIONS:-abort_on_error=1:detect_leaks=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"

failed=()
printf '%-26s %10s %8s %8s  %s\n' target runs cov ft result
for target in "${targets[@]}"; do
  [ -n "$target" ] || continue
  exe="$build/fuzz/$target"
  if [ ! -x "$exe" ]; then
    echo "fuzz.sh: no such target: $target" >&2
    failed+=("$target")
    continue
  fi
  work="$build/fuzz-work/$target"
  mkdir -p "$work/corpus" "$work/crashes"
  seeds=()
  [ -d "$root/fuzz/corpus/$target" ] && seeds=("$root/fuzz/corpus/$target")
  result=ok
  if ! "$exe" -max_total_time="$seconds" -timeout=20 -print_final_stats=1 \
      -artifact_prefix="$work/crashes/" "$work/corpus" "${seeds[@]}" >"$work/log" 2>&1; then
    result="FAILED (see $work/log and $work/crashes/)"
    failed+=("$target")
  fi
  runs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/log" | tail -1)"
  cov="$(grep -o 'cov: [0-9]*' "$work/log" | tail -1 | cut -d' ' -f2)"
  ft="$(grep -o 'ft: [0-9]*' "$work/log" | tail -1 | cut -d' ' -f2)"
  printf '%-26s %10s %8s %8s  %s\n' "$target" "${runs:--}" "${cov:--}" "${ft:--}" "$result"
done

if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzz.sh: findings in: ${failed[*]}" >&2
  exit 1
fi
