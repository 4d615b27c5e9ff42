#!/bin/bash
# Lab networks for tests: a PC and simulated routers, each in a network
# namespace of its own, joined by a bridge that lives in a "switch" namespace.
# Nothing is created in this machine's own namespace; every namespace is named
# fwlab-<8 hex digits>-<host> and is removed on every way out.
#
#   lab.sh up [--owner PID] CONFIG    build a lab, print its prefix
#   lab.sh run CONFIG -- COMMAND...   build a lab, run COMMAND in the PC namespace, remove the lab
#   lab.sh exec PREFIX HOST COMMAND...  run COMMAND in the namespace of HOST ("pc" or a router)
#   lab.sh down PREFIX                remove a lab (also: lab.sh cleanup PREFIX)
#   lab.sh cleanup-stale              remove labs whose owner process has ended
#   lab.sh list                       show the labs of this machine
#
# CONFIG lines (words split like a shell does, quotes allowed, no expansion):
#   pc ADDRESS/PREFIXLEN...                      the PC's addresses (default 192.168.0.100/24)
#   router NAME ADDRESS[/PREFIXLEN] [noping] ROUTERSIM-OPTIONS...
# A router marked noping ignores ICMP echo (net.ipv4.icmp_echo_ignore_all=1).
# Every host gets a default route out of its link, so the limited broadcast
# leaves the PC and every router can answer any PC address.
#
# Environment: FWLAB_ROUTERSIM (the routersim executable), FWLAB_STATE_ROOT
# (where logs and received files go; default /run/fwlab).
set -euo pipefail

STATE_ROOT=${FWLAB_STATE_ROOT:-/run/fwlab}
SCRIPT_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
ROUTERSIM=${FWLAB_ROUTERSIM:-$SCRIPT_DIR/../build/tools/routersim/routersim}

say() { echo "lab.sh: $*" >&2; }
die() { say "$*"; exit 1; }

usage() {
    sed -n '2,/^set -euo/p' "${BASH_SOURCE[0]}" | sed '$d; s/^# \{0,1\}//' >&2
    exit 2
}

valid_prefix() { [[ $1 =~ ^fwlab-[0-9a-f]{8}$ ]]; }
valid_name() { [[ $1 =~ ^[a-z][a-z0-9]{0,11}$ ]]; }

lab_namespaces() {
    ip netns list 2>/dev/null | awk '{print $1}' | grep -E "^$1-" || true
}

