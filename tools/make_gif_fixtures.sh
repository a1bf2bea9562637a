#!/usr/bin/env bash
# Makes the GIF decoder's test fixtures in the folder given (default ./gif-fixtures), with giflib's
# gifbuild, ImageMagick and gifsicle. Every fixture is a well-formed file; damaged and hostile data
# is made by the tests themselves.
set -euo pipefail

out="${1:-gif-fixtures}"
mkdir -p "$out"
cd "$out"
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT

# gifbuild reads its text form on stdin.
build() { gifbuild > "$1"; }

# A raster of W x H key characters from KEYS, in a pattern that varies with x, y and SEED.
raster() {
    local w=$1 h=$2 keys=$3 seed=${4:-0} x y row n=${#3}
    for ((y = 0; y < h; y++)); do
        row=""
        for ((x = 0; x < w; x++)); do
            row+="${keys:$(((x * x + 3 * y + x * y + seed) % n)):1}"
        done
        echo "$row"
    done
    echo
}

map4() {
    cat <<MAP
	rgb 0 0 0 is a
	rgb 255 0 0 is b
	rgb 0 255 0 is c
	rgb 0 0 255 is d
end
MAP
}

header() {  # header W H [extra lines...]
    echo "screen width $1"
    echo "screen height $2"
    echo "screen map"
    map4
}

control() {  # control DISPOSAL DELAY TRANSPARENT-INDEX
    printf 'graphics control\n\tdisposal mode %s\n\tuser input flag off\n\tdelay %s\n\ttransparent index %s\nend\n' "$1" "$2" "$3"
}

image() {  # image W H [LEFT TOP [SEED]]
    echo "image"
    echo "image left ${3:-0}"
    echo "image top ${4:-0}"
    echo "image bits $1 by $2"
    raster "$1" "$2" abcd "${5:-0}"
}

# Every disposal value, 0 to 7 (4 to 7 are reserved and read as 2).
{
    header 6 5
    echo "netscape loop 0"
    for d in 0 1 2 3 4 5 6 7; do control "$d" "$d" -1; image 6 5 0 0 "$d"; done
} | build disposals.gif

# Delays, including the largest field value.
{
    header 5 4
    for d in 0 1 7 30 100 65535; do control 0 "$d" -1; image 5 4 0 0 "$d"; done
} | build delays.gif

# Transparency with indices 0 and 2, a frame offset inside the screen, and an opaque frame.
{
    header 12 10
    echo "netscape loop 5"
    control 1 10 2; image 12 10
    control 2 10 0; image 7 5 3 4 1
    control 3 10 -1; image 9 3 2 6 2
    control 0 10 3; image 11 9 1 1 3
} | build transparent.gif

# Two comments before frame 1, one before frame 2, none before frame 3, one after the last frame.
{
    header 4 4
    printf 'comment\nfirst comment\nend\ncomment\nsecond\nend\n'
    control 0 5 -1; image 4 4
    printf 'comment\nthird\nend\n'
    image 4 4 0 0 1
    image 4 4 0 0 2
    printf 'comment\ntrailing\nend\n'
} | build comments.gif

# Loop counts 0 (for ever) and 5; files without the extension play once.
{ header 3 3; echo "netscape loop 0"; control 0 10 -1; image 3 3; control 0 10 -1; image 3 3 0 0 1; } | build loop0.gif
{ header 3 3; echo "netscape loop 5"; control 0 10 -1; image 3 3; control 0 10 -1; image 3 3 0 0 1; } | build loop5.gif

# Plain text, an unknown label and an unknown application block, all to be skipped.
{
    header 6 4
    printf 'plaintext\nplain text body\nend\n'
    printf 'extension 45\nunknown one\nsecond block\nend\n'
    printf 'extension ff\nXYZAPP01abc\nsome data\nend\n'
    image 6 4
    printf 'extension 7a\nbetween frames\nend\n'
    image 6 4 0 0 1
} | build extensions.gif

# Frames beyond the 16 x 16 screen widen the image to 30 x 30.
{
    header 16 16
    control 0 10 -1; image 16 16
    control 1 10 -1; image 20 20 10 10 1
    control 1 10 -1; image 5 29 0 1 2
} | build offsets.gif

# Interlaced frames: heights 1 to 3 (passes left empty) and 13 (all four passes).
{
    header 9 13
    for h in 1 2 3 13; do
        echo "image"; echo "image interlaced"; echo "image bits 9 by $h"; raster 9 "$h" abcd "$h"
    done
} | build interlaced.gif

# GIF87a with a graphic control block whose transparency bit must be ignored.
{ header 5 5; control 2 20 1; image 5 5; control 0 30 2; image 5 5 0 0 1; } | build gif87a_control.gif
printf '7' | dd of=gif87a_control.gif bs=1 seek=4 conv=notrunc status=none

# 300 frames told apart by their delays (0 to 299); only the first 256 are kept.
{
    header 2 2
    echo "netscape loop 0"
    for ((i = 0; i < 300; i++)); do control 0 "$i" -1; image 2 2 0 0 "$i"; done
} | build frames300.gif

# A frame with a graphic control block, then frames without one.
{
    header 4 4
    control 2 5 1; image 4 4
    image 4 4 0 0 1
    control 3 0 0; image 2 2 1 1 2
    image 4 4 0 0 3
} | build control_reset.gif

# A 2-colour global table, local tables of 4 and 16 colours, then a frame on the global table
# (whose bits per pixel have been raised to 4 by then).
{
    echo "screen width 8"; echo "screen height 6"
    printf "screen map\n\trgb 9 9 9 is a\n\trgb 99 99 99 is b\nend\n"
    echo "image"; echo "image map"; map4; echo "image bits 8 by 6"; raster 8 6 abcd
    echo "image"; echo "image map"
    keys=abcdefghijklmnop
    for ((i = 0; i < 16; i++)); do echo "	rgb $((i * 16)) $((255 - i * 16)) $((i * 7)) is ${keys:$i:1}"; done
    echo "end"
    echo "image bits 8 by 6"; raster 8 6 "$keys" 5
    echo "image"; echo "image bits 3 by 2"; raster 3 2 ab
} | build local_tables.gif

# The image data of a 24 x 16 picture re-cut into 1-byte sub-blocks.
{ header 24 16; image 24 16 0 0 9; } | build "$tmp/base.gif"
# Header 6 + screen 7 + table 12 + descriptor 10 + code size 1 = 36 bytes before the sub-blocks.
{
    head -c 36 "$tmp/base.gif"
    od -An -v -tu1 -j36 "$tmp/base.gif" | tr -s ' \n' '\n\n' | sed '/^$/d' > "$tmp/bytes"
    mapfile -t bytes < "$tmp/bytes"
    i=0
    while ((i < ${#bytes[@]})); do
        n=${bytes[i]}
        if ((n == 0)); then break; fi
        for ((k = 1; k <= n; k++)); do printf "\\x01\\x$(printf %02x "${bytes[i + k]}")"; done
        i=$((i + n + 1))
    done
    printf '\x00\x3b'
} > subblocks1.gif
cp "$tmp/base.gif" subblocks255.gif

# Pictures from ImageMagick: a full 256-colour table with noise (the code table fills up), a photo,
# a frame big enough to report progress while decoding, and an animation with transparency.
convert -seed 7 -size 120x100 xc: +noise Random -colors 256 magick_noise.gif
convert rose: -colors 64 magick_rose.gif
convert -size 400x300 gradient:blue-yellow -colors 128 large.gif
convert -delay 12 -dispose Previous \
    \( -size 40x30 xc:none -fill red -draw 'circle 10,10 15,15' \) \
    \( -size 40x30 xc:none -fill blue -draw 'rectangle 5,5 30,20' \) \
    \( -size 40x30 xc:none -fill green -draw 'circle 28,18 34,24' \) -loop 2 magick_anim.gif

# gifsicle: an optimised animation (offsets, transparency, disposals) and an interlaced picture.
gifsicle -O3 --disposal background --loopcount=3 magick_anim.gif -o gifsicle_opt.gif
gifsicle --interlace --colors 16 magick_rose.gif -o gifsicle_interlaced.gif
