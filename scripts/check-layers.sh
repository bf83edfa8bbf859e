#!/bin/sh
# The motion library's rooms, lowest first: a file may include its own room and the rooms
# below it, never one above. Prints each include that points up and exits 1 if there is one.
set -eu
cd "$(dirname "$0")/../library/src"
rooms="device motion signals lifecycle"
rank() {
  n=0
  for room in $rooms; do
    [ "$room" = "$1" ] && { echo $n; return; }
    n=$((n + 1))
  done
  echo unknown
}
status=0
for dir in *; do
  [ -d "$dir" ] || continue
  own=$(rank "$dir")
  if [ "$own" = unknown ]; then
    echo "library/src/$dir: a room the layer rule does not know; add it to scripts/check-layers.sh"
    status=1
    continue
  fi
  for file in "$dir"/*; do
    for target in $(sed -n 's/^#include "\([a-z_]*\)\/.*"/\1/p' "$file"); do
      other=$(rank "$target")
      [ "$other" = unknown ] && continue
      if [ "$other" -gt "$own" ]; then
        echo "library/src/$file includes $target/, a room above $dir/"
        status=1
      fi
    done
  done
done
exit $status
