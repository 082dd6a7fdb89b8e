#!/usr/bin/env bash
# Builds the Debian package from a clean copy of the checkout and checks it with lintian.
# Usage: scripts/build-deb.sh    (the .deb lands in build-deb/; install it with apt install ./build-deb/*.deb)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh" deb
out=$root/build-deb
work=$(mktemp -d)
trap 'chmod -R u+w "$work" 2>/dev/null; rm -rf "$work"' EXIT
mkdir -p "$work/velmoran" "$out"
# Only what git tracks (and any uncommitted edits to it): no build folders in the source.
(cd "$root" && git ls-files -z --cached --others --exclude-standard | xargs -0 cp --parents -t "$work/velmoran")
(cd "$work/velmoran" && dpkg-buildpackage -us -uc -b -j"$(nproc)")
cp "$work"/*.deb "$work"/*.changes "$out"/
deb=$(ls "$out"/velmoran_*_*.deb | grep -v dbgsym | head -n1)
data=$(ls "$out"/velmoran-data_*_all.deb | head -n1)
lintian --fail-on error "$deb" "$data"
# The package plays: unpacked read-only, run headless by a user who is not root.
mkdir "$work/root" "$work/home"
dpkg-deb -x "$deb" "$work/root"
dpkg-deb -x "$data" "$work/root"
chmod -R a-w "$work/root"
run=(env -i PATH=/usr/bin:/bin HOME="$work/home" "$work/root/usr/games/velmoran" --headless --nosound --frames 60 --verbose)
if [ "$(id -u)" = 0 ]; then
  chmod a+rx "$work"
  chown nobody:nogroup "$work/home"
  run=(setpriv --reuid=nobody --regid=nogroup --clear-groups "${run[@]}")
fi
"${run[@]}" 2>&1 | grep -q "data from $work/root/usr/share/velmoran" || { echo "the packaged game does not run"; exit 1; }
echo "built: $deb (depends: $(dpkg-deb -f "$deb" Depends)) and $data"
