#!/usr/bin/env bash
# Builds the release preset with Debian's hardening flags and makes the Debian package with
# CPack (cpack -G DEB), then checks it with lintian, appstreamcli and desktop-file-validate.
# The package is left in build/release/paket/; install it with `apt install ./fatura_*.deb`.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
install_missing "${BUILD_PACKAGES[@]}" dpkg-dev lintian appstream desktop-file-utils
cd "$ROOT"

export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cmake --preset release -S "$ROOT" -DFATURA_BENCH=OFF \
    -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
    -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" >/dev/null
cmake --build --preset release -j "$(nproc)"

out="$ROOT/build/release/paket"
rm -rf "$out"
(cd "$ROOT/build/release" && cpack -G DEB -B "$out")
debs=("$out"/fatura_*.deb)
deb="${debs[0]}"

echo "== lintian"
lintian --info --display-info --fail-on error "$deb"

echo "== appstreamcli validate, desktop-file-validate"
check="$out/icerik"
dpkg-deb -x "$deb" "$check"
appstreamcli validate --no-net --pedantic "$check"/usr/share/metainfo/*.metainfo.xml
desktop-file-validate "$check"/usr/share/applications/*.desktop
rm -rf "$check"

echo "Paket: $deb"
