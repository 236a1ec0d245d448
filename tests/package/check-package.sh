#!/usr/bin/env bash
# Builds the Debian package from the build tree, checks what it holds and that its desktop
# files and file type are valid, installs it into a scratch root and starts the command-line
# tool from there.
#
# check-package.sh BUILD_FOLDER
set -euo pipefail
build=$(cd "$1" && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cpack -G DEB -B "$scratch/out" --config "$build/CPackConfig.cmake" >"$scratch/cpack.log" 2>&1 ||
    { cat "$scratch/cpack.log" >&2; fail "cpack"; }
deb=$(ls "$scratch"/out/*.deb)
dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./|/|' >"$scratch/files"
for f in /usr/lib/orbpix/OrbPixStudio /usr/lib/orbpix/OrbMenu /usr/lib/orbpix/orbpix \
         /usr/lib/orbpix/OrbPixRes.rcc /usr/lib/orbpix/Export/Local/OrbTour \
         /usr/lib/orbpix/Export/Local/Tourgen /usr/lib/orbpix/Skins/Default/info.txt \
         /usr/lib/orbpix/Examples/Mars/mars_1600x1200_normal.jpg /usr/lib/orbpix/Examples/Mars/.orp \
         /usr/lib/orbpix/Help/index.html /usr/lib/orbpix/Help/images/album-window-default.png \
         /usr/bin/orbpix /usr/bin/OrbPixStudio /usr/bin/OrbMenu \
         /usr/share/applications/orbpix-studio.desktop \
         /usr/share/applications/orbpix-skin-install.desktop \
         /usr/share/mime/packages/orbpix-skin.xml \
         /usr/share/icons/hicolor/scalable/apps/orbpix-studio.svg \
         /usr/share/icons/hicolor/48x48/apps/orbpix-studio.png \
         /usr/share/icons/hicolor/256x256/apps/orbpix-studio.png \
         /usr/share/icons/hicolor/scalable/mimetypes/application-x-orbpix-skin.svg \
         /usr/share/icons/hicolor/48x48/mimetypes/application-x-orbpix-skin.png \
         /usr/share/doc/orbpix/README.md; do
    grep -qxF "$f" "$scratch/files" || fail "the package lacks $f"
done
dpkg-deb -f "$deb" Depends | grep -q 'libqt6widgets6' || fail "no library dependencies"

mkdir -p "$scratch/x"
dpkg-deb -x "$deb" "$scratch/x"
for d in "$scratch"/x/usr/share/applications/*.desktop; do
    desktop-file-validate "$d" || fail "$(basename "$d") is not a valid desktop entry"
done
xmllint --noout "$scratch/x/usr/share/mime/packages/orbpix-skin.xml" || fail "MIME XML"
for png in $(find "$scratch/x/usr/share/icons" -name '*.png'); do
    side=$(basename "$(dirname "$(dirname "$png")")" | cut -dx -f1)
    file "$png" | grep -q "$side x $side" || fail "$png is not $side pixels wide"
done

# A scratch root of its own: dpkg keeps its records there and installs below it.
root="$scratch/root"
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates" "$root/var/lib/dpkg/triggers"
touch "$root/var/lib/dpkg/status"
dpkg --root="$root" --force-not-root --force-depends --force-script-chrootless \
    --log=/dev/null -i "$deb" >"$scratch/dpkg.log" 2>&1 ||
    { cat "$scratch/dpkg.log" >&2; fail "dpkg could not install the package"; }
"$root/usr/bin/orbpix" --help >"$scratch/help" || fail "orbpix --help from the installed package"
grep -q "unwrap" "$scratch/help" || fail "orbpix --help said: $(head -3 "$scratch/help")"
dpkg --root="$root" --force-not-root --force-script-chrootless --log=/dev/null -r orbpix \
    >"$scratch/dpkg.log" 2>&1 || { cat "$scratch/dpkg.log" >&2; fail "dpkg could not remove it"; }
[ -z "$(find "$root/usr" -type f 2>/dev/null)" ] || fail "removing left files behind"
echo "package ok: $(basename "$deb")"
