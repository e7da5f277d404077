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

# The sprite type, in a data folder of the test's own as a package manager sets it up.
share=$work/prefix/share
check "the sprite type's database is made" update-mime-database "$share/mime"
# A 2 x 1 sprite: a transparent pixel, then one of entry 1 (red); entry 0 is 10, 20, 30.
sprite() {
    { printf '5350010201000000 0200010003000001 01 0a141e00 ff000000'; printf '00%.0s' $(seq 1016); } | unhex "$1"
}
mkdir "with space"
sprite "with space/hero.spr"
sprite no_extension
echo "SPR files are sprites" >notes.txt
filetype() {
    XDG_CURRENT_DESKTOP=GNOME XDG_DATA_HOME="$work/none" XDG_DATA_DIRS="$share:/usr/share" xdg-mime query filetype "$1"
}
check "xdg-mime knows a sprite by its name" test "$(filetype "with space/hero.spr")" = image/x-velmark-spr
check "... and by its first two bytes" test "$(filetype no_extension)" = image/x-velmark-spr
check "... and no text file for it" test "$(filetype notes.txt)" = text/plain

# The thumbnailer's command run as a file manager runs it: %s the size, %i the file,
# %o the PNG to write, each one argument, and the program found on the PATH.
thumbnailer=$share/thumbnailers/zandrel.thumbnailer
check "the thumbnailer is for sprites" grep -qx 'MimeType=image/x-velmark-spr;' "$thumbnailer"
thumbnail() {
    local command=()
    read -ra words <<<"$(sed -n 's/^Exec=//p' "$thumbnailer")"
    for word in "${words[@]}"; do
        case $word in
            %s) command+=("$3") ;;
            %i) command+=("$1") ;;
            %o) command+=("$2") ;;
            *) command+=("$word") ;;
        esac
    done
    PATH="$work/prefix/bin:$PATH" "${command[@]}"
}
check "the thumbnailer's Exec line writes a PNG" thumbnail "$work/with space/hero.spr" "$work/thumb.png" 4
check "... that ImageMagick reads as 4 x 2" test "$(convert thumb.png -format '%w %h' info:)" = "4 2"
check "... with the transparent pixel clear and the red one red" \
    test "$(convert thumb.png -format '%[fx:p{1,1}.a] %[fx:255*p{2,0}.r],%[fx:255*p{2,0}.g],%[fx:p{2,0}.a]' info:)" = "0 255,0,1"
check "... and writes nothing for a damaged sprite" \
    bash -c "head -c 1030 '$work/with space/hero.spr' >cut.spr; ! PATH='$work/prefix/bin' zandrel-cli thumbnail cut.spr none.png; test ! -e none.png"

if [[ $gui == ON ]]; then
    check "zandrel answers --version without a display" \
        bash -c "[[ \$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM '$work/prefix/bin/zandrel' --version) == 'zandrel $version' ]]"
    desktop=$work/prefix/share/applications/zandrel.desktop
    check "the .desktop file names the program, its icon and its menu" \
        bash -c "grep -qx 'Name=Zandrel' '$desktop' && grep -qx 'Exec=zandrel %f' '$desktop' \
                 && grep -qx 'Icon=zandrel' '$desktop' && grep -qx 'Categories=Graphics;' '$desktop'"
    check "... and offers it for sprites" grep -qx 'MimeType=image/x-velmark-spr;' "$desktop"
    for size in 32 16; do
        png=$work/prefix/share/icons/hicolor/${size}x${size}/apps/zandrel.png
        check "the ${size}x${size} icon is a PNG of that size" \
            bash -c "[[ \$(head -c 8 '$png' | xxd -p) == 89504e470d0a1a0a && \$(xxd -p -s 16 -l 8 '$png') == \$(printf '%08x%08x' $size $size) ]]"
    done
fi
finish
