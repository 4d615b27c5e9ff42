#!/bin/bash
# Throughput of the recovery transfer over a lab link, against the same
# simulated recovery loader (routersim in a namespace of its own):
#
#   engine    the tool's own engine: the headless window on the real clock,
#             System Log on, started with the Upgrade button (tftp_recover_client)
#   tftp-hpa  Debian's tftp client, mode octet, put
#   lockstep  the bare lock-step limit: 516-byte DATA, 4-byte ACK, nothing else
#             (tftp_lockstep)
#
# Every client runs in the lab's PC namespace; nothing touches this machine's
# own network. Each stored file is compared with the original byte for byte.
#
#   bench/tftp/run_bench.sh [--build DIR] [--runs N] [--sizes "1 8 32"]
#
# Sizes are in decimal megabytes (10^6 bytes): 32 MiB would need 65,536 full
# blocks, beyond the 16-bit block numbers of a recovery transfer. Needs root,
# a build with tests (tftp_recover_client, tftp_lockstep, routersim) and tftp-hpa.
set -euo pipefail

SCRIPT_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
ROOT=$(cd "$SCRIPT_DIR/../.." && pwd)
BUILD=$ROOT/build
RUNS=5
SIZES="1 8 32"
while [[ $# -gt 0 ]]; do
    case $1 in
        --build) BUILD=$(cd "$2" && pwd); shift 2 ;;
        --runs) RUNS=$2; shift 2 ;;
        --sizes) SIZES=$2; shift 2 ;;
        *) echo "usage: $0 [--build DIR] [--runs N] [--sizes \"1 8 32\"]" >&2; exit 2 ;;
    esac
done

LAB=$ROOT/scripts/lab.sh
CLIENT=$BUILD/tests/e2e/tftp/tftp_recover_client
LOCKSTEP=$BUILD/bench/tftp/tftp_lockstep
export FWLAB_ROUTERSIM=$BUILD/tools/routersim/routersim
for tool in "$CLIENT" "$LOCKSTEP" "$FWLAB_ROUTERSIM"; do
    [[ -x $tool ]] || { echo "missing $tool: build first (ninja -C $BUILD)" >&2; exit 1; }
done
command -v tftp >/dev/null || { echo "tftp-hpa is not installed" >&2; exit 1; }
[[ $(id -u) -eq 0 ]] || { echo "needs root (network namespaces)" >&2; exit 1; }

LOADER=192.168.1.254
WORK=$(mktemp -d /tmp/fwbench-XXXXXX)
PREFIX=""
cleanup() {
    [[ -n $PREFIX ]] && "$LAB" down "$PREFIX" || true
    rm -rf "$WORK"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
trap 'exit 129' HUP

cat >"$WORK/lab.conf" <<EOF
pc 192.168.1.100/24
router loader $LOADER/24 --loader "text=\$Plumet Boot Loader V1.0"
EOF
PREFIX=$("$LAB" up --owner $$ "$WORK/lab.conf")
STORE=/run/fwlab/$PREFIX/loader.store
in_pc() { "$LAB" exec "$PREFIX" pc "$@"; }

# Milliseconds of one run of each client; the stored file must equal the original.
run_engine() {
    local out
    out=$(in_pc "$CLIENT" "$LOADER" "$1" --transfer-only) || { echo "engine run failed: $out" >&2; exit 1; }
    sed -n 's/^transfer_ms //p' <<<"$out"
}
# Timed inside the namespace, so entering it is not counted; the process start is.
run_hpa() {
    in_pc /bin/bash -c 's=$(date +%s%N); tftp -m octet "$0" -c put "$1" "$2" >/dev/null || exit 1
                       e=$(date +%s%N); echo $(((e - s) / 1000000))' "$LOADER" "$1" "$2" ||
        { echo "tftp-hpa run failed" >&2; exit 1; }
}
run_lockstep() {
    local out
    out=$(in_pc "$LOCKSTEP" "$LOADER" "$1" "$2") || { echo "lockstep run failed" >&2; exit 1; }
    sed -n 's/^transfer_ms //p' <<<"$out"
}
check_stored() {
    local stored=$STORE/$2
    for _ in $(seq 50); do [[ -f $stored ]] && break; sleep 0.1; done
    cmp -s "$1" "$stored" || { echo "stored $2 differs from $1" >&2; exit 1; }
    rm -f "$stored"
}
median() { tr ' ' '\n' | sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
fastest() { tr ' ' '\n' | sort -n | head -1; }
mbps() { awk -v b="$1" -v ms="$2" 'BEGIN {printf "%.2f", b / 1e6 / (ms / 1000)}'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.2f", b / a}'; }

# Medians, and the fastest runs: on a busy machine the fastest run is the
# better estimate of what each client can do.
printf '%-6s %-7s %10s %10s %10s %11s %16s\n' size of engine tftp-hpa lockstep engine/hpa engine/lockstep
for mb in $SIZES; do
    bytes=$((mb * 1000000))
    file=$WORK/fw$mb.bin
    head -c "$bytes" /dev/urandom >"$file"
    engine=() hpa=() lock=()
    for run in $(seq "$RUNS"); do
        # Interleaved and in turns, so a slow moment of the machine and the
        # place in the round hit all three alike.
        for slot in 0 1 2; do
            case $(((run + slot) % 3)) in
                0) engine+=("$(run_engine "$file")"); check_stored "$file" "fw$mb.bin" ;;
                1) hpa+=("$(run_hpa "$file" hpa$mb.bin)"); check_stored "$file" "hpa$mb.bin" ;;
                2) lock+=("$(run_lockstep "$file" lock$mb.bin)"); check_stored "$file" "lock$mb.bin" ;;
            esac
        done
    done
    for pick in median fastest; do
        e=$(echo "${engine[@]}" | $pick)
        h=$(echo "${hpa[@]}" | $pick)
        l=$(echo "${lock[@]}" | $pick)
        printf '%-6s %-7s %5s MB/s %5s MB/s %5s MB/s %11s %16s\n' "${mb}MB" "$pick" \
            "$(mbps "$bytes" "$e")" "$(mbps "$bytes" "$h")" "$(mbps "$bytes" "$l")" "$(ratio "$e" "$h")" \
            "$(ratio "$e" "$l")"
    done
    echo "       ms of $RUNS runs  engine: ${engine[*]}  tftp-hpa: ${hpa[*]}  lockstep: ${lock[*]}"
done
