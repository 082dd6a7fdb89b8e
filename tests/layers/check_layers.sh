#!/usr/bin/env bash
# Fails on an include that runs upward inside game/ or between engine/, platform/, game/ and app/, on
# SDL outside platform/sdl2/, on an OS header in game/ or engine/ (the machine is reached only through
# platform/ and app/), and on two GameRandom() draws in one statement.
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

# Across the folders: engine/ and platform/ below the game, the game below the program.
while IFS=: read -r file line text; do
    complain "$file:$line: includes from a layer above it: $text"
done < <({ grep -rnE '^#include "(game|app|platform/(common|headless|sdl2))/' engine
           grep -rnE '^#include "(game|app)/' platform
           grep -rnE '^#include "app/' game; } 2>/dev/null || true)

# Two GameRandom() draws in one statement happen in an order the language leaves open, so two
# compilers could play different games: one draw a statement (comments and strings left out).
while IFS= read -r found; do
    complain "$found: two GameRandom() draws in one statement"
done < <(perl -0777 -ne '
    my $text = $_;
    $text =~ s{/\*.*?\*/}{my $c = $&; $c =~ tr/\n//cd; $c}gse;  # keep the line count
    $text =~ s{//[^\n]*}{}g;
    $text =~ s{"(?:\\.|[^"\\\n])*"}{""}g;
    my $line = 1;
    for my $statement (split /(?<=[;{}])/, $text) {
        my $draws = () = $statement =~ /\bGameRandom\s*\(\s*\)/g;
        my $skip = ($statement =~ /^(\s*)/)[0] =~ tr/\n//;
        print "$ARGV:" . ($line + $skip) . "\n" if $draws > 1;
        $line += $statement =~ tr/\n//;
    }
' $(find game app -name '*.cpp' -o -name '*.h' | sort))

[ "$bad" = 0 ] && echo "layers: every include runs downward, one GameRandom() a statement"
exit "$bad"
