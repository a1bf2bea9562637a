#!/usr/bin/env bash
# Draws the Default skin's art with ImageMagick into resources/Skins/Default/ (or the folder given).
# The output is committed; run this again after changing a picture here.
#
# Toolbar glyphs are strips of three images side by side: normal, disabled, pressed. Their
# background is the key colour (fuchsia) in the bottom-left pixel, which the buttons make
# transparent. Shapes are drawn without antialiasing, so no blended pixel escapes the mask.
set -euo pipefail

out="${1:-$(dirname "$0")/../resources/Skins/Default}"
mkdir -p "$out"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

KEY='#FF00FF'

# glyph FILE SIZE DRAW...: one three-state strip. DRAW arguments are ImageMagick drawing options for
# a SIZE x SIZE transparent canvas.
glyph() {
  local file="$1" size="$2"
  shift 2
  convert -size "${size}x${size}" xc:none +antialias -strokewidth 1 "$@" "$work/shape.png"
  # Disabled: the same shape in flat grey. Pressed: darker, one pixel down and right.
  convert "$work/shape.png" -fill '#A0A0A0' -colorize 100 "$work/disabled.png"
  convert "$work/shape.png" -modulate 70 -page +1+1 -background none -flatten \
          -crop "${size}x${size}+0+0" +repage "$work/pressed.png"
  for state in shape disabled pressed; do
    convert -size "${size}x${size}" "xc:$KEY" "$work/$state.png" -composite -alpha off \
            +antialias "$work/flat_$state.png"
  done
  convert "$work/flat_shape.png" "$work/flat_disabled.png" "$work/flat_pressed.png" +append \
          -alpha off -type TrueColor "BMP3:$out/$file"
}

# Shapes on a 24 x 24 canvas.
house=(-fill '#C04020' -stroke '#602010' -draw 'polygon 12,3 2,12 22,12'
       -fill '#F0E0B0' -stroke '#806040' -draw 'rectangle 5,12 19,21'
       -fill '#6080C0' -stroke '#304060' -draw 'rectangle 10,15 14,21')
glyph new.bmp 24 -fill white -stroke '#404040' -draw 'polygon 5,2 15,2 19,6 19,22 5,22' \
      -fill '#D0D0D0' -draw 'polygon 15,2 15,6 19,6' \
      -fill '#20A020' -stroke '#106010' -draw 'rectangle 10,11 12,19' -draw 'rectangle 7,14 15,16'
glyph open.bmp 24 -fill '#E0B040' -stroke '#806020' -draw 'polygon 2,6 9,6 11,8 21,8 21,20 2,20' \
      -fill '#F8D870' -draw 'polygon 5,11 23,11 20,20 2,20'
glyph dwnloads.bmp 24 -fill '#C0C0C0' -stroke '#505050' -draw 'rectangle 3,16 21,21' \
      -fill '#2070D0' -stroke '#103870' -draw 'polygon 9,2 15,2 15,9 19,9 12,16 5,9 9,9'
glyph cvmode.bmp 24 -fill '#D8B060' -stroke '#705020' -draw 'rectangle 3,4 21,20' \
      -fill '#303030' -stroke none -draw 'rectangle 11,4 13,20' \
      -fill '#E0E0E0' -draw 'rectangle 11,6 12,6' -draw 'rectangle 12,9 13,9' -draw 'rectangle 11,12 12,12' \
      -fill '#C0C0C0' -stroke '#404040' -draw 'rectangle 9,14 15,18'
glyph pimode.bmp 24 "${house[@]}"
glyph addtocur.bmp 24 -fill '#D8B060' -stroke '#705020' -draw 'rectangle 2,6 16,21' \
      -fill '#303030' -stroke none -draw 'rectangle 8,6 10,21' \
      -fill '#20A020' -stroke '#106010' -draw 'rectangle 17,2 19,12' -draw 'rectangle 13,6 23,8'
glyph help.bmp 24 -fill '#3070D0' -stroke '#183868' -draw 'circle 12,12 12,2' \
      -fill white -stroke none -draw 'rectangle 11,6 13,8' -draw 'rectangle 11,10 13,18'
glyph download.bmp 24 -fill '#20A020' -stroke '#106010' -draw 'polygon 2,8 12,8 12,3 22,12 12,21 12,16 2,16'
glyph browser_back.bmp 24 -fill '#2070D0' -stroke '#103870' -draw 'polygon 22,9 11,9 11,4 2,12 11,20 11,15 22,15'
glyph browser_forward.bmp 24 -fill '#2070D0' -stroke '#103870' -draw 'polygon 2,9 13,9 13,4 22,12 13,20 13,15 2,15'
glyph browser_stop.bmp 24 -fill '#D02020' -stroke '#701010' -draw 'polygon 8,2 16,2 22,8 22,16 16,22 8,22 2,16 2,8' \
      -fill white -stroke white -strokewidth 2 -draw 'line 8,8 16,16' -draw 'line 16,8 8,16'
glyph browser_refresh.bmp 24 -fill none -stroke '#20A020' -strokewidth 3 -draw 'arc 4,4 20,20 30,300' \
      -fill '#20A020' -stroke '#106010' -strokewidth 1 -draw 'polygon 14,2 22,6 15,11'
