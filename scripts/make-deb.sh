#!/usr/bin/env bash
# Builds the Debian package in a Release build and checks it: the files it
# must hold, its computed dependencies, and lintian without errors.
#
#   scripts/make-deb.sh [BUILD_DIR]     (default build/release)
#
# Prints the package's path on success.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/release}
if [[ ! -f "$build/build.ninja" ]]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVELLORA_TESTS=OFF >/dev/null
fi
cmake --build "$build" >/dev/null
rm -f "$build"/vellora_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls "$build"/vellora_*.deb)

fail() { echo "make-deb: $*" >&2; exit 1; }
contents=$(dpkg-deb -c "$deb" | awk '{print $6}')
for file in \
    ./usr/bin/vellora \
    ./usr/bin/vellora-spi-host \
    ./usr/lib/vellora/plugins/vellora-netpbm.spi \
    ./usr/share/applications/org.vellora.Vellora.desktop \
    ./usr/share/mime/packages/org.vellora.Vellora.xml \
    ./usr/share/icons/hicolor/256x256/apps/org.vellora.Vellora.png \
    ./usr/share/icons/hicolor/48x48/mimetypes/application-x-vellora-document.png \
    ./usr/share/doc/vellora/html/ja/index.html \
    ./usr/share/doc/vellora/html/en/index.html \
    ./usr/share/doc/vellora/html/images/main-window.png \
    ./usr/share/doc/vellora/copyright \
    ./usr/share/doc/vellora/changelog.Debian.gz \
    ./usr/share/man/man1/vellora.1.gz \
    ./usr/share/metainfo/org.vellora.Vellora.metainfo.xml; do
    grep -qxF "$file" <<<"$contents" || fail "$file is not in the package"
done
# Translations, once the build makes them.
if compgen -G "$build/app/translations/*.qm" >/dev/null; then
    grep -q '^./usr/share/vellora/translations/.*\.qm$' <<<"$contents" || fail "no translations in the package"
fi
depends=$(dpkg-deb -f "$deb" Depends)
for package in libqt6widgets6 libcups2 qt6-qpa-plugins fonts-ipafont-gothic; do
    grep -q "$package" <<<"$depends" || fail "Depends lacks $package: $depends"
done
grep -q qt6-wayland <<<"$(dpkg-deb -f "$deb" Recommends)" || fail "Recommends lacks qt6-wayland"
if command -v lintian >/dev/null; then
    if lintian "$deb" 2>/dev/null | grep '^E:'; then
        fail "lintian reports errors"
    fi
fi
echo "$deb"
