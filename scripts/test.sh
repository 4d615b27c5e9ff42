#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite: unit tests on
# a virtual clock, window renderings under Qt's offscreen platform and the lab
# tests in network namespaces (they skip themselves when not run as root).
# Then builds the headless tests again with AddressSanitizer and
# UndefinedBehaviorSanitizer and runs them (FW_SKIP_SANITIZERS=1 skips that).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"
build="${BUILD_DIR:-$root/build}"
ctest --test-dir "$build" --output-on-failure -j "$(nproc)" --timeout 300

if [ "${FW_SKIP_SANITIZERS:-0}" != "1" ]; then
  asan="${ASAN_BUILD_DIR:-$root/build-asan}"
  BUILD_DIR="$asan" BUILD_TYPE=Debug "$root/scripts/build.sh" -DFW_SANITIZE=ON -DFW_BUILD_GUI=OFF
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --test-dir "$asan" --output-on-failure -j "$(nproc)" --timeout 300 -L unit
fi
