#!/usr/bin/env bash
# Runs the tool's real window against a simulated lab network, so it can be
# tried without a router. Installs and builds what is missing first.
#
#   scripts/run.sh [--xvfb] [--seconds N]
#
# The lab (network namespaces made by scripts/lab.sh, nothing in this
# machine's own network) holds:
#   192.168.0.100  this PC, where the window runs
#   192.168.0.1    a running router, module WX2000, with an FTP server
#                  (user root, the demo password printed below)
#   192.168.0.2    a router stuck in its recovery loader; once recovered it
#                  reboots into a running WX2000 router with an FTP server
# The window runs the packed demo executable (the demo package appended).
#
# With a usable DISPLAY the window opens there (X11 reaches into the lab's
# namespace through the socket file in /tmp/.X11-unix); close it to end the
# demo. Without one, or with --xvfb, it runs on a private Xvfb display: a
# tour clicks through a recovery and an FTP upgrade, a screenshot is saved
# every few seconds to build/demo-screenshots/, and the run stops after
# FW_DEMO_SECONDS seconds at the latest.
#
# Environment: FW_DEMO_SECONDS (default 60), FW_DEMO_PASSWORD (default
# wxdemo, at most 9 characters), FW_DEMO_SHOT_EVERY (seconds, default 3),
# FW_DEMO_TOUR (1: a tour clicks through the demo, also on a real display;
# default 1 under Xvfb, 0 on a real display),
# BUILD_DIR (default build/).
# The lab needs root: when not run as root, the lab part runs under sudo and
# the window still runs as the calling user.
# Everything started here is removed when the window closes, when the time is
# up, or when the command is interrupted.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${BUILD_DIR:-$root/build}"
build="$(mkdir -p "$build" && cd "$build" && pwd)"
seconds="${FW_DEMO_SECONDS:-60}"
password="${FW_DEMO_PASSWORD:-wxdemo}"
shot_every="${FW_DEMO_SHOT_EVERY:-3}"
force_xvfb=0

say() { echo "run.sh: $*" >&2; }
die() { say "$*"; exit 1; }

while [[ $# -gt 0 ]]; do
  case "$1" in
    --xvfb) force_xvfb=1; shift ;;
    --seconds) seconds="${2:?--seconds needs a number}"; shift 2 ;;
    -h | --help) sed -n '2,/^set -euo/p' "${BASH_SOURCE[0]}" | sed '$d; s/^# \{0,1\}//'; exit 0 ;;
    *) die "unknown option: $1 (see --help)" ;;
  esac
