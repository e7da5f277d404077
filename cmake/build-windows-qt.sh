#!/usr/bin/env bash
# Qt 6 (Core, Gui, Widgets) for 64-bit Windows, built once with Debian's MinGW-w64 from
# Debian's own qt6-base source, the same version as the build machine's Qt tools: the
# cross build runs this machine's moc, rcc and uic, which must match the libraries.
# The source is fetched with a private apt source list, state and cache: the system's apt
# set-up is untouched, and no root is needed.
#
# The result is kept in ${ZANDREL_CACHE:-$HOME/.cache/zandrel}/qt-VERSION-mingw-w64-HASH,
# HASH standing for the configure options, the Debian version and the compiler, so that a
# change to any of them builds a new Qt beside the old one instead of reusing the wrong one.
# The build takes the better part of an hour; a finished one is reused at once.
#
# Usage: build-windows-qt.sh   (the build's output goes to standard error; the last line
#                               of standard output is the Qt prefix, for ZANDREL_QT_MINGW)
#        build-windows-qt.sh --cached   (prints the prefix if the cache holds a whole
#                               build and exits 1 otherwise; builds nothing)
# QT_BUILD_JOBS sets the parallelism (default: the number of processors).
set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
cache=${ZANDREL_CACHE:-$HOME/.cache/zandrel}
jobs=${QT_BUILD_JOBS:-$(nproc 2>/dev/null || echo 2)}
cross_cxx=x86_64-w64-mingw32-g++-posix

debian_version=$(dpkg-query -W -f='${Version}' qt6-base-dev-tools 2>/dev/null || true)
if [[ -z $debian_version ]]; then
    echo "build-windows-qt.sh: needs qt6-base-dev-tools (Qt's host tools) installed" >&2
    exit 1
fi
# 6.4.2+dfsg-10 -> 6.4.2
version=${debian_version#*:}
version=${version%%[+~-]*}

# Only what a desktop program of dialogs needs. -no-feature-tabletevent: Debian's source
# leaves out the Wintab headers that tablet input on Windows is built with.
# Nothing more is left out: the next largest parts either cost little to build (libjpeg,
# 10 s) or carry more than their name says (the Direct2D feature, ~5% of the build, also
# switches QtGui's DirectWrite font engine, by which Windows draws text best). The toolchain
# file is passed apart, after "--", because its path differs from one checkout to another
# and must not change the hash.
options=(-xplatform win32-g++ -qt-host-path /usr -release -shared
         -nomake examples -nomake tests -no-opengl -no-dbus -no-icu -no-feature-sql
         -no-feature-network -no-feature-printsupport -no-feature-testlib
         -no-feature-concurrent -no-feature-xml -no-feature-tabletevent)

if ! command -v "$cross_cxx" >/dev/null; then
    echo "build-windows-qt.sh: needs g++-mingw-w64-x86-64 and libz-mingw-w64-dev" >&2
    exit 1
fi
hash=$( { printf '%s\n' "${options[@]}" "$debian_version"; "$cross_cxx" -dumpfullversion; } \
        | sha256sum | cut -c1-10)
name=qt-$version-mingw-w64-$hash
prefix=$cache/$name

# The prefix only ever appears whole: it is renamed into place after a complete install.
if [[ -d $prefix ]]; then
    echo "$prefix"
    exit 0
fi
if [[ ${1:-} == --cached ]]; then
    exit 1
fi

mkdir -p "$cache"
cache=$(cd "$cache" && pwd)
prefix=$cache/$name
work=$cache/$name.work
source_dir=$cache/qt6-base-$debian_version-source

# One Qt build at a time: a second caller waits for the first and then takes its result.
exec 9>"$cache/qt-mingw-w64.lock"
if ! flock -n 9; then
    echo "build-windows-qt.sh: another Qt build is running; waiting for it" >&2
    flock 9
fi
if [[ -d $prefix ]]; then
    echo "$prefix"
    exit 0
fi

for tool in cmake ninja dpkg-source /usr/lib/qt6/libexec/moc; do
    if ! command -v "$tool" >/dev/null; then
        echo "build-windows-qt.sh: $tool is missing (packages: cmake ninja-build dpkg-dev" \
             "ca-certificates qt6-base-dev qt6-base-dev-tools)" >&2
        exit 1
    fi
done

# The source, unpacked with Debian's patches applied; shared by every set of options. The
# stamp is written last, so that an interrupted fetch is started over.
if [[ ! -f $source_dir/fetched ]]; then
    rm -rf "$source_dir"
    mkdir -p "$source_dir/apt/lists/partial" "$source_dir/apt/cache/archives/partial"
    # The host's Qt may come from any of the three suites.
    {
        echo 'deb-src http://deb.debian.org/debian bookworm main'
        echo 'deb-src http://deb.debian.org/debian bookworm-updates main'
        echo 'deb-src http://deb.debian.org/debian-security bookworm-security main'
    } >"$source_dir/apt/sources.list"
    apt_options=(-o "Dir::Etc::SourceList=$source_dir/apt/sources.list"
                 -o Dir::Etc::SourceParts=/dev/null
                 -o "Dir::State::Lists=$source_dir/apt/lists"
                 -o "Dir::Cache=$source_dir/apt/cache")
    apt-get "${apt_options[@]}" update >&2
    (cd "$source_dir/apt" && apt-get "${apt_options[@]}" source "qt6-base=$debian_version" >&2)
    mv "$(find "$source_dir/apt" -maxdepth 1 -type d -name 'qt6-base-*' | head -n 1)" \
       "$source_dir/qt6-base"
    # The archives are no longer needed once unpacked.
    find "$source_dir/apt" -maxdepth 1 -type f -delete
    touch "$source_dir/fetched"
fi

# An interrupted build resumes where it stopped: configure runs only once per build folder.
if [[ ! -f $work/build/configured ]]; then
    rm -rf "$work/build"
fi
mkdir -p "$work/build"
cd "$work/build"
if [[ ! -f configured ]]; then
    "$source_dir/qt6-base/configure" "${options[@]}" -prefix "$prefix" -- \
        -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
        -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/mingw-w64.cmake" >&2
    touch configured
fi
cmake --build . --parallel "$jobs" >&2

# Installed under a staging folder with the final prefix inside it, so that every path
# Qt writes into its files is already the final one; then renamed into place in one step.
rm -rf "$work/stage"
DESTDIR=$work/stage cmake --install . >&2
mv "$work/stage$prefix" "$prefix"
rm -rf "$work"
echo "$prefix"
