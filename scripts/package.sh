#!/usr/bin/env bash
# Builds the Debian package build-deb/vexlot_VERSION_ARCH.deb with CPack, from the install rules of
# cmake/package.cmake, with Debian's hardening flags (dpkg-buildflags), and checks it:
# lintian --fail-on warning (no tag suppressed), desktop-file-validate on its desktop entry and
# appstreamcli validate --pedantic on its AppStream metadata. Prints the package's path last.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh package

export DEB_BUILD_MAINT_OPTIONS=hardening=+all
eval "$(dpkg-buildflags --export=sh)"
launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
# The package's programs: no tests, and no test hooks in the network code.
cmake -S . -B build-deb -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=/usr \
  -DVEXLOT_TESTS=OFF -DVEXLOT_NET_TEST_HOOKS=OFF "${launcher[@]}" \
  -DCMAKE_C_FLAGS="$CFLAGS $CPPFLAGS" -DCMAKE_CXX_FLAGS="$CXXFLAGS $CPPFLAGS" \
  -DCMAKE_EXE_LINKER_FLAGS="$LDFLAGS" >/dev/null
cmake --build build-deb -j "$(nproc)" >/dev/null
rm -f build-deb/*.deb
(cd build-deb && cpack -G DEB >/dev/null)
debs=(build-deb/*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || { echo "package: cpack made no single .deb in build-deb/"; exit 1; }
deb=${debs[0]}

echo "== lintian --fail-on error,warning $deb"
lintian --fail-on error,warning --display-info --pedantic "$deb"
# The desktop entry and the metadata as the package installs them.
check=build-deb/contents
rm -rf "$check"
dpkg-deb -x "$deb" "$check"
for entry in "$check"/usr/share/applications/*.desktop; do
  echo "== desktop-file-validate ${entry#"$check"}"
  desktop-file-validate "$entry"
done
for meta in "$check"/usr/share/metainfo/*.xml; do
  echo "== appstreamcli validate --no-net --pedantic ${meta#"$check"}"
  appstreamcli validate --no-net --pedantic "$meta"
done
echo "== $(dpkg-deb -f "$deb" Package Version Architecture Depends | tr '\n' ' ')"
echo "$deb"
