#!/usr/bin/env bash
# Runs the Wine test driver on a virtual X display of its own (tools/xvfb-start, one of :80
# to :89), in the build's Wine prefix, and stops both afterwards.
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

exec {xvfb_output}< <(exec "$(dirname "$0")/../../tools/xvfb-start" 80-89 -screen 0 640x480x24)
xvfb_pid=$!
read -r -u "$xvfb_output" DISPLAY || exit 1
export DISPLAY

# A new prefix is made on its first start, which takes a while.
if [ ! -d "$prefix/drive_c/windows" ]; then
  "$wine" wineboot --init >/dev/null 2>&1
  wineserver -w
fi
"$wine" "$driver" "$@"
