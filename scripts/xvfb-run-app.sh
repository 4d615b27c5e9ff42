#!/usr/bin/env bash
# Runs the tool's window under a private X server, inside a network namespace
# of its own with only a loopback interface: the tool probes the local
# network, so it never runs in this machine's own namespace. The namespace,
# the X server and the program are removed on every exit path.
#
# Usage: scripts/xvfb-run-app.sh [--after SECONDS] [--then COMMAND] [--screenshot FILE] [--] EXE [ARGS...]
#   --after SECONDS    how long the program runs before COMMAND and the screenshot (default 3)
#   --then COMMAND     run with DISPLAY set once the time has passed (xdotool, for example)
#   --screenshot FILE  save the screen as a PNG, then end the program
# Without --screenshot and --then the program runs until it ends by itself.
# Needs root (ip netns), Xvfb, and ImageMagick's import for screenshots.
set -euo pipefail

after=3
then_cmd=""
shot=""
while [[ $# -gt 0 ]]; do
  case "$1" in
    --after) after="$2"; shift 2 ;;
    --then) then_cmd="$2"; shift 2 ;;
    --screenshot) shot="$2"; shift 2 ;;
    --) shift; break ;;
    -*) echo "unknown option: $1" >&2; exit 2 ;;
    *) break ;;
  esac
done
if [[ $# -lt 1 ]]; then
  echo "usage: $0 [--after SECONDS] [--then COMMAND] [--screenshot FILE] [--] EXE [ARGS...]" >&2
  exit 2
fi
exe="$(realpath "$1")"
shift

ns="fwqt-$$-$RANDOM"
xvfb_pid=""
app_pid=""
cleanup() {
  [[ -n "$app_pid" ]] && kill "$app_pid" 2>/dev/null || true
  [[ -n "$app_pid" ]] && wait "$app_pid" 2>/dev/null || true
  [[ -n "$xvfb_pid" ]] && kill "$xvfb_pid" 2>/dev/null || true
  [[ -n "$xvfb_pid" ]] && wait "$xvfb_pid" 2>/dev/null || true
  ip netns del "$ns" 2>/dev/null || true
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# A display number nobody uses.
display=""
for n in $(seq 90 199); do
  if [[ ! -e "/tmp/.X11-unix/X$n" && ! -e "/tmp/.X$n-lock" ]]; then display=":$n"; break; fi
done
[[ -n "$display" ]] || { echo "no free X display" >&2; exit 1; }

Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do
  [[ -e "/tmp/.X11-unix/X${display#:}" ]] && break
  sleep 0.05
done
[[ -e "/tmp/.X11-unix/X${display#:}" ]] || { echo "Xvfb did not start" >&2; exit 1; }

ip netns add "$ns"
ip -n "$ns" link set lo up

# The X server is reached through its socket file, which works across
# network namespaces.
ip netns exec "$ns" env DISPLAY="$display" QT_QPA_PLATFORM=xcb "$exe" "$@" &
app_pid=$!

if [[ -z "$shot" && -z "$then_cmd" ]]; then
  status=0
  wait "$app_pid" || status=$?
  app_pid=""
  exit "$status"
fi

sleep "$after"
if ! kill -0 "$app_pid" 2>/dev/null; then
  echo "the program ended early" >&2
  status=0
  wait "$app_pid" || status=$?
  app_pid=""
  exit "${status:-1}"
fi
if [[ -n "$then_cmd" ]]; then
  DISPLAY="$display" bash -c "$then_cmd"
fi
if [[ -n "$shot" ]]; then
  import -display "$display" -window root "$shot"
  echo "screenshot: $shot"
fi
