#!/bin/sh
# Builds the Debian package from the build folder, checks its control data and contents, and
# runs its maintainer scripts on the unpacked tree (DPKG_ROOT), whose registry store is a
# temporary one. Arguments: the build folder, cpack.
set -eu
build=$1 cpack=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }
has() { grep -q -- "$2" "$1" || fail "$1 lacks $2"; }

"$cpack" --config "$build/CPackConfig.cmake" -B "$work" >/dev/null
deb=$(ls "$work"/m716_*.deb)
dpkg-deb --info "$deb" >"$work/info"
for line in 'Package: m716' 'Depends: .*libsqlite3' ' preinst ' ' postinst ' ' prerm ' ' postrm '; do
  has "$work/info" "$line"
done
dpkg-deb --contents "$deb" >"$work/contents"
for file in usr/bin/m716 usr/bin/m716reg usr/bin/M716Utility usr/bin/M716Install \
    usr/share/applications/m716utility.desktop usr/share/applications/m716install.desktop \
    usr/share/icons/hicolor/scalable/apps/m716utility.svg \
    usr/share/icons/hicolor/scalable/apps/m716install.svg usr/include/KRVM716.h \
    usr/include/KRVM716_driver.h usr/include/m716sim.h usr/lib/libKRVM716.so \
    usr/lib/libKRVM716S.so usr/lib/libm716_platform.so usr/lib/libm716_sim.so \
    usr/lib/m716/libsetup.so usr/lib/m716/m716setup usr/lib/cmake/KRVM716/KRVM716Config.cmake \
    usr/lib/pkgconfig/krvm716.pc; do
  has "$work/contents" " \./$file\$"
done

export DPKG_ROOT="$work/root"
dpkg-deb -x "$deb" "$DPKG_ROOT"
dpkg-deb -e "$deb" "$work/control"
store="$DPKG_ROOT/var/lib/m716/registry.db"
reg() { M716_REGISTRY="$store" "$DPKG_ROOT/usr/bin/m716reg" "$@" >/dev/null 2>&1; }
active='HKLM\Drivers\Active\01'
start_device() {
  reg add 'HKLM\SYSTEM\CurrentControlSet\Services\TRELIX\Device1' /v CallName /d TRX1: /f
  reg add "$active" /v Name /d TRX1: /f
  reg add "$active" /v Hnd /t REG_DWORD /d 1 /f
}

# Installation: the store is made and flushed by Install_Exit.
"$work/control/postinst" configure || fail "postinst configure"
[ -s "$store" ] || fail "postinst made no registry store"

# A first installation leaves the running device alone; an upgrade unloads it.
start_device
"$work/control/preinst" install || fail "preinst install"
reg query "$active" || fail "preinst install unloaded the device"
"$work/control/preinst" upgrade 0.9 || fail "preinst upgrade"
reg query "$active" && fail "preinst upgrade left the device running"

# A store named by M716_REGISTRY is the one the hooks use.
other="$work/other.db"
M716_REGISTRY="$other" "$work/control/postinst" configure || fail "postinst, own store"
[ -s "$other" ] || fail "postinst ignored M716_REGISTRY"

"$work/control/prerm" upgrade 1.1 || fail "prerm upgrade"
"$work/control/prerm" remove || fail "prerm remove"
"$work/control/postrm" remove || fail "postrm remove"
[ -s "$store" ] || fail "removal without purge deleted the store"
"$work/control/postrm" purge || fail "postrm purge"
[ -e "$DPKG_ROOT/var/lib/m716" ] && fail "purge left the store"
echo "the package and its maintainer scripts work"
