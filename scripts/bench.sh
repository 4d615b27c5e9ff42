#!/usr/bin/env bash
# Builds and runs every benchmark of the project and prints one table of the
# results against their targets:
#   bench/package   extraction of a 64 MB package against cp
#   bench/memo      System Log appends at 100,000 lines against 1,000 (model and Qt view)
#   bench/discovery a search in a lab network against its fixed floor
#   bench/tftp      the recovery transfer's own entry script (run_bench.sh), when present
#   bench/ftp       the FTP client's throughput against curl -T, when present
# Benchmarks are never part of the test run. The lab benchmarks need root and
# network namespaces; they make their own namespaces and remove them, and
# send nothing outside them.
#
# usage: scripts/bench.sh [--no-lab]
# Environment: BENCH_BUILD_DIR (default build-bench), BENCH_JOBS for ninja (default 2).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${BENCH_BUILD_DIR:-$root/build-bench}"
lab=1
for arg in "$@"; do
  case "$arg" in
    --no-lab) lab=0 ;;
    *) echo "usage: $0 [--no-lab]" >&2; exit 2 ;;
  esac
done

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DFW_BUILD_GUI=ON -DFW_BUILD_TESTS=ON >/dev/null

# Only the benchmarks and what they run, not the whole tree.
wanted=(memo_bench memo_qt_bench package_extract_bench discovery_lab_bench routersim
        tftp_recover_client tftp_lockstep ftp_throughput)
known="$(ninja -C "$build" -t targets all | sed -n 's/^\([A-Za-z0-9_]*\): .*/\1/p' | sort -u)"
targets=()
for t in "${wanted[@]}"; do
  if grep -qx "$t" <<<"$known"; then targets+=("$t"); fi
done
ninja -C "$build" -j "${BENCH_JOBS:-2}" "${targets[@]}"

results="$build/bench-results"
rm -rf "$results"
mkdir -p "$results"

run_gbench() {  # name path-in-build
  local exe="$build/$2"
  if [ -x "$exe" ]; then
    echo "== $1" >&2
    "$exe" --benchmark_format=console --benchmark_out_format=json --benchmark_out="$results/$1.json" >&2 ||
      echo "$1 failed" >&2
  fi
}

run_gbench memo_bench bench/memo/memo_bench
QT_QPA_PLATFORM=offscreen run_gbench memo_qt_bench bench/memo/memo_qt_bench
run_gbench package_extract_bench bench/package/package_extract_bench
if [ "$lab" = 1 ]; then
  run_gbench discovery_lab_bench bench/discovery/discovery_lab_bench
  if [ -x "$root/bench/tftp/run_bench.sh" ]; then
    echo "== bench/tftp/run_bench.sh" >&2
    "$root/bench/tftp/run_bench.sh" --build "$build" --runs 3 --sizes "1 8" 2>&1 | tee "$results/tftp.txt" >&2 ||
      echo "bench/tftp/run_bench.sh failed" >&2
  fi
  if [ -x "$root/bench/ftp/run_bench.sh" ]; then
    echo "== bench/ftp/run_bench.sh" >&2
    "$root/bench/ftp/run_bench.sh" --build "$build" 2>&1 | tee "$results/ftp.txt" >&2 || echo "bench/ftp failed" >&2
  elif [ -x "$build/bench/ftp/ftp_throughput" ]; then
    echo "== ftp_throughput" >&2
    "$build/bench/ftp/ftp_throughput" --runs 3 --sizes-mb 8 2>&1 | tee "$results/ftp.txt" >&2 ||
      echo "ftp_throughput failed" >&2
  fi
fi

echo
/usr/bin/python3 "$root/bench/bench_table.py" "$results"
