#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the game and the tests need; does nothing when they are there.
# Usage: scripts/install-deps.sh [play|test|deb|web]
set -euo pipefail
want=(cmake ninja-build g++ pkg-config
      libsdl2-dev libpng-dev zlib1g-dev libogg-dev libvorbis-dev libvorbisenc2 libfreetype-dev fonts-dejavu-core
      libcurl4-openssl-dev  # sending finished games to a score table
      xfonts-base)  # xfonts-base: the fonts of the start-up question's dialog under plain X11
if [ "${1:-play}" = test ]; then
  want+=(libgtest-dev libgmock-dev libbenchmark-dev clang-14 libclang-rt-14-dev libfuzzer-14-dev
         libpixman-1-dev  # the drawing benchmark's comparison
         clang-format-14 clang-tidy-14  # the house format and lint checks
         dpkg-dev make  # apt-get source and the builds of scripts/build-fuzz-libs.sh
         xvfb xauth xdotool imagemagick openbox  # openbox: a window manager for the window tests
         desktop-file-utils appstream groff-base man-db  # the installed files' validators
         libcpp-httplib-dev libsqlite3-dev libssl-dev libpq-dev  # the score server (server/)
         postgresql-15 curl sqlite3)  # its tests: a PostgreSQL server of their own, requests, the file's check
fi
if [ "${1:-play}" = deb ]; then
  want+=(dpkg-dev debhelper fakeroot lintian libgtest-dev libgmock-dev)
fi
if [ "${1:-play}" = arm64 ]; then  # scripts/arm64-check.sh: the cross compiler, qemu and arm64 libraries
  if ! dpkg --print-foreign-architectures | grep -qx arm64; then
    if [ "$(id -u)" -ne 0 ]; then sudo dpkg --add-architecture arm64; else dpkg --add-architecture arm64; fi
  fi
  want=(g++-aarch64-linux-gnu pkg-config qemu-user
        libsdl2-dev:arm64 libpng-dev:arm64 zlib1g-dev:arm64 libogg-dev:arm64 libvorbis-dev:arm64 libcurl4-openssl-dev:arm64
        libfreetype-dev:arm64)  # tools/ is configured too, though only the program is built
fi
if [ "${1:-play}" = web ]; then  # scripts/build-web.sh and tests/web: emscripten, node, Debian's sources
  want=(emscripten node-acorn nodejs cmake ninja-build g++ pkg-config make dpkg-dev
        autotools-dev  # autotools-dev: a config.sub that knows wasm32 for the libraries' configure
        chromium firefox-esr python3)  # the page's tests in real browsers, and the server that serves the page
fi
missing=()
for p in "${want[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
if [ "$(id -u)" -ne 0 ]; then
  if command -v sudo >/dev/null 2>&1; then SUDO=sudo; else
    echo "velmoran: missing packages (${missing[*]}); run as root or install them with apt-get" >&2; exit 1
  fi
else SUDO=; fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
