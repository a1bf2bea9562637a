#!/usr/bin/env bash
# Draws the program's icon with ImageMagick, as the Default skin's pictures are drawn
# (tools/make_default_skin.sh): the About page's bird over a globe, on a transparent 48 x 48 canvas
# that window managers and trays scale down. The output is committed as resources/corvane.png.
set -euo pipefail

out="${1:-$(dirname "$0")/../resources/corvane.png}"
convert -size 48x48 xc:none \
        -fill '#80B8F0' -stroke '#204880' -strokewidth 2 -draw 'circle 24,28 24,8' \
        -fill none -strokewidth 1.5 -draw 'ellipse 24,28 8,20 0,360' -draw 'line 4,28 44,28' \
        -fill '#202830' -stroke '#101418' -strokewidth 1 \
        -draw 'polygon 3,9 18,13 24,20 30,13 45,9 33,7 24,13 15,7' \
        -define png:color-type=6 "PNG32:$out"
