#!/usr/bin/env bash
# What `cmake --install` puts where, and the one line both programs answer to --version.
# Usage: install_test.sh BUILD_DIR WITH_GUI(ON|OFF) VERSION
set -euo pipefail
build=$(realpath "${1:?usage: install_test.sh BUILD_DIR ON|OFF VERSION}")
gui=${2:?}
version=${3:?}
source "$(dirname "$0")/../harness.sh"

check "cmake --install into a fresh prefix" cmake --install "$build" --prefix "$work/prefix"
check "zandrel-cli is installed and answers --version" \
    bash -c "[[ \$('$work/prefix/bin/zandrel-cli' --version) == 'zandrel-cli $version' ]]"

if [[ $gui == ON ]]; then
    check "zandrel answers --version without a display" \
        bash -c "[[ \$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM '$work/prefix/bin/zandrel' --version) == 'zandrel $version' ]]"
    desktop=$work/prefix/share/applications/zandrel.desktop
    check "the .desktop file names the program, its icon and its menu" \
        bash -c "grep -qx 'Name=Zandrel' '$desktop' && grep -qx 'Exec=zandrel' '$desktop' \
                 && grep -qx 'Icon=zandrel' '$desktop' && grep -qx 'Categories=Graphics;' '$desktop'"
    for size in 32 16; do
        png=$work/prefix/share/icons/hicolor/${size}x${size}/apps/zandrel.png
        check "the ${size}x${size} icon is a PNG of that size" \
            bash -c "[[ \$(head -c 8 '$png' | xxd -p) == 89504e470d0a1a0a && \$(xxd -p -s 16 -l 8 '$png') == \$(printf '%08x%08x' $size $size) ]]"
    done
fi
finish
