#!/usr/bin/env bash
# Drives the real Zandrel.exe under Wine on a virtual X display the way a user would:
# the launcher, the viewer on a sample opened through the Windows open dialog, paging
# through its frames, an export of all frames through the folder dialog onto drive Z:,
# then the maker building a sprite from the exported pictures. The files are compared
# with what zandrel-cli.exe writes from the same inputs. Exits non-zero on any failure.
#
# Usage: tests/windows/drive.sh BUILD   (BUILD is build/windows; leaves its screenshots
#                                        and the files written in BUILD/drive)
# Needs: Xvfb, openbox, xdotool, xwininfo, ImageMagick (import), Wine.
set -euo pipefail

repo=$(cd "$(dirname "$0")/../.." && pwd)
build=$(realpath "${1:?usage: drive.sh BUILD}")
dist=$build/dist/Zandrel
work=$build/drive
prefix=$build/drive-wine
wine_run=$repo/cmake/wine-run.sh

for tool in Xvfb openbox xdotool xwininfo import; do
    command -v "$tool" >/dev/null || { echo "drive.sh: $tool is missing (make drive-windows installs it)" >&2; exit 1; }
done
[[ -x $dist/Zandrel.exe ]] || { echo "drive.sh: no $dist/Zandrel.exe (run make windows)" >&2; exit 1; }

fail() {
    echo "drive.sh: FAILED: $*" >&2
    shot failure || true
    exit 1
}
step() { echo "== $*"; }

rm -rf "$work"
mkdir -p "$work/sprites" "$work/out" "$work/cli-out" "$work/shots"
cp "$repo/samples/slime.spr" "$work/sprites/"
# Windows names for the same places: Wine's drive Z: is the root of this file system.
winpath() { printf 'Z:%s' "${1//\//\\}"; }

# A display of our own, with a window manager, as a desktop has.
display=
for n in $(seq 91 120); do
    if [[ ! -e /tmp/.X11-unix/X$n && ! -e /tmp/.X$n-lock ]]; then display=:$n; break; fi
done
[[ -n $display ]] || fail "no free X display"
pids=()
cleanup() {
    WINEPREFIX=$prefix wineserver -k 2>/dev/null || true
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
}
trap cleanup EXIT
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
export DISPLAY=$display
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.2; done
openbox >/dev/null 2>&1 &
pids+=($!)
# The prefix (with the Chinese typeface) is made before the clock of any wait starts.
"$wine_run" "$prefix" cmd /c exit >/dev/null 2>&1 || true

# The window whose title is exactly $1, waited for up to 60 seconds.
window() {
    local id
    for _ in $(seq 120); do
        id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | tail -n 1 || true)
        if [[ -n $id ]]; then echo "$id"; return 0; fi
        sleep 0.5
    done
    return 1
}
gone() {
    for _ in $(seq 60); do
        xdotool search --onlyvisible --name "^$1\$" >/dev/null 2>&1 || return 0
        sleep 0.5
    done
    return 1
}
# A click at a point of a dialog given in dialog units, the template's own coordinates;
# $4 and $5 are the template's width and height, which the client area is scaled from
# (the pixels per unit follow the dialog font's metrics).
click_du() {
    local id=$1 x=$2 y=$3 width=$4 height=$5 geometry w h
    xdotool windowactivate --sync "$id" 2>/dev/null || true
    geometry=$(xwininfo -id "$id")
    w=$(awk '/^ *Width:/ {print $2}' <<<"$geometry")
    h=$(awk '/^ *Height:/ {print $2}' <<<"$geometry")
    xdotool mousemove --window "$id" $((x * w / width)) $((y * h / height)) click 1
    sleep 0.5
}
keys() { xdotool key --delay 80 "$@"; sleep 0.5; }
# Keys to window $1, which is given the focus first: a closed file dialog does not
# always hand it back under this window manager.
keys_to() {
    local id=$1
    shift
    xdotool windowactivate --sync "$id" 2>/dev/null || true
    xdotool windowfocus --sync "$id" 2>/dev/null || true
    keys "$@"
}
type_text() { xdotool type --delay 30 "$1"; sleep 0.3; }
# A picture of one window with its frame, or of the whole screen.
shot() {
    local name=$1 id=${2:-root}
    sleep 0.7
    if [[ $id == root ]]; then
        import -window root "$work/shots/$name.png"
    else
        import -frame -window "$id" "$work/shots/$name.png"
    fi
}
# A message box: its caption is the program's name, as the launcher's is; the one
# window of that name that is not the launcher, waited for up to 60 seconds.
message_box() {
    local id
    for _ in $(seq 120); do
        for id in $(xdotool search --onlyvisible --name '^Zandrel$' 2>/dev/null); do
            if [[ $id != "$launcher" ]]; then echo "$id"; return 0; fi
        done
        sleep 0.5
    done
    return 1
}
# The window that takes the focus from window $1 (a file dialog, which has no title of
# its own, or a message box), waited for up to 30 seconds.
next_window() {
    local id
    for _ in $(seq 60); do
        id=$(xdotool getactivewindow 2>/dev/null || true)
        if [[ -n $id && $id != "$1" ]]; then echo "$id"; return 0; fi
        sleep 0.5
    done
    return 1
}
# Waits until window $1 is gone.
closed() {
    for _ in $(seq 60); do
        xdotool getwindowname "$1" >/dev/null 2>&1 || return 0
        xwininfo -id "$1" 2>/dev/null | grep -q 'IsViewable' || return 0
        sleep 0.5
    done
    return 1
}

