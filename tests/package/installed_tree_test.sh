#!/bin/sh
# Installs the build into a temporary prefix, checks what is there, and builds and runs two
# applications against it on the simulated board: one with find_package(KRVM716), one with
# pkg-config. Arguments: the build folder, the consumer's sources, the C compiler, cmake, the
# library folder under the prefix.
set -eu
build=$1 consumer=$2 cc=$3 cmake=$4 libdir=$5
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix

fail() { echo "FAIL: $*" >&2; exit 1; }

"$cmake" --install "$build" --prefix "$prefix" >/dev/null
apps=share/applications icons=share/icons/hicolor/scalable/apps system=$libdir/krvm716-1
for file in bin/m716 bin/m716reg bin/M716Utility bin/M716Install \
    $apps/m716utility.desktop $apps/m716install.desktop $icons/m716utility.svg \
    $icons/m716install.svg include/KRVM716.h include/KRVM716_driver.h include/m716sim.h \
    "$libdir/libKRVM716.so.1" "$libdir/libKRVM716.so" "$system/libKRVM716S.so" \
    "$system/libm716_platform.so" "$system/libm716_sim.so" "$libdir/m716/libsetup.so" \
    "$libdir/m716/m716setup" "$libdir/cmake/KRVM716/KRVM716Config.cmake" \
    "$libdir/pkgconfig/krvm716.pc" share/man/man1/m716.1.gz share/man/man8/m716setup.8.gz \
    share/bash-completion/completions/m716 share/bash-completion/completions/m716reg; do
  [ -e "$prefix/$file" ] || fail "$file is not installed"
done

# The seams the tests put into the platform stay in the build tree.
nm -D --defined-only "$prefix/$system/libm716_platform.so" | grep -E 'RecordingBus|RegistryWrite' &&
  fail "the installed platform library carries a test seam"
[ -z "$(find "$prefix" -name 'libm716_registry_faults*')" ] || fail "a test library is installed"

# Board 0 at 0x300 on IRQ 5, declared with the installed tool in a store of the test's own.
export M716_REGISTRY="$work/registry.db"
reg="$prefix/bin/m716reg"
key='HKLM\SYSTEM\CurrentControlSet\Services\KRVM716S'
"$reg" add "$key" /v BoardIDInUsed /t REG_DWORD /d 1 /f >/dev/null
"$reg" add "$key\\Board000" /v BaseAddress /t REG_DWORD /d 0x300 /f >/dev/null
"$reg" add "$key\\Board000" /v Interrupt /t REG_DWORD /d 5 /f >/dev/null
"$prefix/bin/m716" boards | grep -q 300 || fail "m716 boards does not list board 0"

# Each desktop entry starts its installed program and shows its installed icon.
for entry in "$prefix/$apps"/m716*.desktop; do
  program=$(sed -n 's/^Exec=//p' "$entry") icon=$(sed -n 's/^Icon=//p' "$entry")
  [ -x "$prefix/bin/$program" ] || fail "$entry starts $program, which is not installed"
  [ -e "$prefix/$icons/$icon.svg" ] || fail "$entry shows $icon, which is not installed"
done

"$cmake" -S "$consumer" -B "$work/cmake-consumer" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_C_COMPILER="$cc" -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
"$cmake" --build "$work/cmake-consumer" >/dev/null
[ "$("$work/cmake-consumer/consumer")" = "X at 1334" ] || fail "the find_package consumer"

flags=$(PKG_CONFIG_PATH="$prefix/$libdir/pkgconfig" pkg-config --cflags --libs krvm716)
case $flags in  # the tree's own folders, without a detour through ..
  "-I$prefix/include -L$prefix/$libdir -lKRVM716"*) ;;
  *) fail "pkg-config gives $flags" ;;
esac
# shellcheck disable=SC2086  # the flags are words
"$cc" -o "$work/pkgconfig-consumer" "$consumer/consumer.c" $flags
[ "$(LD_LIBRARY_PATH="$prefix/$libdir" "$work/pkgconfig-consumer")" = "X at 1234" ] ||
  fail "the pkg-config consumer"
echo "installed tree and both consumers work"
