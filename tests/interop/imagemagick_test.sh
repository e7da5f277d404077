#!/usr/bin/env bash
# What zandrel-cli reads and writes, checked against ImageMagick as an independent
# reader and writer: sprites built from images that ImageMagick made must export to
# images that ImageMagick decodes to the same pixels.
#
# Usage: imagemagick_test.sh PATH/TO/zandrel-cli
set -euo pipefail

cli=$(realpath "${1:?usage: imagemagick_test.sh PATH/TO/zandrel-cli}")
# The ImageMagick 6 tools themselves, not whatever else answers to these names on PATH.
convert=/usr/bin/convert
identify=/usr/bin/identify

source "$(dirname "${BASH_SOURCE[0]}")/../harness.sh"

same_pixels() {  # FORMAT FILE_A FILE_B: ImageMagick decodes both to the same raw pixels
    "$convert" "$2" -auto-orient "$1:$work/a.raw" && "$convert" "$3" -auto-orient "$1:$work/b.raw" &&
        cmp "$work/a.raw" "$work/b.raw"
}

close_pixels() {  # FILE_A FILE_B: the same RGBA pixels but for channels one apart (a half rounded either way)
    "$convert" "$1" -auto-orient rgba:"$work/a.raw" && "$convert" "$2" -auto-orient rgba:"$work/b.raw" &&
        [[ $(file_size "$work/a.raw") == $(file_size "$work/b.raw") ]] &&
        paste <(od -An -v -tu1 -w1 "$work/a.raw") <(od -An -v -tu1 -w1 "$work/b.raw") |
        awk '{ d = $1 - $2; if (d > 1 || d < -1) { print "byte " NR ": " $1 " against " $2; exit 1 } }'
}

identify_is() {  # FILE FORMAT EXPECTED: identify -format FORMAT prints EXPECTED
    local got
    got=$("$identify" -format "$2" "$1" | tr -s ' ')
    [[ $got == "$3" ]] || { echo "identify -format '$2' $1: expected '$3', got '$got'"; return 1; }
}

runs_ok() { "$cli" "$@" >out.txt 2>err.txt || { cat out.txt err.txt; return 1; }; }

echo "# 256-colour BMPs written by ImageMagick"
# One quantised picture with a plain magenta surround; every frame is cut from it, so all
# share its colour table, and every frame's top-left pixel lies in the surround, so each
# has the same transparent index as the first.
"$convert" -size 64x64 xc:magenta \( -size 48x48 plasma:fractal \) -geometry +8+8 -composite \
    -colors 200 -type Palette -compress none BMP3:base.bmp
"$convert" base.bmp -crop 37x23+2+3 +repage -compress none BMP3:wide37.bmp  # rows padded by 3
"$convert" base.bmp -crop 1x40+20+4 +repage -compress none BMP3:one.bmp     # 1 pixel wide
"$convert" base.bmp -crop 40x20+4+2 +repage -compress none BMP3:wide40.bmp  # no padding
"$convert" base.bmp -crop 61x1+3+7 +repage -compress none BMP3:flat.bmp     # 1 pixel high
"$convert" base.bmp -crop 58x55+5+6 +repage -compress none BMP3:big.bmp
bmps=(wide37.bmp one.bmp wide40.bmp flat.bmp big.bmp)

shares_colour_table() {
    local first
    first=$(hex_at "${bmps[0]}" 54 1024)
    for bmp in "${bmps[@]}"; do [[ $(hex_at "$bmp" 54 1024) == "$first" ]] || { echo "$bmp differs"; return 1; }; done
}
check "the ImageMagick fixtures share one colour table" shares_colour_table
check "the fixtures are uncompressed 8-bit BMPs" identify_is wide37.bmp '%m %z %[compression]' 'BMP3 8 None'

mkdir bmp_out
check "build a palettised sprite from the BMPs" runs_ok build hero.spr "${bmps[@]}"
check "export every frame of it" runs_ok export hero.spr bmp_out
for i in "${!bmps[@]}"; do
    exported=bmp_out/hero00$i.bmp
    check "frame $i (${bmps[$i]}): ImageMagick sees the source's RGB pixels" same_pixels rgb "${bmps[$i]}" "$exported"
    check "frame $i: ImageMagick sees the source's size" \
        identify_is "$exported" '%wx%h' "$("$identify" -format '%wx%h' "${bmps[$i]}")"
done
check "the surround colour became index 0 of the sprite's palette" \
    test "$(hex_at bmp_out/hero000.bmp 54 4)" = ff00ff00

check "export frame 2 alone" runs_ok export hero.spr --frame 2 single.bmp
check "identify: the single frame is an 8-bit 256-colour PseudoClass BMP of 40x20" \
    identify_is single.bmp '%m %wx%h %z %r %[colors]' "BMP3 40x20 8 PseudoClass sRGB $("$identify" -format '%[colors]' wide40.bmp | tr -d ' ')"