# Ends the processes inside the lab's namespaces (routersim and whatever ran
# there), then removes the namespaces and the lab's state folder.
cleanup_prefix() {
    local prefix=$1 ns pids round
    valid_prefix "$prefix" || die "not a lab prefix: $prefix"
    local namespaces
    namespaces=$(lab_namespaces "$prefix")
    for round in 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19 20; do
        pids=""
        for ns in $namespaces; do
            pids+=" $(ip netns pids "$ns" 2>/dev/null || true)"
        done
        [[ -z ${pids// /} ]] && break
        if [[ $round -lt 20 ]]; then
            # shellcheck disable=SC2086
            kill -TERM $pids 2>/dev/null || true
            sleep 0.1
        else
            # shellcheck disable=SC2086
            kill -KILL $pids 2>/dev/null || true
        fi
    done
    for ns in $namespaces; do
        ip netns del "$ns" 2>/dev/null || say "cannot remove namespace $ns"
    done
    rm -rf "${STATE_ROOT:?}/$prefix"
}

cleanup_stale() {
    local dir prefix owner
    [[ -d $STATE_ROOT ]] || return 0
    for dir in "$STATE_ROOT"/fwlab-*; do
        [[ -d $dir ]] || continue
        prefix=$(basename "$dir")
        valid_prefix "$prefix" || continue
        owner=$(cat "$dir/owner" 2>/dev/null || echo 0)
        if [[ $owner =~ ^[0-9]+$ && $owner -gt 0 ]] && ! kill -0 "$owner" 2>/dev/null; then
            say "removing stale lab $prefix (owner $owner has ended)"
            cleanup_prefix "$prefix"
        fi
    done
}

# Splits one config line into words, honouring quotes, without expanding anything.
split_words() {
    WORDS=()
    [[ -z ${1//[[:space:]]/} ]] && return 0
    mapfile -d '' WORDS < <(printf '%s\n' "$1" | xargs printf '%s\0')
}

HOST_INDEX=0
# add_host PREFIX NAME ADDRESS...: a namespace joined to the switch.
add_host() {
    local prefix=$1 name=$2 ns=$1-$2 sw=$1-sw address
    shift 2
    HOST_INDEX=$((HOST_INDEX + 1))
    ip netns add "$ns"
    ip -n "$ns" link set lo up
    ip -n "$sw" link add "p$HOST_INDEX" type veth peer name eth0 netns "$ns"
    ip -n "$sw" link set "p$HOST_INDEX" master br0 up
    for address in "$@"; do
        [[ $address == */* ]] || address+=/24
        ip -n "$ns" addr add "$address" dev eth0
    done
    ip -n "$ns" link set eth0 up
    ip -n "$ns" route add default dev eth0
}

new_prefix() { echo "fwlab-$(od -An -N4 -tx1 /dev/urandom | tr -d ' \n')"; }

# From here on any failure or interrupt removes what was made.
remove_on_exit() {
    trap 'cleanup_prefix '"$1" EXIT
    trap 'exit 130' INT
    trap 'exit 143' TERM
    trap 'exit 129' HUP
}

# build_lab PREFIX OWNER CONFIG
build_lab() {
    local prefix=$1 owner=$2 config=$3
    [[ -r $config ]] || die "cannot read config $config"
    [[ -x $ROUTERSIM ]] || die "routersim not found at $ROUTERSIM (set FWLAB_ROUTERSIM)"
    [[ $(id -u) -eq 0 ]] || die "needs root"

    local pc_addresses=() router_lines=() line
    while IFS= read -r line || [[ -n $line ]]; do
        line=${line%%#*}
        split_words "$line"
        [[ ${#WORDS[@]} -eq 0 ]] && continue
        case ${WORDS[0]} in
            pc) pc_addresses=("${WORDS[@]:1}") ;;
            router) router_lines+=("$line") ;;
            *) die "unknown config line: $line" ;;
        esac
    done <"$config"
    [[ ${#pc_addresses[@]} -gt 0 ]] || pc_addresses=(192.168.0.100/24)

    local state=$STATE_ROOT/$prefix
    mkdir -p "$state"
    echo "$owner" >"$state/owner"

    local sw=$prefix-sw
    ip netns add "$sw"
    ip -n "$sw" link set lo up
    ip -n "$sw" link add br0 type bridge stp_state 0 forward_delay 0
    ip -n "$sw" link set br0 up
    add_host "$prefix" pc "${pc_addresses[@]}"

    local names=()
    for line in "${router_lines[@]}"; do
        split_words "$line"
        local name=${WORDS[1]:-} address=${WORDS[2]:-} ping=yes
        valid_name "$name" || die "bad router name \"$name\" (a-z, 0-9, at most 12)"
        [[ $name != pc && $name != sw ]] || die "router name \"$name\" is taken"
        [[ -n $address ]] || die "router $name needs an address"
        local options=("${WORDS[@]:3}")
        if [[ ${options[0]:-} == noping ]]; then
            ping=no
            options=("${options[@]:1}")
        fi
        add_host "$prefix" "$name" "$address"
        if [[ $ping == no ]]; then
            ip netns exec "$prefix-$name" sysctl -qw net.ipv4.icmp_echo_ignore_all=1
        fi
        mkdir -p "$state/$name.store"
        ip netns exec "$prefix-$name" "$ROUTERSIM" --store-dir "$state/$name.store" --log "$state/$name.log" \
            "${options[@]}" </dev/null >"$state/$name.out" 2>&1 &
        echo $! >"$state/$name.pid"
        names+=("$name")
    done

    local name tries
    for name in "${names[@]}"; do
        for tries in $(seq 50); do
            grep -q '^ready' "$state/$name.log" 2>/dev/null && break
            kill -0 "$(cat "$state/$name.pid")" 2>/dev/null || die "routersim of $name failed: $(cat "$state/$name.out")"
            sleep 0.1
        done
        grep -q '^ready' "$state/$name.log" 2>/dev/null || die "routersim of $name did not start"
    done
    say "lab $prefix is up: namespaces $(lab_namespaces "$prefix" | tr '\n' ' ')"
}

cmd_up() {
    local owner=0
    if [[ ${1:-} == --owner ]]; then
        owner=${2:?--owner needs a process id}
        shift 2
    fi
    local config=${1:?config file needed}
    cleanup_stale
    local prefix
    prefix=$(new_prefix)
    remove_on_exit "$prefix"
    build_lab "$prefix" "$owner" "$config"
    trap - EXIT INT TERM HUP
    echo "$prefix"
}

cmd_run() {
    local config=${1:?config file needed}
    shift
    [[ ${1:-} == -- ]] && shift
    [[ $# -gt 0 ]] || die "run needs a command after --"
    cleanup_stale
    local prefix
    prefix=$(new_prefix)
    remove_on_exit "$prefix"
    build_lab "$prefix" $$ "$config"
    local status=0
    ip netns exec "$prefix-pc" "$@" || status=$?
    exit "$status"
}

cmd_exec() {
    local prefix=${1:?prefix needed} host=${2:?host needed}
    shift 2
    valid_prefix "$prefix" || die "not a lab prefix: $prefix"
    exec ip netns exec "$prefix-$host" "$@"
}

cmd_list() {
    local dir
    for dir in "$STATE_ROOT"/fwlab-*; do
        [[ -d $dir ]] || continue
        echo "$(basename "$dir") owner $(cat "$dir/owner" 2>/dev/null || echo '?'): $(lab_namespaces "$(basename "$dir")" | tr '\n' ' ')"
    done
}

case ${1:-} in
    up) shift; cmd_up "$@" ;;
    run) shift; cmd_run "$@" ;;
    exec) shift; cmd_exec "$@" ;;
    down | cleanup) cleanup_prefix "${2:?prefix needed}" ;;
    cleanup-stale) cleanup_stale ;;
    list) cmd_list ;;
    *) usage ;;
esac
