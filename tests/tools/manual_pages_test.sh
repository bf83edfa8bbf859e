#!/bin/sh
# Every program answers --help and --version on standard output before it does anything else
# (the programs with windows without a display, the tools without opening the registry store),
# refuses a command it does not know in one line with status 2, and has a manual page that man
# renders without a warning. Arguments: the programs' folder, the manual pages' folder.
set -eu
bin=$1 manuals=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }

# No display: a program that opened its window first would fail.
unset DISPLAY WAYLAND_DISPLAY
export QT_QPA_PLATFORM=xcb M716_REGISTRY="$work/registry.db"

# program, manual section, whether it takes commands, what --version names beyond itself
while read -r program section commands library; do
  "$bin/$program" --help >"$work/help" 2>"$work/err" || fail "$program --help"
  [ -s "$work/help" ] && [ ! -s "$work/err" ] || fail "$program --help: $(cat "$work/err")"
  "$bin/$program" --version >"$work/version" || fail "$program --version"
  grep -q "^$program (M716 motion software) [0-9]" "$work/version" ||
    fail "$program --version: $(cat "$work/version")"
  page=$manuals/$program.$section
  warnings=$(MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null) || fail "man -l $page"
  [ -z "$warnings" ] || fail "man -l $page: $warnings"
  MANWIDTH=80 man -l "$page" >"$work/page"
  grep -q "^ *$program - " "$work/page" || fail "$page does not name $program"
  if [ "$library" != - ]; then
    grep -q "$library" "$work/version" || fail "$program --version does not name $library"
    grep -q "$library" "$work/page" || fail "$page does not name $library"
  fi
  if [ "$commands" = commands ]; then
    status=0
    "$bin/$program" frobnicate >/dev/null 2>"$work/err" || status=$?
    [ "$status" -eq 2 ] && [ "$(wc -l <"$work/err")" -eq 1 ] &&
      grep -q "unknown command 'frobnicate'.*--help" "$work/err" ||
      fail "$program frobnicate: status $status, $(cat "$work/err")"
  fi
done <<LIST
m716 1 commands libKRVM716.so.1
m716reg 1 commands -
M716Utility 1 - libKRVM716.so.1
M716Install 1 - -
m716setup 8 commands -
LIST

"$bin/m716reg" --help >"$work/help"
for ask in -h '/?'; do
  "$bin/m716reg" "$ask" | cmp -s - "$work/help" || fail "m716reg $ask is not its --help"
done
[ -e "$M716_REGISTRY" ] && fail "asking for help or the version opened the registry store"
echo "every program answers --help and --version, and every manual page renders"