check "identify: its colour map has 256 entries" bash -c "'$identify' single.bmp | grep -q ' 8-bit sRGB 256c '"
check "the single frame equals frame 2 of the full export" cmp single.bmp bmp_out/hero002.bmp

echo "# 32-bit TGAs written by ImageMagick"
# Raw RGBA with every kind of alpha: 0 over a colour that must survive, 255, 1 and
# values between. FRAME W H: the bytes, every pixel of a frame a colour of its own.
make_rgba() {
    awk -v f="$1" -v w="$2" -v h="$3" 'BEGIN {
        for (y = 0; y < h; y++) for (x = 0; x < w; x++) {
            i = y * w + x
            k = (i + f) % 5
            a = k == 0 ? 0 : k == 1 ? 255 : k == 2 ? 1 : (i * 53 + f * 17) % 256
            printf "%02x%02x%02x%02x", i % 256, (int(i / 256) * 97 + 13 + f) % 256, (x * 29 + y * 3 + 200) % 256, a
        }
        print ""
    }' | unhex "$4"
}
tgas=()
for frame in "0 5 3" "1 1 7" "2 24 17" "3 16 16"; do
    read -r f w h <<<"$frame"
    make_rgba "$f" "$w" "$h" "src$f.rgba"
    "$convert" -size "${w}x$h" -depth 8 "rgba:src$f.rgba" "TGA:src$f.tga"
    tgas+=("src$f.tga")
done
check "the TGA fixtures are 32-bit with descriptor 8" \
    bash -c 'for t in "$@"; do [[ $(xxd -p -s 16 -l 2 "$t") == 2008 ]] || exit 1; done' _ "${tgas[@]}"

mkdir tga_out
check "build a true-colour sprite from the TGAs" runs_ok build knight.spr "${tgas[@]}"
check "export every frame of it" runs_ok export knight.spr tga_out
for i in "${!tgas[@]}"; do
    exported=tga_out/knight00$i.tga
    check "frame $i: ImageMagick sees the source's RGBA pixels, upright" same_pixels rgba "${tgas[$i]}" "$exported"
    check "frame $i: the pixel bytes are the source's byte for byte, colours under alpha 0 included" \
        cmp <(tail -c +19 "${tgas[$i]}" | head -c "$(file_size "src$i.rgba")") <(tail -c +19 "$exported" | head -c "$(file_size "src$i.rgba")")
    # ImageMagick's reading as stored, without turning the picture.
    check "frame $i: the stored pixels are the raw input byte for byte" \
        bash -c "'$convert' '$exported' rgba:stored.rgba && cmp stored.rgba src$i.rgba"
done

check "export frame 2 alone" runs_ok export knight.spr --frame 2 single.tga
check "identify: the single frame is a 24x17 TrueColorAlpha TGA, 8 bits per channel" \
    identify_is single.tga '%m %wx%h %z %[type] %[channels]' 'TGA 24x17 8 TrueColorAlpha srgba'
check "its header says 32 bits per pixel, descriptor 8" test "$(hex_at single.tga 16 2)" = 2008
check "the single frame equals frame 2 of the full export" cmp single.tga tga_out/knight002.tga

echo "# PNG written and read by ImageMagick"
mkdir png_out
check "export the palettised sprite's frames as PNG" runs_ok export hero.spr png_out --format png
for i in "${!bmps[@]}"; do
    check "PNG frame $i: ImageMagick sees the BMP export's RGB pixels" same_pixels rgb "bmp_out/hero00$i.bmp" "png_out/hero00$i.png"
done
check "identify: an 8-bit indexed PNG with a tRNS chunk" \
    identify_is png_out/hero000.png '%[png:IHDR.color_type] %[png:IHDR.bit_depth] %[png:tRNS]' '3 (Indexed) 8 chunk was found'
check "index 0 (the surround) is fully transparent, the rest opaque" \
    bash -c "'$convert' png_out/hero000.png -format '%[fx:p{0,0}.a] %[fx:p{10,10}.a]' info: | grep -qx '0 1'"
check "a sprite built back from the PNGs equals the BMP-built one" \
    bash -c "'$cli' build from_png.spr png_out/*.png >/dev/null && cmp from_png.spr hero.spr"
mkdir tga_png_out
check "export the true-colour sprite's frames as PNG" runs_ok export knight.spr tga_png_out --format png
for i in "${!tgas[@]}"; do
    check "RGBA PNG frame $i: ImageMagick sees the TGA's RGBA pixels, upright" \
        same_pixels rgba "${tgas[$i]}" "tga_png_out/knight00$i.png"
done
check "a true-colour sprite built back from the PNGs equals the TGA-built one" \
    bash -c "'$cli' build from_rgba.spr tga_png_out/*.png >/dev/null && cmp from_rgba.spr knight.spr"

