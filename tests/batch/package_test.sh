#!/usr/bin/env bash
# Builds the Debian package from the build tree, unpacks it into a scratch folder and looks for
# both programs, the desktop entry and the icon, and for declared runtime dependencies.
# Usage: package_test.sh BUILD_DIR SCRATCH_DIR. Exit 77 (skipped) without dpkg-deb.
set -euo pipefail

build=$1
scratch=$2

if ! command -v dpkg-deb >/dev/null || ! command -v dpkg-shlibdeps >/dev/null; then
  echo "dpkg-deb or dpkg-shlibdeps missing: skipped"
  exit 77
fi

rm -rf "$scratch"
mkdir -p "$scratch"
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$scratch" >"$scratch/cpack.log" 2>&1 ||
  { cat "$scratch/cpack.log"; exit 1; }
deb=$(ls "$scratch"/*.deb)
dpkg-deb -x "$deb" "$scratch/root"

fail() { echo "$deb: $*"; exit 1; }
root=$scratch/root
for program in actinfit actinfit-batch; do
  [ -x "$root/usr/bin/$program" ] || fail "no executable usr/bin/$program"
done
desktop=$root/usr/share/applications/actinfit.desktop
[ -f "$desktop" ] || fail "no desktop entry"
grep -qx 'Exec=actinfit' "$desktop" || fail "desktop entry does not start actinfit"
grep -qx 'Icon=actinfit' "$desktop" || fail "desktop entry names no icon actinfit"
icon=$root/usr/share/icons/hicolor/64x64/apps/actinfit.png
[ -f "$icon" ] || fail "no icon"
[ "$(head -c 8 "$icon" | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ] || fail "icon is no PNG"

depends=$(dpkg-deb -f "$deb" Depends)
for library in libqt6widgets6 libqt6charts6 libtomlplusplus; do
  grep -q "$library" <<<"$depends" || fail "Depends lacks $library: $depends"
done
"$root/usr/bin/actinfit-batch" --version >/dev/null || fail "actinfit-batch does not run"
echo "$deb: both programs, desktop entry, icon; Depends: $depends"