glyph browser_home.bmp 24 "${house[@]}"
glyph browser.bmp 24 -fill '#80B8F0' -stroke '#204880' -draw 'circle 12,12 12,2' \
      -fill none -draw 'ellipse 12,12 4,10 0,360' -draw 'line 2,12 22,12' -draw 'line 4,7 20,7' -draw 'line 4,17 20,17'
glyph browse_corvanehome.bmp 24 "${house[@]}" -fill '#F0C020' -stroke '#806000' \
      -draw 'polygon 19,1 20,4 23,4 21,6 22,9 19,7 16,9 17,6 15,4 18,4'
glyph browse_dailynews.bmp 24 -fill white -stroke '#404040' -draw 'rectangle 3,3 21,21' \
      -fill '#404040' -stroke none -draw 'rectangle 5,5 19,8' \
      -fill '#808080' -draw 'rectangle 5,11 11,12' -draw 'rectangle 5,14 11,15' -draw 'rectangle 5,17 11,18' \
      -fill '#6090D0' -draw 'rectangle 13,11 19,18'
glyph browse_weblinks.bmp 24 -fill none -stroke '#3060A0' -strokewidth 3 \
      -draw 'roundrectangle 2,8 13,16 4,4' -draw 'roundrectangle 11,8 22,16 4,4'

# Run and stop of the status view (20 x 20).
glyph run.bmp 20 -fill '#20A020' -stroke '#106010' -draw 'polygon 5,2 17,10 5,18'
glyph stop.bmp 20 -fill '#D02020' -stroke '#701010' -draw 'rectangle 4,4 16,16'

# The animated logo: a ring of eight dots with one bright dot running round it, looping for ever.
frames=()
for i in 0 1 2 3 4 5 6 7; do
  args=()
  for j in 0 1 2 3 4 5 6 7; do
    x=$(awk -v j="$j" 'BEGIN { printf "%d", 20 + 13 * cos(j * 3.14159265 / 4) }')
    y=$(awk -v j="$j" 'BEGIN { printf "%d", 20 + 13 * sin(j * 3.14159265 / 4) }')
    if [ "$j" -eq "$i" ]; then colour='#FFA000'; else colour='#6080B0'; fi
    args+=(-fill "$colour" -draw "circle $x,$y $((x + 3)),$y")
  done
  convert -size 40x40 xc:white +antialias -stroke none "${args[@]}" "$work/anim_$i.gif"
  frames+=("$work/anim_$i.gif")
done
convert -delay 12 -loop 0 "${frames[@]}" "$out/cvanim.gif"

# The bar beside the logo: a horizontal band fading from blue to white.
convert -size 40x200 gradient:'#FFFFFF-#3060A0' -rotate 90 "$out/screensbar.gif"

# The logo on the About page: a stylised bird over a globe.
convert -size 96x96 xc:white \
        -fill '#80B8F0' -stroke '#204880' -strokewidth 2 -draw 'circle 48,56 48,20' \
        -fill none -draw 'ellipse 48,56 14,36 0,360' -draw 'line 12,56 84,56' \
        -fill '#202830' -stroke '#101418' -strokewidth 1 \
        -draw 'polygon 14,22 40,30 48,40 56,30 82,22 60,20 48,30 36,20' \
        "$out/cvlogo.gif"

# The pictures of the task report pages: page and picture icons (16 x 16), the web address globe
# (19 x 19), the bullet diamond (21 x 13) and the dark blue page background.
convert -size 16x16 xc:'#336699' +antialias -fill white -stroke '#404040' -draw 'polygon 3,1 10,1 13,4 13,14 3,14' \
        -fill '#D0D0D0' -draw 'polygon 10,1 10,4 13,4' \
        -stroke '#3060A0' -draw 'line 5,7 11,7' -draw 'line 5,9 11,9' -draw 'line 5,11 9,11' "$out/html.gif"
convert -size 16x16 xc:'#336699' +antialias -fill '#F0F0F0' -stroke '#404040' -draw 'rectangle 1,3 14,13' \
        -fill '#80C0F0' -stroke none -draw 'rectangle 2,4 13,12' \
        -fill '#30A030' -draw 'polygon 2,12 6,7 9,10 11,8 13,12' -fill '#FFD700' -draw 'circle 11,6 12,6' \
        "$out/images.gif"
convert -size 19x19 xc:'#336699' +antialias -fill '#80B8F0' -stroke '#FFFFFF' -draw 'circle 9,9 9,1' \
        -fill none -stroke '#204880' -draw 'ellipse 9,9 3,8 0,360' -draw 'line 1,9 17,9' \
        -draw 'line 3,5 15,5' -draw 'line 3,13 15,13' "$out/www.gif"
convert -size 21x13 xc:'#336699' +antialias -fill '#FFC000' -stroke '#A07000' -draw 'polygon 10,1 16,6 10,11 4,6' \
        "$out/diamond.gif"
convert -size 32x32 xc:'#2A5580' -fill '#2F5C8A' -draw 'line 0,31 31,0' -draw 'line 0,15 15,0' -draw 'line 16,31 31,16' \
        -quality 90 "$out/cvbackground.jpg"

echo "Default skin written to $out"
