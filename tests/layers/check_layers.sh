#!/usr/bin/env bash
# Fails on an include that runs upward inside game/, on SDL outside platform/sdl2/, and on an OS
# header in app/, game/ or engine/ (the machine is reached only through platform/).
# Usage: check_layers.sh [source root]
set -euo pipefail
root=${1:-$(cd "$(dirname "$0")/../.." && pwd)}
cd "$root"

# game/ from the top: the loop and screens, the subsystems of play, the shared services, geometry, state.
layer() {
    case $1 in
        shell) echo 6 ;;
        stage) echo 5 ;;
        player | enemies) echo 4 ;;
        effects) echo 3 ;;
        services) echo 2 ;;
        geometry) echo 1 ;;
        .) echo 0 ;;
        *) echo "unknown folder game/$1" >&2; echo 99 ;;
    esac
}

bad=0
complain() { echo "$1"; bad=1; }

while IFS= read -r file; do
    dir=$(dirname "${file#game/}")
    [ "$dir" = . ] || dir=${dir%%/*}
    from=$(layer "$dir")
    [ "$from" = 99 ] && complain "$file: folder not in the layer order"
    while IFS=: read -r line target; do
        tdir=$(dirname "$target")
        [ "$tdir" = . ] || tdir=${tdir%%/*}
        [ "$tdir" = "$dir" ] && continue
        to=$(layer "$tdir")
        # player/ and enemies/ may use each other: shots hit enemies, bullets hit the ship.
        if [ "$to" -gt "$from" ] || { [ "$to" -eq "$from" ] && [ "$from" != 4 ]; }; then
            complain "$file:$line: includes game/$target, which is not below game/$dir/"
        fi
    done < <(grep -n '^#include "game/' "$file" | sed -E 's|^([0-9]+):#include "game/([^"]+)".*|\1:\2|')
done < <(find game -name '*.h' -o -name '*.cpp' | sort)

# SDL only in platform/sdl2/; no OS headers above platform/ (app/ sets up the process and may).
while IFS=: read -r file line text; do
    case $file in platform/sdl2/*) continue ;; esac
    complain "$file:$line: SDL outside platform/sdl2/: $text"
done < <(grep -rnE '^#include [<"]SDL' app game engine tools bench 2>/dev/null || true)

os_headers='unistd\.h|fcntl\.h|dirent\.h|dlfcn\.h|pthread\.h|signal\.h|poll\.h|termios\.h|pwd\.h|grp\.h|sys/[a-z_/]+\.h|windows\.h|X11/.*|wayland.*'
while IFS=: read -r file line text; do
    complain "$file:$line: OS header above platform/: $text"
done < <(grep -rnE "^#include <($os_headers)>" game engine || true)

[ "$bad" = 0 ] && echo "layers: every include runs downward"
exit "$bad"
