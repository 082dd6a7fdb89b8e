#!/usr/bin/env bash
# Builds the Debian package from a clean copy of the checkout and checks it with lintian.
# Usage: scripts/build-deb.sh    (the .deb lands in build-deb/; install it with apt install ./build-deb/*.deb)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh" deb
out=$root/build-deb
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/velmoran" "$out"
# Only what git tracks (and any uncommitted edits to it): no build folders in the source.
(cd "$root" && git ls-files -z --cached --others --exclude-standard | xargs -0 cp --parents -t "$work/velmoran")
(cd "$work/velmoran" && dpkg-buildpackage -us -uc -b -j"$(nproc)")
cp "$work"/*.deb "$work"/*.changes "$out"/
lintian --fail-on error "$out"/velmoran_*.deb
echo "built: $(ls "$out"/velmoran_*.deb)"