# Sources of the kinds the reader converts: ImageMagick writes them.
"$convert" base.bmp -crop 20x12+8+8 +repage -interlace PNG PNG8:interlaced.png
"$convert" base.bmp -crop 20x12+8+8 +repage -colors 3 -define png:color-type=3 four.png
"$convert" -size 9x7 gradient:red-blue -alpha set -channel A -evaluate set 50% +channel -depth 16 PNG64:deep.png
"$convert" -size 9x7 gradient:white-black -depth 8 -type Grayscale PNG:grey.png
"$convert" deep.png -interlace PNG PNG64:deep_interlaced.png
check "the fixtures are of those kinds" bash -c "
    '$identify' -format '%[png:IHDR.interlace_method]' interlaced.png | grep -q Adam7 &&
    '$identify' -format '%[png:IHDR.bit_depth] %[png:IHDR.color_type]' four.png | grep -qx '2 3 (Indexed)' &&
    '$identify' -format '%[png:IHDR.bit_depth] %[png:IHDR.color_type]' deep.png | grep -qx '16 6 (RGBA)' &&
    '$identify' -format '%[png:IHDR.color_type]' grey.png | grep -q Grayscale"
for source in interlaced.png four.png; do
    check "build from the indexed $source, export as BMP: ImageMagick sees the same pixels" bash -c "
        '$cli' build ${source%.png}.spr $source >/dev/null && mkdir -p ${source%.png} &&
        '$cli' export ${source%.png}.spr ${source%.png} >/dev/null &&
        '$convert' $source rgb:a.raw && '$convert' ${source%.png}/${source%.png}000.bmp rgb:b.raw && cmp a.raw b.raw"
done
for source in deep.png grey.png deep_interlaced.png; do
    check "build from $source and export it as TGA" bash -c "
        '$cli' build ${source%.png}.spr $source >/dev/null && mkdir -p ${source%.png} &&
        '$cli' export ${source%.png}.spr ${source%.png} >/dev/null &&
        '$convert' $source -depth 8 PNG32:eight.png"
    check "... ImageMagick sees the pixels of $source at 8 bits, each channel within one" \
        close_pixels eight.png "${source%.png}/${source%.png}000.tga"
done

echo "# Animated GIF read by ImageMagick"
check "animate the palettised sprite at 4 frames a second" runs_ok animate hero.spr hero.gif --fps 4
check "one GIF frame per sprite frame, each 25 hundredths, cleared to the background" \
    identify_is hero.gif '%T %D|' "$(printf '25 Background|%.0s' "${bmps[@]}")"
check "the canvas is the largest width and height of the frames" identify_is hero.gif '%W %H|' "$(printf '61 55|%.0s' "${bmps[@]}")"
check "frame 1 (1 x 40) sits at 61/2 - 1/2, 55/2 - 40/2" bash -c "'$identify' hero.gif | sed -n 2p | grep -q ' 1x40 61x55+30+7 '"
check "it loops forever" bash -c "'$identify' -verbose hero.gif | grep -m1 Iterations: | grep -q ' 0$'"
check "frame 4 (58 x 55, no offset): ImageMagick sees the BMP export's RGB pixels" \
    bash -c "'$convert' 'hero.gif[4]' rgb:a.raw && '$convert' bmp_out/hero004.bmp rgb:b.raw && cmp a.raw b.raw"
check "the default is 10 frames a second" bash -c "'$cli' animate hero.spr ten.gif >/dev/null && '$identify' -format '%T ' ten.gif | grep -qx '\(10 \)*'"

echo "# Palette files"
check "export the palette in the Microsoft layout" runs_ok palette export hero.spr ms.pal --layout microsoft
check "the Microsoft palette is 1048 bytes" test "$(file_size ms.pal)" = 1048
check "it starts with RIFF, its size, PAL data" test "$(hex_at ms.pal 0 16)" = 524946461004000050414c2064617461
check "export the palette in the Velmark layout" runs_ok palette export hero.spr velmark.pal --layout velmark
check "the Velmark palette is 1024 bytes" test "$(file_size velmark.pal)" = 1024
check "convert the Microsoft palette to the Velmark layout" runs_ok palette convert ms.pal back.pal --to velmark
check "the conversion equals the Velmark export byte for byte" cmp back.pal velmark.pal
# The palette's colours against ImageMagick's reading of an exported frame's colour map.
colour_map_matches() {
    "$convert" bmp_out/hero000.bmp -format '%c' histogram:info:- |
        sed -n 's/.*#\([0-9A-F]\{6\}\) .*/\1/p' | tr 'A-F' 'a-f' | sort -u >used.txt
    xxd -p -c 4 velmark.pal | cut -c1-6 | sort -u >palette.txt
    comm -23 used.txt palette.txt >missing.txt
    [[ ! -s missing.txt ]] || { echo "colours not in the palette:"; cat missing.txt; return 1; }
}
check "every colour ImageMagick sees in frame 0 is in the Velmark palette" colour_map_matches

finish
