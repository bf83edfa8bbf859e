#!/bin/sh
# Builds the Debian packages from the build folder, checks their control data and contents and
# what lintian says of them, runs a program and the Python package of the unpacked packages on
# the simulated board, and runs the maintainer scripts on the unpacked tree (DPKG_ROOT), whose
# registry store is a temporary one. Arguments: the build folder, cpack, the library folder
# under the prefix, and the Python interpreter when the Python package is built.
set -eu
build=$1 cpack=$2 libdir=usr/$3 python=${4:-}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }
has() { grep -q -- "$2" "$1" || fail "$(basename "$1") lacks $2"; }

"$cpack" --config "$build/CPackConfig.cmake" -B "$work" >/dev/null 2>&1 || fail "cpack"
runtime=$(ls "$work"/libkrvm716-1_*.deb) development=$(ls "$work"/libkrvm716-dev_*.deb)
programs=$(ls "$work"/m716_*.deb)
debs="$runtime $development $programs"
[ -z "$python" ] || debs="$debs $(ls "$work"/python3-m716_*.deb)"

# lintian: no error, and no warning but those overridden with their reason.
command -v lintian >/dev/null || fail "lintian is missing (scripts/install-deps.sh lintian)"
lintian --pedantic --fail-on error,warning "$work"/*.deb >"$work/lintian" 2>&1 ||
  { cat "$work/lintian" >&2; fail "lintian"; }

# Control data and contents of each package: "package: what" lines, checked in order.
dpkg-deb --info "$runtime" >"$work/libkrvm716-1.info"
dpkg-deb --info "$runtime" shlibs >"$work/libkrvm716-1.shlibs"
dpkg-deb --info "$runtime" triggers >"$work/libkrvm716-1.triggers"
for deb in $debs; do
  package=$(dpkg-deb --field "$deb" Package)
  dpkg-deb --field "$deb" >"$work/$package.info"
  dpkg-deb --info "$deb" | grep -o ' [a-z]*inst \| [a-z]*rm ' >"$work/$package.scripts" || true
  dpkg-deb --contents "$deb" >"$work/$package.contents"
done
while read -r package kind what; do
  [ -n "$python" ] || [ "$package" != python3-m716 ] || continue
  has "$work/$package.$kind" "$what"
done <<EOF
libkrvm716-1 info Depends: .*libsqlite3
libkrvm716-1 shlibs ^libKRVM716 1 libkrvm716-1 (>= 
libkrvm716-1 triggers ^activate-noawait ldconfig$
libkrvm716-1 contents \./$libdir/libKRVM716\.so\.1 -> 
libkrvm716-1 contents \./$libdir/krvm716-1/libKRVM716S\.so$
libkrvm716-1 contents \./$libdir/krvm716-1/libm716_platform\.so$
libkrvm716-1 contents \./$libdir/krvm716-1/libm716_sim\.so$
libkrvm716-1 contents \./usr/share/doc/libkrvm716-1/copyright$
libkrvm716-dev info Depends: libkrvm716-1 (= 
libkrvm716-dev contents \./$libdir/libKRVM716\.so -> libKRVM716\.so\.1$
libkrvm716-dev contents \./usr/include/KRVM716\.h$
libkrvm716-dev contents \./usr/include/KRVM716_driver\.h$
libkrvm716-dev contents \./usr/include/m716sim\.h$
libkrvm716-dev contents \./$libdir/cmake/KRVM716/KRVM716Config\.cmake$
libkrvm716-dev contents \./$libdir/pkgconfig/krvm716\.pc$
m716 info Depends: libkrvm716-1 (= 
m716 scripts preinst
m716 scripts postinst
m716 scripts prerm
m716 scripts postrm
m716 contents \./usr/bin/m716$
m716 contents \./usr/bin/m716reg$
m716 contents \./usr/bin/M716Utility$
m716 contents \./usr/bin/M716Install$
m716 contents \./$libdir/m716/libsetup\.so$
m716 contents \./$libdir/m716/m716setup$
m716 contents \./usr/share/applications/m716utility\.desktop$
m716 contents \./usr/share/applications/m716install\.desktop$
m716 contents \./usr/share/icons/hicolor/scalable/apps/m716utility\.svg$
m716 contents \./usr/share/icons/hicolor/scalable/apps/m716install\.svg$
m716 contents \./usr/share/man/man1/m716reg\.1\.gz$
m716 contents \./usr/share/man/man8/m716setup\.8\.gz$
m716 contents \./usr/share/bash-completion/completions/m716$
m716 contents \./usr/share/doc/m716/README\.md$
m716 contents \./usr/share/doc/m716/changelog\.gz$
python3-m716 info Section: python$
python3-m716 info Depends: libkrvm716-1 (= .*python3 (>= 3\.9~).*python3-cffi-backend-api-min
python3-m716 scripts postinst
python3-m716 scripts prerm
python3-m716 contents \./usr/lib/python3/dist-packages/m716/__init__\.py$
python3-m716 contents \./usr/lib/python3/dist-packages/m716/_m716\.abi3\.so$
python3-m716 contents \./usr/lib/python3/dist-packages/m716/_sim\.abi3\.so$
python3-m716 contents \./usr/share/doc/python3-m716/changelog\.gz$
EOF

export DPKG_ROOT="$work/root"
for deb in $debs; do dpkg-deb -x "$deb" "$DPKG_ROOT"; done
dpkg-deb -e "$programs" "$work/control"
store="$DPKG_ROOT/var/lib/m716/registry.db"
reg() { M716_REGISTRY="$store" "$DPKG_ROOT/usr/bin/m716reg" "$@" >/dev/null 2>&1; }
active='HKLM\Drivers\Active\01'
start_device() {
  reg add 'HKLM\SYSTEM\CurrentControlSet\Services\TRELIX\Device1' /v CallName /d TRX1: /f
  reg add "$active" /v Name /d TRX1: /f
  reg add "$active" /v Hnd /t REG_DWORD /d 1 /f
}

# Installation: the store is made and flushed by Install_Exit; a first installation says how
# to give a user access and how to declare a board, an upgrade does not.
"$work/control/postinst" configure >"$work/first" || fail "postinst configure"
[ -s "$store" ] || fail "postinst made no registry store"
has "$work/first" "usermod -a -G m716"
has "$work/first" "M716Install"
"$work/control/postinst" configure 0.9 >"$work/again" || fail "postinst configure 0.9"
[ -s "$work/again" ] && fail "postinst of an upgrade repeats the note"

# The unpacked programs find the motion library, and it the interrupt driver and the simulated
# board, in the packages' folders.
key='HKLM\SYSTEM\CurrentControlSet\Services\KRVM716S'
reg add "$key" /v BoardIDInUsed /t REG_DWORD /d 1 /f
reg add "$key\\Board000" /v BaseAddress /t REG_DWORD /d 0x300 /f
reg add "$key\\Board000" /v Interrupt /t REG_DWORD /d 5 /f
M716_REGISTRY="$store" "$DPKG_ROOT/usr/bin/m716" boards | grep -q 300 ||
  fail "the unpacked m716 does not see board 0 answer"
# The unpacked Python package imports, and its modules find the unpacked libraries by their
# RUNPATH alone.
if [ -n "$python" ]; then
  env -u LD_LIBRARY_PATH M716_REGISTRY="$store" PYTHONDONTWRITEBYTECODE=1 \
    PYTHONPATH="$DPKG_ROOT/usr/lib/python3/dist-packages" "$python" -c "
import m716, m716.sim
board, = m716.boards()
assert (board.number, board.base, board.irq, board.answers) == (0, 0x300, 5, True), board
loaded = [line.split()[-1] for line in open('/proc/self/maps') if 'm716' in line.lower()]
assert all(path.startswith('$DPKG_ROOT/') for path in loaded), loaded
assert any(path.endswith('/libKRVM716.so.1.0') for path in loaded), loaded" ||
    fail "the unpacked Python package does not see board 0 answer"
fi

# A first installation leaves the running device alone; an upgrade unloads it.
start_device
"$work/control/preinst" install || fail "preinst install"
reg query "$active" || fail "preinst install unloaded the device"
"$work/control/preinst" upgrade 0.9 || fail "preinst upgrade"
reg query "$active" && fail "preinst upgrade left the device running"

# A store named by M716_REGISTRY is the one the hooks use.
other="$work/other.db"
M716_REGISTRY="$other" "$work/control/postinst" configure >/dev/null || fail "postinst, own store"
[ -s "$other" ] || fail "postinst ignored M716_REGISTRY"

"$work/control/prerm" upgrade 1.1 || fail "prerm upgrade"
"$work/control/prerm" remove || fail "prerm remove"
"$work/control/postrm" remove || fail "postrm remove"
[ -s "$store" ] || fail "removal without purge deleted the store"
"$work/control/postrm" purge || fail "postrm purge"
[ -e "$DPKG_ROOT/var/lib/m716" ] && fail "purge left the store"
echo "the packages, lintian's verdict and the maintainer scripts are as they should be"
