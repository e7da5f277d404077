#!/usr/bin/env bash
# The C libraries that Debian ships for Linux only (libspng and giflib), as Debian's
# source packages with Debian's patches applied, for the MinGW build to compile itself.
# Uses a private apt source list, state and cache: the system's apt set-up is untouched,
# and no root is needed.
#
# Usage: fetch-windows-sources.sh FOLDER   (leaves FOLDER/spng and FOLDER/giflib)
set -euo pipefail

dest=${1:?usage: fetch-windows-sources.sh FOLDER}
if [[ -f $dest/spng/spng/spng.c && -f $dest/giflib/dgif_lib.c ]]; then
    exit 0
fi
mkdir -p "$dest/apt/lists/partial" "$dest/apt/cache/archives/partial"
dest=$(realpath "$dest")
echo 'deb-src http://deb.debian.org/debian bookworm main' >"$dest/apt/sources.list"
apt_options=(-o "Dir::Etc::SourceList=$dest/apt/sources.list" -o Dir::Etc::SourceParts=/dev/null
             -o "Dir::State::Lists=$dest/apt/lists" -o "Dir::Cache=$dest/apt/cache")
apt-get "${apt_options[@]}" update
cd "$dest/apt"
apt-get "${apt_options[@]}" source libspng giflib
rm -rf "$dest/spng" "$dest/giflib"
mv "$(find . -maxdepth 1 -type d -name 'libspng-*' | head -n 1)" "$dest/spng"
mv "$(find . -maxdepth 1 -type d -name 'giflib-*' | head -n 1)" "$dest/giflib"
