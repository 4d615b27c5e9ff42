#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite: unit tests on
# a virtual clock, window rendering under Qt's offscreen platform, and the lab
# tests in network namespaces (they skip themselves when not run as root).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"
build="${BUILD_DIR:-$root/build}"
ctest --test-dir "$build" --output-on-failure -j "$(nproc)" --timeout 300
