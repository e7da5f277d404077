#!/usr/bin/env bash
# Runs a Windows program of the cross build under Wine (Debian wine64), in a Wine prefix
# of the build's own, which the first run creates.
#
# Wine has no Chinese typeface of its own. The prefix gets AR PL UMing (Debian
# fonts-arphic-uming), with the song typeface's names, SimSun and 宋体, standing for it, so
# that the dialogs are drawn in the face and cell size they are drawn in on Linux.
#
# Usage: wine-run.sh PREFIX PROGRAM.exe ARGS...
set -euo pipefail

prefix=${1:?usage: wine-run.sh PREFIX PROGRAM.exe ARGS...}
shift
wine=/usr/lib/wine/wine64
[[ -x $wine ]] || wine=$(command -v wine64 || command -v wine)
export WINEPREFIX=$(realpath -m "$prefix") WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
song_font=/usr/share/fonts/truetype/arphic/uming.ttc

set_up() {
    "$wine" wineboot -i >/dev/null 2>&1 || true
    if [[ -f $song_font ]]; then
        cp "$song_font" "$WINEPREFIX/drive_c/windows/Fonts/"
        local reg=$WINEPREFIX/zandrel-fonts.reg
        # regedit reads this layout as UTF-16.
        printf '%s\r\n' 'Windows Registry Editor Version 5.00' '' \
            '[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes]' \
            '"SimSun"="AR PL UMing CN"' '"NSimSun"="AR PL UMing CN"' '"宋体"="AR PL UMing CN"' \
            '"新宋体"="AR PL UMing CN"' '' | iconv -f UTF-8 -t UTF-16 >"$reg"
        "$wine" regedit /S "$reg" >/dev/null 2>&1
    fi
    "$(dirname "$wine")/wineserver" -w 2>/dev/null || true
    touch "$WINEPREFIX/zandrel-ready"
}

if [[ ! -f $WINEPREFIX/zandrel-ready ]]; then
    mkdir -p "$(dirname "$WINEPREFIX")"
    # One set-up at a time: tests run side by side.
    (
        flock 9
        [[ -f $WINEPREFIX/zandrel-ready ]] || set_up
    ) 9>"$WINEPREFIX.lock"
fi
exec "$wine" "$@"
