#!/usr/bin/env bash
# Makes the splash artwork (582 x 240 px and its 2x version) from the program's own
# world map: the map with one small red LED on each beacon station's site and the
# program's title in the open sea south of Africa.
#
# Needs ImageMagick's convert and the DejaVu fonts. Run scripts/make_map.sh first.
# Writes assets/splash/splash.png and splash@2x.png.
set -euo pipefail
cd "$(dirname "$0")/.."

font_bold=/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf
font=/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf
out=assets/splash
mkdir -p "$out"

# Marker spots of the stations on the main window's map, in twips (left, top of a
# 240 x 240 twip marker) inside the map's container, in transmission order from
# 4U1UN to YV5B. The map picture sits 30 twips above the container's top.
markers="2220,1095 1935,165 1035,1155 75,1515 8310,2970 6810,2835 7350,1155 5985,675
5955,1830 4680,2715 4905,2055 4890,1245 4635,585 3585,1290 2595,2925 2130,2370 2400,1785
6780,1560"

# The splash shows the map widened by one pixel of sea at each side and without
# its four top rows (ice above the pole): splash (x, y) = map (x - 1, y + 4).
make_splash() {
    local s=$1 file=$2 map=$3
    local w=$((582 * s)) h=$((240 * s))
    local -a leds=()
    local m x y
    for m in $markers; do
        read -r x y < <(echo "$m" | awk -F, -v s="$s" '{
            printf "%.2f %.2f\n", ((($1 + 120) / 15) + 1) * s, ((($2 + 120) / 15) + 2 - 4) * s }')
        leds+=(-fill "rgba(255,40,20,0.30)" -draw "$(circle "$x" "$y" 6.5 "$s")"
               -fill "#6a0000" -draw "$(circle "$x" "$y" 4.6 "$s")"
               -fill "#f02818" -draw "$(circle "$x" "$y" 3.7 "$s")"
               -fill "rgba(255,235,220,0.9)" -draw "$(circle "$x" "$y" 1.3 "$s" -1.2 -1.3)")
    done

    convert "$map" -virtual-pixel edge -filter point \
        -define distort:viewport="${w}x${h}-${s}+$((4 * s))" -distort SRT 0 +repage \
        -gravity northwest \
        \( -size "${w}x$((64 * s))" gradient:"rgba(4,12,40,0)-rgba(4,12,40,0.8)" \) \
        -geometry "+0+$((176 * s))" -composite \
        -stroke none "${leds[@]}" \
        -font "$font_bold" -pointsize $((34 * s)) \
        -fill "rgba(0,0,0,0.55)" -annotate "+$((200 * s + s))+$((195 * s + s))" "Halvion" \
        -fill white -annotate "+$((200 * s))+$((195 * s))" "Halvion" \
        -font "$font" -pointsize $((11 * s)) -fill "rgb(225,235,255)" \
        -annotate "+$((352 * s))+$((205 * s))" "NCDXF/IARU International" \
        -annotate "+$((352 * s))+$((219 * s))" "Beacon Network" \
        -strip -define png:exclude-chunks=date,time \
        "$out/$file"
}

# A circle of radius r (1x pixels) round (x, y), moved by (dx, dy), for scale s.
circle() {
    awk -v x="$1" -v y="$2" -v r="$3" -v s="$4" -v dx="${5:-0}" -v dy="${6:-0}" 'BEGIN {
        cx = x + dx * s; cy = y + dy * s
        printf "circle %.2f,%.2f %.2f,%.2f", cx, cy, cx + r * s, cy }'
}

make_splash 1 splash.png assets/map/world_map.png
make_splash 2 splash@2x.png assets/map/world_map@2x.png
echo "wrote $out/splash.png and $out/splash@2x.png"
