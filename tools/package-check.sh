#!/usr/bin/env bash
# Makes the Debian package from a build folder (default build/), checks it with lintian,
# installs it with apt, runs the installed mirelon-convert from another folder on a picture
# and removes the package again. CI runs it after the tests; it needs root or sudo.
#   tools/package-check.sh [BUILD_FOLDER]
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=$(realpath "${1:-build}")

sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
apt_get() { DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get -o DPkg::Lock::Timeout=600 "$@"; }

if dpkg-query -W -f='${Status}' mirelon 2>/dev/null | grep -q 'install ok installed'; then
  echo "package-check: the mirelon package is installed already; remove it first" >&2
  exit 1
fi

rm -f "$build"/mirelon_*.deb
cmake --build "$build" >/dev/null # cpack packs what is built, it builds nothing
(cd "$build" && cpack -G DEB >/dev/null)
debs=("$build"/mirelon_*_amd64.deb)
deb=${debs[0]}
[ -f "$deb" ] || { echo "package-check: cpack made no mirelon_<version>_amd64.deb" >&2; exit 1; }
echo "package-check: $(basename "$deb"), $(du -k "$deb" | cut -f1) KB"
dpkg-deb --field "$deb" Depends

# Errors fail the check; warnings are shown for whoever reads the log.
lintian --fail-on error --tag-display-limit 0 "$deb"

apt_get install -y "$deb"
removed=false
remove() { $removed || apt_get purge -y mirelon >/dev/null; removed=true; }
trap remove EXIT

work=$(mktemp -d)
trap 'remove; rm -rf "$work"' EXIT
mkdir "$work/in" "$work/elsewhere"
cp "$root/tests/data/faces/2008_001009.jpg" "$work/in/photo.jpg"
cd "$work/elsewhere"
command -v mirelon-convert
mirelon-convert -V
written=$(mirelon-convert -a blur -f jpg -d ../out ../in/photo.jpg)
[ "$written" -ef "$work/out/photo.jpg" ] || { echo "package-check: wrote \"$written\"" >&2; exit 1; }
php -r '$s = getimagesize($argv[1]); exit($s[0] == 360 && $s[1] == 480 ? 0 : 1);' "$written" \
  || { echo "package-check: $written is not the blurred 360 x 480 picture" >&2; exit 1; }
man -w mirelon mirelon-convert >/dev/null 2>&1 || [ ! -x /usr/bin/man ] \
  || { echo "package-check: a manual page is missing" >&2; exit 1; }
cd "$root"

remove
for gone in /usr/bin/mirelon /usr/bin/mirelon-convert /usr/lib/mirelon /usr/share/doc/mirelon; do
  [ ! -e "$gone" ] || { echo "package-check: $gone is left after removing the package" >&2; exit 1; }
done
echo "package-check: built, checked, installed, ran and removed $(basename "$deb")"
