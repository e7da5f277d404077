#!/usr/bin/env bash
# The C libraries the formats link (libspng, giflib and zlib), as Debian's source
# packages with Debian's patches applied, for builds that compile them themselves: the
# MinGW build, since Debian ships libspng and giflib for Linux only, and the fuzz build,
# which instruments everything its targets link.
# Uses a private apt source list, state and cache: the system's apt set-up is untouched,
# and no root is needed.
#
# Usage: fetch-library-sources.sh FOLDER   (leaves FOLDER/spng, FOLDER/giflib and FOLDER/zlib)
set -euo pipefail

dest=${1:?usage: fetch-library-sources.sh FOLDER}
if [[ -f $dest/spng/spng/spng.c && -f $dest/giflib/dgif_lib.c && -f $dest/zlib/inflate.c ]]; then
    exit 0
fi
mkdir -p "$dest/apt/lists/partial" "$dest/apt/cache/archives/partial"
dest=$(realpath "$dest")
echo 'deb-src http://deb.debian.org/debian bookworm main' >"$dest/apt/sources.list"
apt_options=(-o "Dir::Etc::SourceList=$dest/apt/sources.list" -o Dir::Etc::SourceParts=/dev/null
             -o "Dir::State::Lists=$dest/apt/lists" -o "Dir::Cache=$dest/apt/cache")
apt-get "${apt_options[@]}" update
cd "$dest/apt"
rm -rf libspng-* giflib-* zlib-*
apt-get "${apt_options[@]}" source libspng giflib zlib
rm -rf "$dest/spng" "$dest/giflib" "$dest/zlib"
mv "$(find . -maxdepth 1 -type d -name 'libspng-*' | head -n 1)" "$dest/spng"
mv "$(find . -maxdepth 1 -type d -name 'giflib-*' | head -n 1)" "$dest/giflib"
mv "$(find . -maxdepth 1 -type d -name 'zlib-*' | head -n 1)" "$dest/zlib"
