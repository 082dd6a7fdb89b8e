# shellcheck shell=bash disable=SC2154
# Sourced by the scripts that build Debian's own source packages with another compiler
# (build-fuzz-libs.sh, build-web-libs.sh). Needs $SUDO set (empty when root) and $me (for messages).

# apt-get source needs source lists; Debian's images ship binary lists only. Adds a deb-src twin of
# the binary lists (a file of our own; the existing lists stay as they are).
have_sources() { [[ $(apt-cache showsrc libpng1.6 2>/dev/null) == *"Package: libpng1.6"* ]]; }
enable_debian_sources() {
  have_sources && return 0
  local twin=/etc/apt/sources.list.d/velmoran-deb-src.sources
  if [ -f /etc/apt/sources.list.d/debian.sources ]; then
    sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources | $SUDO tee "$twin" >/dev/null
  elif [ -f /etc/apt/sources.list ]; then
    twin=/etc/apt/sources.list.d/velmoran-deb-src.list
    sed -n 's/^deb /deb-src /p' /etc/apt/sources.list | $SUDO tee "$twin" >/dev/null
  else
    echo "$me: no Debian apt lists found to add source lists to" >&2; exit 1
  fi
  echo "$me: enabled Debian source lists ($twin)" >&2
  $SUDO apt-get update -qq
  have_sources || { echo "$me: apt-get still knows no source package libpng1.6" >&2; exit 1; }
}

# Source versions: the one of the installed -dev package first (the library the ordinary build uses),
# then whatever else the source lists offer, newest first, in case a mirror lacks it.
dev_of() { case $1 in libpng1.6) echo libpng-dev ;; zlib) echo zlib1g-dev ;; *) echo "$1-dev" ;; esac; }
candidates() {
  dpkg-query -W -f='${Version}\n' "$(dev_of "$1")" 2>/dev/null || true
  apt-cache showsrc "$1" | awk -v p="$1" '$1=="Package:"{ok=($2==p)} ok&&$1=="Version:"{print $2}' | sort -Vr
}

# Unpacks source package $1 into folder $2 (emptied first), trying each candidate version in turn.
# Logs to $2.fetch.log; prints the version fetched.
fetch_source() {
  local p=$1 dir=$2 v
  rm -rf "$dir"
  mkdir -p "$dir"
  for v in $(candidates "$p" | awk '!seen[$0]++'); do
    if (cd "$dir" && apt-get source -qq "$p=$v" >"$dir.fetch.log" 2>&1); then echo "$v"; return 0; fi
    echo "$me: $p $v could not be fetched, trying the next version" >&2
  done
  echo "$me: apt-get source $p failed:" >&2
  tail -n 20 "$dir.fetch.log" >&2
  return 1
}

# The cache folder of a build of these packages, keyed by their preferred versions, the compiler and
# the flags. Sets versions, key, prefix (the install prefix) and work (the sources and build marks).
# Usage: cache_folder CACHE COMPILER FLAGS PACKAGE...
cache_folder() {
  local cache=$1 compiler=$2 flags=$3
  shift 3
  versions=$(for p in "$@"; do echo "$p=$(candidates "$p" | head -n1)"; done)
  key=$(printf '%s\n%s\n%s\n' "$versions" "$compiler" "$flags" | md5sum | cut -c1-12)
  prefix=$cache/$key/prefix
  work=$cache/$key/src
}
