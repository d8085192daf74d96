#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the window need, only when one is missing.
set -euo pipefail

packages=(g++ cmake make pkg-config libsdl2-dev libsdl2-mixer-dev libstb-dev libcli11-dev libenet-dev libboost-dev libxxhash-dev
          libgtest-dev libgmock-dev libbenchmark-dev
          console-setup-linux               # the overlay's bitmap font (Terminus 6 x 12), read while building
          clang libclang-rt-14-dev          # sanitizers and the fuzzers
          xvfb xdotool x11-utils imagemagick openbox)   # the real-window test (openbox: a real window manager)
# `setup.sh web`: the browser build and its test (scripts/web.sh, tests/web) need only these
# (brotli: the precompressed files of `scripts/web.sh --dist`).
if [ "${1:-}" = web ]; then
  packages=(emscripten nodejs binaryen chromium python3 console-setup-linux brotli)
  command -v npm >/dev/null || packages+=(npm)
fi
# `setup.sh package`: the .deb (scripts/package.sh) also needs Debian's package tools and checkers
# (file and dpkg-dev: CPack computes the dependencies with dpkg-shlibdeps).
if [ "${1:-}" = package ]; then
  packages+=(dpkg-dev file fakeroot lintian appstream desktop-file-utils man-db)
fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi
echo "setup: installing ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
