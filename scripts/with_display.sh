#!/bin/sh
# Runs a command on a virtual X display of its own: starts Xvfb on the first free display
# number, starts openbox on it, exports DISPLAY, runs the command, then stops both.
# The exit code is the command's (125 when the display could not be started).
#
#   scripts/with_display.sh [-s WIDTHxHEIGHTxDEPTH] [-d DPI] [-n FIRST] command [args...]
#
#   -s  screen size and depth (default 1024x768x24)
#   -d  resolution in pixels per inch (default 96)
#   -n  the first display number to try (default 99); the next 100 are tried in turn
set -u

screen=1024x768x24
dpi=96
first=99
usage() {
  echo "usage: $0 [-s WIDTHxHEIGHTxDEPTH] [-d DPI] [-n FIRST] command [args...]" >&2
  exit 125
}
while getopts s:d:n:h option; do
  case $option in
    s) screen=$OPTARG ;;
    d) dpi=$OPTARG ;;
    n) first=$OPTARG ;;
    *) usage ;;
  esac
done
shift $((OPTIND - 1))
[ $# -gt 0 ] || usage
for tool in Xvfb openbox xdpyinfo xprop; do
  command -v "$tool" >/dev/null 2>&1 || { echo "$0: $tool is not installed" >&2; exit 125; }
done

xvfb_pid=
wm_pid=
stop() {
  [ -n "$wm_pid" ] && kill "$wm_pid" 2>/dev/null && wait "$wm_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  wm_pid=
  xvfb_pid=
}
trap 'stop; exit 130' INT TERM HUP

# Waits up to ten seconds for "$@" to succeed while process $1 lives; the rest is the test.
wait_for() {
  pid=$1
  shift
  tries=0
  while [ $tries -lt 100 ]; do
    kill -0 "$pid" 2>/dev/null || return 1
    "$@" >/dev/null 2>&1 && return 0
    sleep 0.1
    tries=$((tries + 1))
  done
  return 1
}

# A display number is free when no server holds its lock; Xvfb itself refuses a taken one,
# so a lost race only means trying the next number.
display=
number=$first
while [ "$number" -lt $((first + 100)) ]; do
  if [ ! -e "/tmp/.X$number-lock" ] && [ ! -e "/tmp/.X11-unix/X$number" ]; then
    Xvfb ":$number" -screen 0 "$screen" -dpi "$dpi" -nolisten tcp -noreset >/dev/null 2>&1 &
    xvfb_pid=$!
    if wait_for "$xvfb_pid" xdpyinfo -display ":$number"; then
      display=:$number
      break
    fi
    stop
  fi
  number=$((number + 1))
done
if [ -z "$display" ]; then
  echo "$0: could not start Xvfb on any display from :$first" >&2
  exit 125
fi
DISPLAY=$display
export DISPLAY

# openbox is ready once it has announced itself on the root window.
wm_log=$(mktemp)
openbox --sm-disable >"$wm_log" 2>&1 &
wm_pid=$!
if ! wait_for "$wm_pid" sh -c 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"'; then
  echo "$0: openbox did not start on $display:" >&2
  cat "$wm_log" >&2
  rm -f "$wm_log"
  stop
  exit 125
fi
rm -f "$wm_log"

"$@"
status=$?
stop
exit $status