done
[[ $seconds =~ ^[0-9]+$ && $seconds -gt 0 ]] || die "FW_DEMO_SECONDS must be a number of seconds"
[[ $shot_every =~ ^[0-9]+$ && $shot_every -gt 0 ]] || die "FW_DEMO_SHOT_EVERY must be a number of seconds"
[[ ${#password} -ge 1 && ${#password} -le 9 && $password =~ ^[[:graph:]]+$ ]] ||
  die "FW_DEMO_PASSWORD must be 1 to 9 printable characters without blanks (the password box holds 9)"

exe="$build/src/fwupgrade"
demo="$build/fwupgrade-demo"
routersim="$build/tools/routersim/routersim"
fwpack="$build/tools/fwpack/fwpack"
manifest="$root/tools/fwpack/demo/demo.manifest"

# --- Install and build (as the calling user; install-deps uses sudo itself) ---
if [[ ${FW_DEMO_STAGE:-} != lab ]]; then
  "$root/scripts/install-deps.sh"
  if [[ ! -f $build/CMakeCache.txt ]]; then
    BUILD_DIR="$build" "$root/scripts/build.sh"
  else
    targets=(fwupgrade routersim fwpack)
    # The packed demo executable, when the build defines a target for it.
    if cmake --build "$build" --target help 2>/dev/null | grep -q '^fwupgrade_packed\b'; then
      targets+=(fwupgrade_packed)
    fi
    cmake --build "$build" --target "${targets[@]}"
  fi
  [[ -x $exe && -x $routersim && -x $fwpack ]] || die "the build did not make fwupgrade, routersim and fwpack"
  # Make the demo executable by hand when the build has no rule for it, or
  # when it is older than what it is made of.
  if [[ ! -x $demo || $demo -ot $exe || $demo -ot $manifest || -n $(find "$(dirname "$manifest")" -newer "$demo" -print -quit) ]]; then
    "$fwpack" build "$manifest" "$exe" "$demo"
  fi

  if [[ $(id -u) -ne 0 ]]; then
    say "the lab network needs root; continuing with sudo"
    exec sudo env FW_DEMO_STAGE=lab FW_DEMO_USER="$(id -un)" BUILD_DIR="$build" \
      FW_DEMO_SECONDS="$seconds" FW_DEMO_PASSWORD="$password" FW_DEMO_SHOT_EVERY="$shot_every" \
      ${FW_DEMO_TOUR:+FW_DEMO_TOUR="$FW_DEMO_TOUR"} \
      DISPLAY="${DISPLAY:-}" XAUTHORITY="${XAUTHORITY:-${HOME:-}/.Xauthority}" \
      bash "${BASH_SOURCE[0]}" $([[ $force_xvfb -eq 1 ]] && echo --xvfb) --seconds "$seconds"
  fi
fi
[[ $(id -u) -eq 0 ]] || die "the lab network needs root"
for tool in ip Xvfb xdotool setpriv; do
  command -v "$tool" >/dev/null || die "$tool is missing (scripts/install-deps.sh installs it)"
done
/usr/bin/python3 -c 'import pyftpdlib' 2>/dev/null || die "python3-pyftpdlib is missing (scripts/install-deps.sh installs it)"

# The window runs as the user who started the demo, root only when root did.
user="${FW_DEMO_USER:-root}"
uid="$(id -u "$user")"
gid="$(id -g "$user")"
as_user=(setpriv --reuid="$uid" --regid="$gid" --init-groups)
[[ $uid -eq 0 ]] && as_user=()

# --- Everything below is removed again on every way out ---
prefix=""
work=""
xvfb_pid=""
app_pid=""
tour_pid=""
ftp_pids=()
shots_dir="$build/demo-screenshots"
used_xvfb=0

stop_pid() {
  local pid=$1
  [[ -n $pid ]] || return 0
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
}

cleanup() {
  local status=$?
  trap - EXIT INT TERM HUP
  stop_pid "$tour_pid"
  stop_pid "$app_pid"
  local pid
  for pid in "${ftp_pids[@]}"; do stop_pid "$pid"; done
  stop_pid "$xvfb_pid"
  if [[ -n $work && -d $work ]]; then
    local listed=0 line
    for router in wx crash; do
      [[ -s $work/$router.record ]] || continue
      [[ $listed -eq 1 ]] || { say "files the routers received over FTP:"; listed=1; }
      while IFS=$'\t' read -r size name _path; do
        say "  $router: $name ($size bytes)"
      done <"$work/$router.record"
    done
    if [[ -n $prefix ]]; then
      for line in "${FWLAB_STATE_ROOT:-/run/fwlab}/$prefix/crash.store"/*; do
        [[ -f $line ]] || continue
        [[ $listed -eq 2 ]] || { say "files the recovery loader received over TFTP:"; listed=2; }
        say "  crash: $(basename "$line") ($(stat -c %s "$line") bytes)"
      done
    fi
  fi
  if [[ -n $prefix ]]; then
    FWLAB_ROUTERSIM="$routersim" bash "$root/scripts/lab.sh" down "$prefix" || true
  fi
  [[ -n $work ]] && rm -rf "$work"
  if [[ $used_xvfb -eq 1 ]]; then
    chown -R "$uid:$gid" "$shots_dir" 2>/dev/null || true
    say "screenshots: $shots_dir ($(find "$shots_dir" -name '*.png' | wc -l) files)"
  fi
  say "the demo lab is removed"
  exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
trap 'exit 129' HUP

work="$(mktemp -d /tmp/fwdemo.XXXXXXXX)"
chmod 755 "$work"

cat >"$work/lab.conf" <<'EOF'
pc 192.168.0.100/24
router wx 192.168.0.1 --normal module=WX2000,detail=rev-B
router crash 192.168.0.2 --loader reboot-delay=4000,after-reboot=normal,module=WX2000,detail=rev-B
EOF
prefix="$(FWLAB_ROUTERSIM="$routersim" bash "$root/scripts/lab.sh" up --owner $$ "$work/lab.conf")"
lab_exec() { local host=$1; shift; ip netns exec "$prefix-$host" "$@"; }
# Unprivileged ping in the PC namespace, as a desktop system allows it.
lab_exec pc sysctl -qw net.ipv4.ping_group_range="0 2147483647"

# The FTP servers of the routers: user root with the demo password.
printf '%s\n' "$password" >"$work/ftp-password"
chmod 600 "$work/ftp-password"
for router in wx crash; do
  case $router in wx) address=192.168.0.1 ;; crash) address=192.168.0.2 ;; esac
  mkdir -p "$work/$router.home"
  lab_exec "$router" /usr/bin/python3 "$root/tests/e2e/peers/ftp_server.py" --host "$address" --port 21 \
    --home "$work/$router.home" --password-file "$work/ftp-password" --record "$work/$router.record" \
    >"$work/$router.ftp-out" 2>"$work/$router.ftp-log" &
  ftp_pids+=($!)
done
for router in wx crash; do
  for _ in $(seq 100); do
    grep -q '^READY' "$work/$router.ftp-out" 2>/dev/null && break
    sleep 0.1
  done
  grep -q '^READY' "$work/$router.ftp-out" || die "the FTP server of $router did not start: $(cat "$work/$router.ftp-log")"
done

# The program's temporary folder, owned by the user the window runs as.
mkdir -m 700 "$work/temp"
chown "$uid:$gid" "$work/temp"

# --- The display ---
display_env=()
if [[ $force_xvfb -eq 0 && -n ${DISPLAY:-} ]]; then
  display_env=(DISPLAY="$DISPLAY")
  [[ -n ${XAUTHORITY:-} && -r ${XAUTHORITY:-} ]] && display_env+=(XAUTHORITY="$XAUTHORITY")
  if ! lab_exec pc "${as_user[@]}" env -i "${display_env[@]}" xdotool getdisplaygeometry >/dev/null 2>&1; then
    say "DISPLAY $DISPLAY cannot be reached from the lab's namespace (a display over TCP, such as ssh -X,"
    say "cannot); using a private Xvfb display instead"
    display_env=()
  fi
fi
if [[ ${#display_env[@]} -eq 0 ]]; then
  used_xvfb=1
  lab_exec pc Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$work/xvfb-display" >/dev/null 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 100); do
    [[ -s $work/xvfb-display ]] && break
    sleep 0.05
  done
  [[ -s $work/xvfb-display ]] || die "Xvfb did not start"
  display_env=(DISPLAY=":$(head -n1 "$work/xvfb-display")")
  mkdir -p "$shots_dir"
  rm -f "$shots_dir"/*.png
fi
display="${display_env[0]#DISPLAY=}"

echo
echo "  Demo lab is up (namespaces $prefix-*):"
echo "    192.168.0.1  running router WX2000, FTP user root, password: $password"
echo "    192.168.0.2  router in its recovery loader (listed as \"192.168.0.2  crash\")"
if [[ $used_xvfb -eq 0 ]]; then
  echo "  The window opens on $display. Try Upgrade on each router; close the window to end."
else
  echo "  No display to use: running on Xvfb $display for at most $seconds s,"
  echo "  a screenshot every $shot_every s in $shots_dir"
fi
echo

# --- The window ---
mkdir -m 700 "$work/runtime"
chown "$uid:$gid" "$work/runtime"
lab_exec pc "${as_user[@]}" env -i PATH="$PATH" HOME="$(getent passwd "$user" | cut -d: -f6)" \
  USER="$user" LANG="${LANG:-C.UTF-8}" XDG_RUNTIME_DIR="$work/runtime" "${display_env[@]}" \
  TEMP="$work/temp" QT_QPA_PLATFORM=xcb "$demo" &
app_pid=$!

if [[ ${FW_DEMO_TOUR:-$used_xvfb} == 1 ]]; then
  lab_exec pc "${as_user[@]}" env -i "${display_env[@]}" \
    /usr/bin/python3 "$root/tests/e2e/gui/demo_tour.py" --display "$display" --password "$password" &
  tour_pid=$!
fi

# Lets the tour say its last words once the window is gone.
finish_tour() {
  local _
  for _ in $(seq 30); do
    [[ -n $tour_pid ]] && kill -0 "$tour_pid" 2>/dev/null || break
    sleep 0.1
  done
}

if [[ $used_xvfb -eq 0 ]]; then
  status=0
  wait "$app_pid" || status=$?
  app_pid=""
  say "the window was closed (exit code $status)"
  finish_tour
  exit 0
fi

can_shoot=1
command -v import >/dev/null || { can_shoot=0; say "ImageMagick's import is missing: no screenshots"; }
end=$((SECONDS + seconds))
next_shot=$SECONDS
n=0
while kill -0 "$app_pid" 2>/dev/null && [[ $SECONDS -lt $end ]]; do
  if [[ $can_shoot -eq 1 && $SECONDS -ge $next_shot ]]; then
    n=$((n + 1))
    lab_exec pc env -i "${display_env[@]}" import -window root "$(printf '%s/shot-%03d.png' "$shots_dir" "$n")" \
      >/dev/null 2>&1 || true
    next_shot=$((next_shot + shot_every))
  fi
  sleep 0.2
done
if kill -0 "$app_pid" 2>/dev/null; then
  say "$seconds s are up; ending the demo"
else
  status=0
  wait "$app_pid" || status=$?
  app_pid=""
  say "the window was closed (exit code $status)"
  finish_tour
fi
exit 0
