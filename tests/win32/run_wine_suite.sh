#!/usr/bin/env bash
# Runs the Wine test driver on a virtual X display of its own (one of :80 to :89), in the
# build's Wine prefix, and stops both afterwards.
#   run_wine_suite.sh PREFIX DRIVER.exe [GoogleTest options]
set -euo pipefail
prefix=$1
driver=$2
shift 2
wine=/usr/lib/wine/wine64  # Debian's 64-bit loader; 32-bit programs cannot run here

export WINEPREFIX=$prefix WINEARCH=win64 WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="  # no Mono or Gecko installer dialogs
work=$(mktemp -d "${TMPDIR:-/tmp}/nuvo-wine.XXXXXX")
export NUVO_WINE_WORK=$work  # where xdotool and xwd leave their results for the driver

xvfb_pid=""
cleanup() {
  wineserver -k 2>/dev/null || true  # ends the Wine programs of this prefix only
  if [ -n "$xvfb_pid" ]; then
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT

unset DISPLAY
for number in $(seq 80 89); do
  [ -e "/tmp/.X$number-lock" ] && continue
  Xvfb ":$number" -screen 0 640x480x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 50); do
    [ -S "/tmp/.X11-unix/X$number" ] && break
    kill -0 "$xvfb_pid" 2>/dev/null || break
    sleep 0.1
  done
  if [ -S "/tmp/.X11-unix/X$number" ] && kill -0 "$xvfb_pid" 2>/dev/null; then
    export DISPLAY=":$number"
    break
  fi
  xvfb_pid=""
done
if [ -z "${DISPLAY:-}" ]; then
  echo "no free X display among :80 to :89" >&2
  exit 1
fi

# A new prefix is made on its first start, which takes a while.
if [ ! -d "$prefix/drive_c/windows" ]; then
  "$wine" wineboot --init >/dev/null 2>&1
  wineserver -w
fi
"$wine" "$driver" "$@"
