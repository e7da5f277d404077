#!/usr/bin/env bash
# The contract of zandrel-cli: help, usage errors (exit 2), refusals (exit 1) with the
# program's own texts on stderr, completion texts on stdout, and what stays on disk
# when a command fails.
#
# Usage: cli_test.sh PATH/TO/zandrel-cli
#
# With ZANDREL_CLI_SYSTEM=windows the program is the Windows one, run under Wine through
# a script: cases that only mean something on POSIX (named pipes, devices and symbolic
# links as destinations, /dev/stdout, a backslash inside a name) are skipped there, each
# with a line that says why, and a backslash is tried as the separator it is on Windows.
set -euo pipefail

cli=$(realpath "${1:?usage: cli_test.sh PATH/TO/zandrel-cli}")
convert=/usr/bin/convert  # ImageMagick 6 itself, not whatever else is on PATH

source "$(dirname "${BASH_SOURCE[0]}")/../harness.sh"

windows=false
[[ ${ZANDREL_CLI_SYSTEM:-} == windows ]] && windows=true
skip() { echo "skip - $*"; }

# Does stream file $1 hold what $2 describes? "" nothing at all, "*" any text,
# "^TEXT" text beginning with TEXT, anything else exactly TEXT and a newline.
stream_is() {
    case $2 in
        "") [[ ! -s $1 ]] ;;
        "*") [[ -s $1 ]] ;;
        ^*) [[ $(head -c "$(printf '%s' "${2#^}" | wc -c)" "$1") == "${2#^}" ]] ;;
        *) cmp -s "$1" <(printf '%s\n' "$2") ;;
    esac
}

# expect DESCRIPTION STATUS STDOUT STDERR ARGS...: runs zandrel-cli ARGS in the work
# folder and checks its exit status and both streams (see stream_is). A command that
# hangs is stopped and fails (status 124).
expect() {
    local what=$1 status=$2 out=$3 err=$4
    shift 4
    local got=0
    timeout 20 "$cli" "$@" >out.txt 2>err.txt || got=$?
    if [[ $got == "$status" ]] && stream_is out.txt "$out" && stream_is err.txt "$err"; then
        pass "$what"
    else
        fail "$what"
        echo "       zandrel-cli $*"
        echo "       exit $got (expected $status)"
        sed 's/^/       stdout: /' out.txt
        sed 's/^/       stderr: /' err.txt
    fi
}


u16_at() { od -An -tu2 -j "$2" -N2 "$1" | tr -d ' '; }
files_in() { (cd "$1" && ls -A | tr '\n' ' '); }

# Fixtures: BMPs cut from one quantised picture (one colour table) at one corner, so
# that they share their top-left (transparent) colour; TGAs from raw RGBA.
"$convert" -size 48x48 plasma:fractal -colors 64 -type Palette -compress none BMP3:base.bmp
"$convert" base.bmp -crop 10x6+0+0 +repage -compress none BMP3:a.bmp
"$convert" base.bmp -crop 7x3+0+0 +repage -compress none BMP3:b.bmp
"$convert" base.bmp -crop 40x40+0+0 +repage -compress none BMP3:c.bmp
rgba_hex() {  # W H: every pixel another colour, alpha varied
    awk -v w="$1" -v h="$2" 'BEGIN { for (i = 0; i < w * h; i++) printf "%02x%02x%02x%02x", i * 7 % 256, 40 + i % 200, 3, i * 31 % 256; print "" }'
}
rgba_hex 3 2 | unhex t0.rgba
rgba_hex 5 4 | unhex t1.rgba
"$convert" -size 3x2 -depth 8 rgba:t0.rgba TGA:t0.tga
"$convert" -size 5x4 -depth 8 rgba:t1.rgba TGA:t1.tga
cp a.bmp UPPER.BMP
echo "not a picture" >photo.jpg
echo "not a picture" >fake.bmp
head -c 1100 /dev/zero >fake.spr
mkdir sub out empty_out
"$cli" build sub/hero.spr a.bmp b.bmp c.bmp >/dev/null
"$cli" build sub/knight.spr t0.tga t1.tga >/dev/null

echo "# Help"
expect "--help prints the usage" 0 "^Usage: zandrel-cli COMMAND" "" --help
expect "-h prints the usage" 0 "^Usage: zandrel-cli COMMAND" "" -h
expect "help prints the usage" 0 "^Usage: zandrel-cli COMMAND" "" help
for command in info export build animate thumbnail; do
    expect "$command --help" 0 "^Usage: zandrel-cli $command" "" "$command" --help
done
expect "palette --help" 0 "^Usage: zandrel-cli palette export" "" palette --help
expect "--help after arguments still helps" 0 "^Usage: zandrel-cli export" "" export sub/hero.spr out --help

echo "# Bad usage: exit 2, a message on stderr"
expect "no command" 2 "" "^zandrel-cli: no command given"
expect "unknown command" 2 "" "^zandrel-cli: unknown command frobnicate" frobnicate
expect "info without a sprite" 2 "" "*" info
expect "info with two sprites" 2 "" "*" info sub/hero.spr sub/knight.spr
expect "export without a destination" 2 "" "*" export sub/hero.spr
expect "build without sources" 2 "" "*" build out/x.spr
expect "build without anything" 2 "" "*" build
expect "palette without paths" 2 "" "*" palette export sub/hero.spr
expect "palette with an unknown action" 2 "" "^zandrel-cli: unknown palette action mix" palette mix a.pal b.pal
expect "unknown option" 2 "" "^zandrel-cli: unknown option --bogus" info --bogus sub/hero.spr
expect "build takes no options" 2 "" "*" build --frame 1 out/x.spr a.bmp
for bad in abc -1 1x "" 0x1 " 1"; do
    expect "--frame '$bad' is no frame number" 2 "" "*" export sub/hero.spr --frame "$bad" out/f.bmp
done
expect "--frame without its value" 2 "" "*" export sub/hero.spr out/f.bmp --frame
expect "--frame given twice" 2 "" "*" export sub/hero.spr --frame 0 --frame 1 out/f.bmp
expect "--layout of an unknown name" 2 "" "^zandrel-cli: --layout is velmark or microsoft, not vga" \
    palette export sub/hero.spr out/p.pal --layout vga
expect "--to of an unknown name" 2 "" "^zandrel-cli: --to is microsoft, velmark, jasc, gimp or act, not Velmark" \
    palette convert a.pal b.pal --to Velmark
expect "palette convert without --to" 2 "" "*" palette convert a.pal b.pal
expect "palette export with --to" 2 "" "*" palette export sub/hero.spr out/p.pal --to velmark
expect "palette convert with --layout" 2 "" "*" palette convert a.pal b.pal --to velmark --layout velmark
expect "--format of an unknown name" 2 "" "^zandrel-cli: --format is jasc, gimp or act, not png" \
    palette export sub/hero.spr out/p.pal --format png
expect "palette export with --layout and --format" 2 "" "*" \
    palette export sub/hero.spr out/p.pal --layout velmark --format gimp
check "bad usage wrote nothing" test -z "$(files_in out)"

echo "# info"
expect "info of a palettised sprite: file line, then NAME WxH" 0 "文件名:sub/hero.spr|[256色压缩SPR]
hero000.bmp 10x6
hero001.bmp 7x3
hero002.bmp 40x40" "" info sub/hero.spr
expect "info of a true-colour sprite" 0 "文件名:sub/knight.spr|[32位色SPR]
knight000.tga 3x2
knight001.tga 5x4" "" info sub/knight.spr
expect "a roundabout relative path is printed as given" 0 "^文件名:./sub/../sub/hero.spr|[256色压缩SPR]
hero000.bmp" "" info ./sub/../sub/hero.spr
expect "an absolute path is printed as given" 0 "^文件名:$work/sub/hero.spr|[256色压缩SPR]" "" info "$work/sub/hero.spr"

# A raw palettised sprite: frames 3x2 and 1x1, palette entry i = (i, 255-i, 7, 0xaa).
palette_hex() { awk 'BEGIN { for (i = 0; i < 256; i++) printf "%02x%02x07aa", i, 255 - i; print "" }'; }
{ echo 5350 0002 0200 0000 0300 0200 010203040506 0100 0100 fe; palette_hex; } | unhex raw.spr
expect "info of a raw palettised sprite" 0 "文件名:raw.spr|[256色无压缩SPR]
raw000.bmp 3x2
raw001.bmp 1x1" "" info raw.spr
expect "export of a raw sprite" 0 "输出完成，一共2个文件." "" export raw.spr empty_out
# Bottom row first, each row padded to four bytes; colour table (blue, green, red, 0).
check "its BMP holds the rows bottom up, padded" test "$(hex_at empty_out/raw000.bmp 1078 8)" = 0405060001020300
check "its BMP is 1078 + 2 x 4 bytes" test "$(file_size empty_out/raw000.bmp)" = 1086
check "its colour table is the palette as (blue, green, red, 0)" test "$(hex_at empty_out/raw001.bmp 54 12)" = 07ff000007fe010007fd0200

echo "# Refusals: exit 1, the program's text on stderr"
expect "a missing sprite" 1 "" "File Open failed!(2)
访问文件nowhere.spr时出错：找不到文件。" info nowhere.spr
mkfifo pipe.spr pipe.pal
expect "a named pipe as a sprite is refused at once" 1 "" "File Open failed!(f)
访问文件pipe.spr时出错：不是普通文件。" info pipe.spr
expect "a folder as a sprite" 1 "" "File Open failed!(f)
访问文件sub时出错：这是一个文件夹，不是文件。" info sub
expect "a named pipe as a palette source" 1 "" "访问文件pipe.pal时出错：不是普通文件。" \
    palette convert pipe.pal out/p.pal --to microsoft
cp sub/hero.spr wrongmagic.spr && printf 'XP' | dd of=wrongmagic.spr conv=notrunc status=none
expect "a sprite with the wrong magic: info" 1 "" "SPR文件格式错误！" info wrongmagic.spr
expect "a sprite with the wrong magic: export" 1 "" "SPR文件格式错误！" export wrongmagic.spr out
head -c 1000 /dev/zero >short.pal
expect "a palette file of the wrong length with --palette" 1 "" "调色板文件长度错误！应该为1024或1048个字节" \
    export sub/hero.spr out --palette short.pal
check "the refused palette wrote no frame" test -z "$(files_in out)"
expect "--frame past the last frame" 1 "" "*" export sub/hero.spr --frame 3 out/f.bmp
expect "export into a folder that is not there" 1 "" "nothere不是一个文件夹!" export sub/hero.spr nothere
expect "palette export of a true-colour sprite" 1 "" "sub/knight.spr是32位色SPR，没有调色板!" \
    palette export sub/knight.spr out/k.pal
expect "--palette on a true-colour sprite" 1 "" "sub/knight.spr是32位色SPR，没有调色板!" \
    export sub/knight.spr out --palette short.pal
expect "palette convert of a missing source" 1 "" "*" palette convert nowhere.pal out/p.pal --to microsoft
check "commands that failed wrote nothing" test -z "$(files_in out)"

echo "# build"
expect "a first source that is neither BMP nor TGA" 1 "" "只支持BMP或TGA格式!" build out/x.spr photo.jpg a.bmp
expect "a BMP, then a TGA" 1 "" "列表中的文件类型不一致!" build out/x.spr a.bmp t0.tga
expect "a TGA, then a BMP" 1 "" "列表中的文件类型不一致!" build out/x.spr t0.tga a.bmp
expect "a later source that is neither gets the mixed-kinds text" 1 "" "列表中的文件类型不一致!" \
    build out/x.spr a.bmp photo.jpg
expect "a missing BMP source" 1 "" "无法打开BMP文件!:gone.bmp" build out/x.spr a.bmp gone.bmp
expect "a BMP source that is no BMP" 1 "" "fake.bmp不是一个合法的BMP文件!" build out/x.spr a.bmp fake.bmp
check "refused builds leave no file, not even a temporary one" test -z "$(files_in out)"
expect "a palettised build tells the path as given" 0 "out/hero.spr转换完成!" "" build out/hero.spr a.bmp b.bmp c.bmp
check "it is the same sprite as before" cmp out/hero.spr sub/hero.spr
expect "-j 1 builds the same" 0 "out/hero1.spr转换完成!" "" build -j 1 out/hero1.spr a.bmp b.bmp c.bmp
check "... byte for byte" cmp out/hero1.spr sub/hero.spr
rm out/hero1.spr
expect "-j takes a number" 2 "" "*" build -j 0 out/x.spr a.bmp
expect "upper-case extensions are BMPs too" 0 "out/upper.spr转换完成!" "" build out/upper.spr UPPER.BMP a.bmp
expect "a true-colour build says nothing" 0 "" "" build out/knight.spr t0.tga t1.tga
check "true-colour sprite: header, 3x2 and 5x4 frames, 1024 zero bytes" \
    test "$(file_size out/knight.spr)" = $((8 + 4 + 24 + 4 + 80 + 1024))
check "true-colour sprite: the header counts 0 and 2" test "$(hex_at out/knight.spr 0 8)" = 5350010200000200
expect "\"--\" lets a path begin with a dash" 0 "-odd.spr转换完成!" "" build -- -odd.spr a.bmp
check "the dashed sprite is there" test -s ./-odd.spr

cp sub/hero.spr out/keep.spr
expect "a build that fails at its second source" 1 "" "fake.bmp不是一个合法的BMP文件!" build out/keep.spr a.bmp fake.bmp
check "... leaves the destination byte for byte" cmp out/keep.spr sub/hero.spr
expect "a build refused for its kinds" 1 "" "只支持BMP或TGA格式!" build out/keep.spr photo.jpg
check "... leaves the destination byte for byte" cmp out/keep.spr sub/hero.spr
expect "a true-colour build with a missing source" 1 "" "*" build out/keep.spr t0.tga gone.tga
check "... leaves the destination byte for byte" cmp out/keep.spr sub/hero.spr
check "... and no temporary file beside it" test "$(files_in out)" = "hero.spr keep.spr knight.spr upper.spr "
cp b.bmp b.before
expect "a build onto one of its own sources" 1 "" "SPR文件b.bmp就是列表中的源图b.bmp，不能覆盖源图!" build b.bmp a.bmp b.bmp
check "... leaves the source byte for byte" cmp b.bmp b.before

echo "# build from sprites"
expect "a whole sprite as the source" 0 "out/again.spr转换完成!" "" build out/again.spr sub/hero.spr
check "... gives its bytes back" cmp out/again.spr sub/hero.spr
expect "a true-colour sprite too, silently" 0 "" "" build out/again_tc.spr sub/knight.spr
check "... gives its bytes back" cmp out/again_tc.spr sub/knight.spr
expect "one frame, counted from 0, mixed with a BMP" 0 "out/two.spr转换完成!" "" build out/two.spr sub/hero.spr:2 b.bmp
"$cli" export out/two.spr --frame 0 out/two0.bmp >/dev/null
"$cli" export sub/hero.spr --frame 2 out/hero2.bmp >/dev/null
check "... whose first frame is the sprite's frame 2, colours and all" cmp out/two0.bmp out/hero2.bmp
expect "a frame past the last" 1 "" "sub/hero.spr:3：这个SPR文件只有3帧（从0数起）!" build out/x.spr sub/hero.spr:3
expect "a true-colour frame and a BMP do not mix" 1 "" "列表中的文件类型不一致!" build out/x.spr sub/knight.spr:0 a.bmp
expect "a damaged sprite is refused by name" 1 "" "fake.spr不是一个合法的SPR文件!" build out/x.spr fake.spr
check "... and nothing is written" test ! -e out/x.spr
cp sub/hero.spr out/edit.spr
expect "a sprite written over with its own frames" 0 "out/edit.spr转换完成!" "" \
    build out/edit.spr out/edit.spr:2 out/edit.spr:0
check "... holds them in the new order" test "$(u16_at out/edit.spr 4)" = 2
"$cli" export out/edit.spr --frame 0 out/edit0.bmp >/dev/null
check "... first the old frame 2" cmp out/edit0.bmp out/hero2.bmp
if $windows; then
    skip "a file named with a colon: not a name on Windows"
    expect "a frame of a sprite named with a backslash" 0 "out/w.spr转换完成!" "" build out/w.spr 'sub\hero.spr:2'
else
    cp sub/hero.spr odd.spr
    expect "a frame of a sprite" 0 "out/odd.spr转换完成!" "" build out/odd.spr odd.spr:1
    cp sub/hero.spr 'odd.spr:1'
    expect "a file of the very name wins over the frame, and goes by its own name" 1 "" "只支持BMP或TGA格式!" \
        build out/odd.spr 'odd.spr:1'
    rm 'odd.spr:1' 
fi
rm -f out/*

echo "# thumbnail"
expect "a thumbnail says nothing" 0 "" "" thumbnail --size 20 sub/hero.spr out/t.png
"$cli" export sub/hero.spr --frame 0 --format png out/f0.png >/dev/null
check "... the first frame at twice its size, index 0 transparent, as ImageMagick reads it" \
    cmp <("$convert" out/t.png rgba:-) <("$convert" out/f0.png -sample 20x12! rgba:-)
check "... with a transparent top-left pixel" test "$("$convert" out/t.png -format '%[fx:int(255*p{0,0}.a)]' info:)" = 0
expect "a true-colour thumbnail" 0 "" "" thumbnail sub/knight.spr out/k.png
check "... fits 128 x 128 with its proportions" test "$("$convert" out/k.png -format %wx%h info:)" = 128x85
head -c 1040 sub/hero.spr >cut.spr
expect "a sprite cut inside its first frame" 1 "" "cut.spr不完整：文件头说有3帧，文件里没有一帧是完整的!" \
    thumbnail cut.spr out/cut.png
expect "a file that is no sprite" 1 "" "SPR文件格式错误！" thumbnail fake.spr out/cut.png
check "... write nothing" test ! -e out/cut.png
expect "--size must be a size" 2 "" "^zandrel-cli: --size takes" thumbnail --size 0 sub/hero.spr out/t.png
rm -f out/*

echo "# export"
rm -f out/*
expect "export of every frame" 0 "输出完成，一共3个文件." "" export sub/hero.spr out
check "the frames are named after the sprite" test "$(files_in out)" = "hero000.bmp hero001.bmp hero002.bmp "
expect "export into a folder given with a trailing slash" 0 "输出完成，一共3个文件." "" export sub/hero.spr empty_out/
check "... the same files" cmp out/hero001.bmp empty_out/hero001.bmp
expect "export of one frame tells the path as given" 0 "256色BMP图out/../out/one.bmp输出完成." "" \
    export sub/hero.spr --frame 1 out/../out/one.bmp
check "... and wrote that frame" cmp out/one.bmp out/hero001.bmp
expect "export of one frame to a name without extension" 0 "256色BMP图out/noext输出完成." "" \
    export sub/hero.spr --frame 0 out/noext
expect "export of one true-colour frame" 0 "32位色TGA图out/k.tga输出完成." "" export sub/knight.spr --frame 1 out/k.tga
check "... whose pixels are the source TGA's" cmp <(tail -c +19 t1.tga | head -c 80) <(tail -c +19 out/k.tga | head -c 80)
expect "options may come first" 0 "32位色TGA图out/k0.tga输出完成." "" export --frame 0 sub/knight.spr out/k0.tga
expect "export of every true-colour frame" 0 "输出完成，一共2个文件." "" export sub/knight.spr out
check "the true-colour frames are TGAs" test -s out/knight000.tga -a -s out/knight001.tga

mkdir slash_out
if $windows; then
    # A backslash separates folders on Windows, as "/" does.
    expect "a sprite named with a backslash between its folder and its name" 0 "输出完成，一共3个文件." "" \
        export 'sub\hero.spr' 'slash_out\'
    check "... names its frames after the file's name alone" \
        test "$(files_in slash_out)" = 'hero000.bmp hero001.bmp hero002.bmp '
    expect "... and info prints the path as given" 0 "^文件名:sub\hero.spr|[256色压缩SPR]" "" info 'sub\hero.spr'
else
    # A backslash is a character of a file name here, not a separator.
    cp sub/hero.spr 'back\slash.spr'
    expect "a sprite with a backslash in its name" 0 "输出完成，一共3个文件." "" export 'back\slash.spr' slash_out
    check "... names its frames after its whole name" \
        test "$(files_in slash_out)" = 'back\slash000.bmp back\slash001.bmp back\slash002.bmp '
fi

# Chinese names, whatever the code page: the Windows program reads its arguments as UTF-16.
mkdir 精灵
expect "a build to a Chinese name" 0 "精灵/英雄.spr转换完成!" "" build 精灵/英雄.spr a.bmp b.bmp c.bmp
check "... is the same sprite" cmp 精灵/英雄.spr sub/hero.spr
expect "info of a Chinese name" 0 "^文件名:精灵/英雄.spr|[256色压缩SPR]
英雄000.bmp 10x6" "" info 精灵/英雄.spr
expect "export of a Chinese name into a Chinese folder" 0 "输出完成，一共3个文件." "" export 精灵/英雄.spr 精灵
check "... names the frames after it" test "$(files_in 精灵)" = "英雄.spr 英雄000.bmp 英雄001.bmp 英雄002.bmp "

# --palette: the 1024-byte and 1048-byte layouts both colour the frames.
palette_hex | unhex other.pal
{ echo 52494646 10040000 50414c20 64617461 04040000 0003 0001; palette_hex; } | unhex other_ms.pal
expect "export with a Velmark palette file" 0 "256色BMP图out/v.bmp输出完成." "" \
    export sub/hero.spr --frame 0 out/v.bmp --palette other.pal
expect "export with a Microsoft palette file" 0 "256色BMP图out/m.bmp输出完成." "" \
    export sub/hero.spr --frame 0 out/m.bmp --palette other_ms.pal
bmp_table_hex() { awk 'BEGIN { for (i = 0; i < 256; i++) printf "07%02x%02x00", 255 - i, i; print "" }'; }
check "the Velmark palette is the colour table" test "$(hex_at out/v.bmp 54 1024)" = "$(bmp_table_hex)"
check "the Microsoft palette is the colour table" test "$(hex_at out/m.bmp 54 1024)" = "$(bmp_table_hex)"
check "the pixels are the frame's, whatever the palette" \
    cmp <(tail -c +1079 out/v.bmp) <(tail -c +1079 out/hero000.bmp)

echo "# Destinations that are not plain files"
if $windows; then
    skip "/dev/stdout, named pipes, devices and symbolic links as destinations: POSIX only" \
         "(Windows has no /dev/stdout, keeps no pipes or devices in folders, and lets only privileged users make links)"
else
    "$cli" export sub/hero.spr --frame 0 /dev/stdout 2>err.txt | cat >piped.bmp
    check "a frame exported to /dev/stdout goes down the pipe" cmp piped.bmp out/hero000.bmp
    check "... and its completion text to stderr" stream_is err.txt "256色BMP图/dev/stdout输出完成."
    "$cli" export sub/hero.spr --frame 1 /dev/stdout >redirected.bmp 2>/dev/null
    check "... also when the standard output is a file" cmp redirected.bmp out/hero001.bmp
    mkfifo frame.pipe
    timeout 20 cat frame.pipe >from_pipe.bmp &
    expect "a frame exported into a named pipe" 0 "256色BMP图frame.pipe输出完成." "" export sub/hero.spr --frame 0 frame.pipe
    wait
    check "... reaches its reader" cmp from_pipe.bmp out/hero000.bmp
    check "... and the pipe stays a pipe" test -p frame.pipe
    ln -s to_real.bmp to_link.bmp
    ln -s to_link.bmp to_chain.bmp
    expect "a frame exported through a chain of links to nothing" 0 "*" "" export sub/hero.spr --frame 0 to_chain.bmp
    check "... creates the file at its end and leaves the links" \
        bash -c 'test -L to_chain.bmp && test -L to_link.bmp && cmp to_real.bmp out/hero000.bmp'
    if [[ $(id -u) == 0 ]] && mknod null c 1 3 2>/dev/null; then
        # A null device of our own, so that a failure cannot replace the system's.
        expect "a frame exported into a device" 0 "*" "" export sub/hero.spr --frame 0 null
        check "... leaves it a device" test "$(stat -c '%F %t,%T' null)" = "character special file 1,3"
    fi
fi

echo "# A standard output that cannot be written"
# Under Wine too: the Windows program's WriteFile to a full device fails.
for args in "info sub/hero.spr" "--help" "export --help"; do
    got=0
    # shellcheck disable=SC2086
    "$cli" $args >/dev/full 2>err.txt || got=$?
    check "zandrel-cli $args >/dev/full fails" test "$got" = 1
    check "... and says why" stream_is err.txt "^zandrel-cli: cannot write to the standard output"
done

echo "# A damaged sprite"
# Frame records: width, height, rleSize, data. Cut frame 2 in half and put the palette
# block back after it, so the first two frames are whole and the third is not.
f1=$((8 + 6 + $(u16_at sub/hero.spr 12)))
f2=$((f1 + 6 + $(u16_at sub/hero.spr $((f1 + 4)))))
f2_size=$(u16_at sub/hero.spr $((f2 + 4)))
{ head -c $((f2 + 6 + f2_size / 2)) sub/hero.spr; tail -c 1024 sub/hero.spr; } >cut.spr
warning="cut.spr不完整：文件头说有3帧，文件里只有前2帧是完整的!"
expect "info of a cut sprite lists the whole frames and warns" 1 "文件名:cut.spr|[256色压缩SPR]
cut000.bmp 10x6
cut001.bmp 7x3" "$warning" info cut.spr
mkdir cut_out
expect "export of a cut sprite writes the whole frames and warns" 1 "输出完成，一共2个文件." "$warning" export cut.spr cut_out
check "... frames identical to the undamaged sprite's" \
    bash -c 'cmp cut_out/cut000.bmp out/hero000.bmp && cmp cut_out/cut001.bmp out/hero001.bmp'
check "... and no third file" test "$(files_in cut_out)" = "cut000.bmp cut001.bmp "
expect "palette export of a cut sprite warns and writes nothing" 1 "" "$warning
cut.spr不完整，文件最后的1024个字节是帧的数据，不是调色板，不能导出!" palette export cut.spr cut_out/p.pal
check "... no palette file" test "$(files_in cut_out)" = "cut000.bmp cut001.bmp "
head -c $((f2 + 1024 + 3)) sub/hero.spr >chopped.spr  # cut with no palette block after it
expect "a sprite simply cut off still lists its whole frames" 1 "文件名:chopped.spr|[256色压缩SPR]
chopped000.bmp 10x6
chopped001.bmp 7x3" "*" info chopped.spr
head -c 1023 sub/hero.spr >tiny.spr
expect "a sprite too short for a header and a palette" 1 "" "*" info tiny.spr

echo "# Palette files"
expect "palette export, Velmark layout by default, says nothing" 0 "" "" palette export sub/hero.spr v.pal
expect "palette export, Microsoft layout" 0 "" "" palette export sub/hero.spr ms.pal --layout microsoft
check "the layouts are 1024 and 1048 bytes" test "$(file_size v.pal) $(file_size ms.pal)" = "1024 1048"
expect "convert to the Microsoft layout" 0 "Velmark格式的调色板文件v.pal转换到Microsoft格式的调色板文件out/conv.pal完成。" "" \
    palette convert v.pal out/conv.pal --to microsoft
check "... equals the Microsoft export" cmp out/conv.pal ms.pal
expect "convert to the Velmark layout" 0 "Microsoft格式的调色板文件ms.pal转换到Velmark格式的调色板文件out/back.pal完成。" "" \
    palette convert ms.pal out/back.pal --to velmark
check "... equals the Velmark export" cmp out/back.pal v.pal
cp v.pal v_copy.pal
expect "converting a palette onto itself is refused" 1 "" "*" palette convert v.pal v.pal --to microsoft
check "... and leaves it intact" cmp v.pal v_copy.pal
expect "... also under another spelling of its path" 1 "" "*" palette convert v.pal ./sub/../v.pal --to microsoft
check "... and leaves it intact" cmp v.pal v_copy.pal
if $windows; then
    skip "a palette converted onto itself through a symbolic link: links need a privilege on Windows"
else
    ln -s v.pal link.pal
    expect "... also through a symbolic link" 1 "" "*" palette convert v.pal link.pal --to microsoft
    check "... and leaves it intact" cmp v.pal v_copy.pal
fi
head -c 1000 /dev/zero >short_v.pal
expect "a Velmark source shorter than a palette" 1 "" "调色板文件short_v.pal长度不足！应该至少有1024个字节" \
    palette convert short_v.pal out/s.pal --to microsoft
check "... writes nothing" test ! -e out/s.pal
expect "a Microsoft file converted to the Microsoft layout is refused" 1 "" \
    "调色板文件ms.pal已经是Microsoft格式的，不用转换。" palette convert ms.pal out/again.pal --to microsoft
expect "... so is a Velmark file to the Velmark layout" 1 "" \
    "调色板文件v.pal已经是Velmark格式的，不用转换。" palette convert v.pal out/again.pal --to velmark
check "... and nothing is written" test ! -e out/again.pal

# Paint programs' palettes, checked by a parser of their own: the colours as the rows of
# "R G B" that GIMP's and Paint Shop Pro's readers take, against the Velmark export.
paint_colours() {
    python3 - "$1" "$2" <<'PY'
import sys
kind, path = sys.argv[1], sys.argv[2]
data = open(path, "rb").read()
if kind == "act":
    assert len(data) == 772 and data[768:] == b"\x01\x00\x00\x00", data[768:]
    rows = [tuple(data[i:i + 3]) for i in range(0, 768, 3)]
elif kind == "jasc":
    lines = data.decode("ascii").split("\r\n")
    assert lines[:3] == ["JASC-PAL", "0100", "256"] and lines[-1] == "", lines[:3]
    rows = [tuple(int(v) for v in line.split(" ")) for line in lines[3:-1]]
else:
    lines = data.decode("utf-8").split("\n")
    assert lines[0] == "GIMP Palette" and lines[-1] == ""
    rows = []
    for line in lines[1:-1]:
        if line.startswith(("#", "Name:", "Columns:")):
            continue
        fields = line.split(None, 3)
        rows.append(tuple(int(v) for v in fields[:3]))
assert len(rows) == 256 and all(len(r) == 3 and all(0 <= v <= 255 for v in r) for r in rows), len(rows)
print(" ".join("%d,%d,%d" % r for r in rows))
PY
}
velmark_colours() {
    python3 -c 'import sys; d = open(sys.argv[1], "rb").read(); print(" ".join("%d,%d,%d" % tuple(d[i:i + 3]) for i in range(0, 1024, 4)))' "$1"
}
for kind in gimp jasc act; do
    expect "palette export --format $kind says nothing" 0 "" "" palette export sub/hero.spr "out/hero.$kind" --format "$kind"
    check "... holds the sprite's 256 colours" test "$(paint_colours "$kind" "out/hero.$kind")" = "$(velmark_colours v.pal)"
    expect "convert the $kind palette to the Velmark layout" 0 \
        "$( [[ $kind == jasc ]] && echo JASC-PAL || { [[ $kind == gimp ]] && echo GIMP || echo Adobe ACT; })格式的调色板文件out/hero.$kind转换到Velmark格式的调色板文件out/back_$kind.pal完成。" "" \
        palette convert "out/hero.$kind" "out/back_$kind.pal" --to velmark
    check "... gives the Velmark export back" cmp "out/back_$kind.pal" v.pal
    expect "convert a Microsoft file to $kind" 0 "*" "" palette convert ms.pal "out/ms.$kind" --to "$kind"
    check "... holds the same colours" test "$(paint_colours "$kind" "out/ms.$kind")" = "$(velmark_colours v.pal)"
done
expect "a GIMP palette converted to GIMP is refused" 1 "" "调色板文件out/hero.gimp已经是GIMP格式的，不用转换。" \
    palette convert out/hero.gimp out/again.gpl --to gimp
check "the GIMP export names itself after the file" test "$(sed -n 2p out/hero.gimp)" = "Name: hero"

# By hand: a short GIMP palette colours the frames, the rest of the colours black.
printf 'GIMP Palette\nName: two\n#\n  0   0   0\tIndex 0\n  1   2 250 blue\n' >two.gpl
expect "export with a GIMP palette" 0 "256色BMP图out/g.bmp输出完成." "" export sub/hero.spr --frame 0 out/g.bmp --palette two.gpl
check "... its two colours, then black" test "$(hex_at out/g.bmp 54 12)" = "00000000fa02010000000000"
printf 'GIMP Palette\n0 0 0\n1 2\n' >bad.gpl
expect "a GIMP palette with a broken line" 1 "" "调色板文件bad.gpl第3行格式错误！" \
    export sub/hero.spr --frame 0 out/bad.bmp --palette bad.gpl
{ printf 'JASC-PAL\r\n0100\r\n300\r\n'; } >many.pal
expect "a JASC palette of 300 colours" 1 "" "调色板文件many.pal第3行超出了256种颜色！" \
    palette convert many.pal out/many.pal --to microsoft
check "... writes nothing" test ! -e out/bad.bmp -a ! -e out/many.pal

echo "# PNG and GIF"
expect "--format of an unknown name" 2 "" "^zandrel-cli: --format is bmp, tga or png, not jpg" \
    export sub/hero.spr out --format jpg
for bad in 0 101 abc -5 ""; do
    expect "--fps '$bad' is refused as usage" 2 "" "^zandrel-cli: --fps takes a whole number from 1 to 100" \
        animate sub/hero.spr out/a.gif --fps "$bad"
done
expect "animate without its GIF" 2 "" "*" animate sub/hero.spr
check "usage errors wrote no GIF" test ! -e out/a.gif
expect "--format bmp on a true-colour sprite is refused" 1 "" "^zandrel-cli: sub/knight.spr exports as tga or png" \
    export sub/knight.spr out --format bmp
expect "--format tga on a palettised sprite is refused" 1 "" "*" export sub/hero.spr out --format tga
expect "--format bmp names the default" 0 "输出完成，一共3个文件." "" export sub/hero.spr out --format bmp
check "... which writes the same BMPs" bash -c "'$cli' export sub/hero.spr empty_out >/dev/null && cmp out/hero001.bmp empty_out/hero001.bmp"
mkdir png_out
expect "export every frame as PNG" 0 "输出完成，一共3个文件." "" export sub/hero.spr png_out --format png
check "... under the list names with .png" test "$(files_in png_out)" = "hero000.png hero001.png hero002.png "
expect "export one true-colour frame as PNG" 0 "PNG图out/k.png输出完成." "" export sub/knight.spr --frame 1 out/k.png --format png
check "... an RGBA PNG" test "$(hex_at out/k.png 24 2)" = 0806
expect "a frame named .png is PNG without --format" 0 "PNG图out/k2.PNG输出完成." "" export sub/knight.spr --frame 1 out/k2.PNG
check "... the same file" cmp out/k.png out/k2.PNG
expect "... and .bmp keeps the sprite's own format" 0 "256色BMP图out/h.bmp输出完成." "" export sub/hero.spr --frame 1 out/h.bmp
check "... a BMP" test "$(head -c 2 out/h.bmp)" = BM
expect "a sprite back from its PNGs" 0 "out/again.spr转换完成!" "" build out/again.spr png_out/hero000.png png_out/hero001.png png_out/hero002.png
check "... is the sprite byte for byte" cmp out/again.spr sub/hero.spr
expect "indexed PNGs and TGAs do not mix" 1 "" "列表中的文件类型不一致!" build out/mix.spr png_out/hero000.png t0.tga
check "... and nothing is written" test ! -e out/mix.spr
head -c 60 png_out/hero001.png >cut.png
expect "a damaged PNG is refused by name" 1 "" "cut.png已损坏：PNG文件里的数据不完整或校验不对!" build out/cut.spr png_out/hero000.png cut.png
expect "animate a palettised sprite" 0 "GIF动画out/hero.gif输出完成，一共3帧." "" animate sub/hero.spr out/hero.gif --fps 4
check "... a GIF89a" test "$(head -c 6 out/hero.gif)" = GIF89a
expect "animate refuses a true-colour sprite" 1 "" "sub/knight.spr是32位色SPR，不能输出GIF动画：GIF只能用256色调色板!" \
    animate sub/knight.spr out/knight.gif
check "... and writes nothing" test ! -e out/knight.gif

echo "# Frames without pixels"
# The smallest sprite with one: one RLE frame of 0 x 0 (width, height, rleSize all 0).
{ echo 5350 0102 0100 0000 000000000000; palette_hex; } | unhex zero.spr
# Palettised frames of 0 x 5, 4 x 0 and 2 x 2; true-colour ones of 0 x 3 and 2 x 1.
{ echo 5350 0102 0300 0000 000005000000 040000000000 020002000400 01020304; palette_hex; } | unhex zeros.spr
{ echo 5350 0102 0000 0200 00000300 02000100 ff010203 80040506; head -c 1024 /dev/zero | xxd -p; } | unhex zeros_tc.spr
expect "animate a sprite of one empty frame" 0 "GIF动画out/zero.gif输出完成，一共1帧." "" animate zero.spr out/zero.gif
check "... a GIF that ImageMagick reads" test "$("$convert" out/zero.gif -format '%wx%h ' info:)" = "1x1 "
expect "animate empty frames among others" 0 "GIF动画out/zeros.gif输出完成，一共3帧." "" animate zeros.spr out/zeros.gif
check "... three frames on the largest frame's canvas" test "$("$convert" out/zeros.gif -format '%Wx%H ' info:)" = "4x5 4x5 4x5 "
expect "one empty frame as PNG is refused by name" 1 "" \
    "zero.spr的zero000.bmp没有像素(0×0)：PNG图至少要有一个像素，不能输出为PNG!" export zero.spr --frame 0 out/zero.png --format png
check "... and writes nothing" test ! -e out/zero.png
mkdir zeros_png
echo old >zeros_png/zeros002.png
expect "every frame as PNG is refused before the first file" 1 "" \
    "zeros.spr的zeros000.bmp没有像素(0×5)：PNG图至少要有一个像素，不能输出为PNG!" export zeros.spr zeros_png --format png
check "... leaving the folder as it was" test "$(files_in zeros_png)$(cat zeros_png/zeros002.png)" = "zeros002.png old"
expect "empty frames export as BMP" 0 "输出完成，一共3个文件." "" export zeros.spr zeros_png
check "... with headers and a colour table only" test "$(file_size zeros_png/zeros000.bmp)" = 1078
expect "empty true-colour frames export as TGA" 0 "输出完成，一共2个文件." "" export zeros_tc.spr zeros_png
expect "... and build again from the TGAs" 0 "" "" build out/zeros_tc.spr zeros_png/zeros_tc000.tga zeros_png/zeros_tc001.tga
check "... into the same sprite" cmp out/zeros_tc.spr zeros_tc.spr

echo "# Many sprites at once"
# Paths the program puts together have the system's separator: "\" on Windows.
said() { tr '\\' / <"$1" | grep -q "$2"; }
mkdir -p tree/a tree/b tree/deep/x
cp sub/hero.spr tree/a/hero.spr
cp sub/knight.spr tree/b/knight.SPR
cp sub/hero.spr tree/deep/x/hero.spr
head -c 1400 sub/hero.spr >tree/broken.spr  # its frames cut short
echo "not a sprite" >tree/a/notes.txt
mkdir -p single_hero single_knight
"$cli" export sub/hero.spr single_hero >/dev/null
"$cli" export sub/knight.spr single_knight >/dev/null
got=0
"$cli" export -r -j 1 tree batch1 >out.txt 2>err.txt || got=$?
check "a tree with a damaged sprite exports the rest and fails with exit 1" test "$got" = 1
check "... tells the damaged one by its path" said err.txt "^tree/broken.spr不完整"
check "... and sums up: 4 sprites, 1 failed" grep -q "^4 sprites, .* 1 failed, " out.txt
check "... with no progress line when stderr is a file" test "$(grep -c sprites err.txt)" = 0
check "... each sprite whole in a folder of its own" diff -r single_hero batch1/a/hero
check "... below the subfolders it was found in" diff -r single_knight batch1/b/knight
check "... and through the subfolders with -r" diff -r single_hero batch1/deep/x/hero
"$cli" export -r -j 4 --progress tree batch4 >out.txt 2>err.txt || true
check "-j 4 writes the same bytes as -j 1" diff -r batch1 batch4
check "--progress draws the line on a file too" grep -q "4/4 sprites" err.txt
"$cli" export tree/a tree/b/knight.SPR flat >/dev/null 2>&1
check "without -r a folder's subfolders are left alone, a file is its own source" \
    test "$(files_in flat)" = "hero knight "
expect "one GIF per sprite" 0 "^1 sprites, 3 frames, 1 files, 0 failed, " "" export --format gif tree/a gifs
"$cli" animate sub/hero.spr hero_alone.gif >/dev/null
check "... the animation's own bytes" cmp gifs/hero.gif hero_alone.gif
echo "old" >batch1/a/hero/hero001.bmp
before=$(find batch1 -type f | sort | xargs md5sum)
expect "--no-clobber refuses every sprite whose files are there" 1 "^4 sprites, 0 frames, 0 files, 4 failed" \
    "*" export --no-clobber -r -j 1 tree batch1
check "... naming the first file there" said err.txt "^tree/a/hero.spr: batch1/a/hero/hero000.bmp already exists"
check "... and writes nothing of it" test "$(cat batch1/a/hero/hero001.bmp)" = old
expect "... and so does the export of one sprite" 1 "" "*" export --no-clobber sub/hero.spr batch1/a/hero
check "... naming the file" said err.txt "^zandrel-cli: batch1/a/hero/hero000.bmp already exists; with --no-clobber"
expect "... and of one frame" 1 "" "^zandrel-cli: batch1/a/hero/hero001.bmp already exists" \
    export --no-clobber sub/hero.spr --frame 1 batch1/a/hero/hero001.bmp
check "... which stays as it was" test "$(cat batch1/a/hero/hero001.bmp)" = old
expect "-j must be a count" 2 "" "^zandrel-cli: -j takes" export -j 0 tree out_j
expect "... also for one sprite" 2 "" "^zandrel-cli: -j takes" export -j x sub/hero.spr single_hero
expect "--frame takes one sprite" 2 "" "^zandrel-cli: --frame takes one sprite" export --frame 0 tree/a tree/b out_f

echo "# Failures that are not refusals"
expect "--version after a command" 0 "^zandrel-cli " "" export zero.spr out --version
expect "--version after the palette action" 0 "^zandrel-cli " "" palette convert --version
if $windows; then
    skip "a file-size limit and a closed pipe: POSIX signals"
else
    # A file-size limit (SIGXFSZ) and a pipe without a reader (SIGPIPE) make the write
    # fail; the program says so itself and the destination keeps what it had.
    cp out/hero.gif out/limited.bmp
    got=0
    (ulimit -f 1 && "$cli" export sub/hero.spr --frame 2 out/limited.bmp) >out.txt 2>err.txt || got=$?
    check "a write past ulimit -f fails with exit 1" test "$got" = 1
    check "... says why" stream_is err.txt "访问文件out/limited.bmp时出错：磁盘已满。"
    check "... and keeps the old file" cmp out/limited.bmp out/hero.gif
    check "... and leaves no temporary" test -z "$(find out -name '.zandrel-*')"
    # The reader has gone before the first byte is written.
    { sleep 0.5; st=0; "$cli" export sub/hero.spr --frame 2 /dev/stdout 2>err.txt || st=$?; echo $st >status.txt; } | true
    check "a pipe whose reader has gone fails with exit 1" test "$(cat status.txt)" = 1
    check "... and says so" stream_is err.txt "访问文件/dev/stdout时出错：管道另一端的程序已经不再读取。"
    { sleep 0.5; st=0; "$cli" info sub/hero.spr 2>err.txt || st=$?; echo $st >status.txt; } | true
    check "info into such a pipe fails with exit 1" test "$(cat status.txt)" = 1
    check "... and says so" stream_is err.txt "^zandrel-cli: cannot write to the standard output"
fi

finish
