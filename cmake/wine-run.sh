#!/usr/bin/env bash
# Runs a Windows program of the cross build under Wine (Debian wine64), in a Wine prefix
# of the build's own, which the first run creates.
#
# Usage: wine-run.sh PREFIX PROGRAM.exe ARGS...
set -euo pipefail

prefix=${1:?usage: wine-run.sh PREFIX PROGRAM.exe ARGS...}
shift
wine=/usr/lib/wine/wine64
[[ -x $wine ]] || wine=$(command -v wine64 || command -v wine)
export WINEPREFIX=$(realpath -m "$prefix") WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

if [[ ! -f $WINEPREFIX/system.reg ]]; then
    mkdir -p "$(dirname "$WINEPREFIX")"
    # One set-up at a time: tests run side by side.
    (
        flock 9
        if [[ ! -f $WINEPREFIX/system.reg ]]; then
            "$wine" wineboot -i >/dev/null 2>&1 || true
            "$(dirname "$wine")/wineserver" -w 2>/dev/null || true
        fi
    ) 9>"$WINEPREFIX.lock"
fi
exec "$wine" "$@"
