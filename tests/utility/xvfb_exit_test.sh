#!/bin/sh
# Starts the real M716Utility on a virtual X display, waits for its main window and leaves it
# through "Exit", the default button (Return). Passes when the program ends by itself with 0.
# Usage: xvfb_exit_test.sh PROGRAM
set -eu
program=$1
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
export M716_REGISTRY="$folder/registry.db"
export QT_QPA_PLATFORM=xcb
unset WAYLAND_DISPLAY

# shellcheck disable=SC2016
exec timeout 90 xvfb-run -a -s '-screen 0 1280x1024x24' sh -c '
  "$1" & utility=$!
  window=$(timeout 60 xdotool search --sync --onlyvisible --name "^MCB-716 Motion Utility$" | head -n 1)
  [ -n "$window" ] || { echo "no main window" >&2; kill "$utility"; exit 1; }
  xdotool windowfocus --sync "$window" key --clearmodifiers Return
  status=0
  wait "$utility" || status=$?
  echo "M716Utility ended with $status"
  exit "$status"
' sh "$program"