step "launcher"
(cd "$work/sprites" && "$wine_run" "$prefix" "$dist/Zandrel.exe" >"$work/zandrel.log" 2>&1) &
pids+=($!)
launcher=$(window Zandrel) || fail "the launcher did not open"
shot launcher "$launcher"

step "SPR -> 图像: the open dialog, then the viewer"
click_du "$launcher" 65 52 302 189
open=$(next_window "$launcher") || fail "no open dialog"
type_text "$(winpath "$work/sprites/slime.spr")"
keys Return
viewer=$(window "SPR to Image") || fail "the viewer did not open"
shot viewer-first "$viewer"

step "paging through the frames with >> and <<"
for _ in 1 2 3; do click_du "$viewer" 80 270 397 285; done
click_du "$viewer" 60 270 397 285
shot viewer "$viewer"

step "全部输出: the folder dialog, onto drive Z:"
click_du "$viewer" 180 270 397 285
folders=$(window 目录树) || fail "the folder dialog did not open"
shot folders "$folders"
# The field above the tree holds the current folder; the path typed there is taken.
click_du "$folders" 90 27 187 221
keys ctrl+a
type_text "$(winpath "$work/out")"
keys Return
box=$(message_box) || fail "no completion message"
shot export-done
keys_to "$box" Return
closed "$box" || fail "the completion message stayed"
xdotool search --onlyvisible --name '^SPR to Image$' >/dev/null || fail "the viewer closed after the export"
keys_to "$viewer" Escape
gone "SPR to Image" || fail "the viewer did not close"

step "the frames are what zandrel-cli.exe writes"
"$wine_run" "$prefix" "$dist/zandrel-cli.exe" export "$(winpath "$work/sprites/slime.spr")" \
    "$(winpath "$work/cli-out")" >/dev/null
exported=$(cd "$work/out" && ls)
[[ -n $exported ]] || fail "the export wrote nothing"
[[ $exported == "$(cd "$work/cli-out" && ls)" ]] || fail "the exported names differ: $exported"
for name in $exported; do
    cmp -s "$work/out/$name" "$work/cli-out/$name" || fail "$name differs from zandrel-cli's"
done
echo "$(echo "$exported" | wc -l) frames, equal: $(echo $exported)"

step "图像 -> SPR: the maker builds a sprite from them"
launcher=$(window Zandrel) || fail "the launcher did not come back"
click_du "$launcher" 65 92 302 189
maker=$(window "Image to SPR") || fail "the maker did not open"
for name in $exported; do
    keys_to "$maker" alt+a
    open=$(next_window "$maker") || fail "no open dialog"
    type_text "$(winpath "$work/out/$name")"
    keys Return
    closed "$open" || fail "the open dialog stayed"
done
shot maker "$maker"
keys_to "$maker" alt+m
next_window "$maker" >/dev/null || fail "no save dialog"
# The name field proposes the first source's name without its number: replace it.
keys End shift+Home Delete
type_text "$(winpath "$work/made.spr")"
keys Return
box=$(message_box) || fail "no completion message"
shot make-done
keys_to "$box" Return
closed "$box" || fail "the completion message stayed"
[[ -f $work/made.spr ]] || fail "the maker wrote no sprite"
sources=()
for name in $exported; do sources+=("$(winpath "$work/out/$name")"); done
"$wine_run" "$prefix" "$dist/zandrel-cli.exe" build "$(winpath "$work/cli-made.spr")" "${sources[@]}" >/dev/null
cmp -s "$work/made.spr" "$work/cli-made.spr" || fail "the maker's sprite differs from zandrel-cli's"
cmp -s "$work/made.spr" "$work/sprites/slime.spr" || fail "the sprite built back differs from the sample"
keys_to "$maker" Escape
gone "Image to SPR" || fail "the maker did not close"

step "退出: the launcher closes and the program ends"
launcher=$(window Zandrel) || fail "the launcher did not come back"
click_du "$launcher" 268 172 302 189
gone Zandrel || fail "the launcher did not close"
echo "drive.sh: passed; screenshots in $work/shots"
