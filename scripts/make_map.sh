#!/usr/bin/env bash
# Makes the world map of the main window (and its 2x version for high-density
# screens) from NASA's Blue Marble picture that Debian's xplanet-images installs.
#
# The map is plate carrée, 580 x 244 px, and places a point (lon, lat) at
#   x = 1.6282 * lon + 275.05,   y = -1.6071 * lat + 146.46
# so that the station markers sit on their sites. It therefore spans about
# 168.9 W to 187.3 E (across the date line: the source wraps around) and 91.1 N to
# 60.7 S (the pole rows are repeated above the source's top edge).
#
# Needs ImageMagick's convert. Writes assets/map/world_map.png, world_map@2x.png and
# world_map@3x.png.
set -euo pipefail
cd "$(dirname "$0")/.."

source_image=${1:-/usr/share/xplanet/images/earth.jpg}
out=assets/map
mkdir -p "$out"

if [ ! -r "$source_image" ]; then
    echo "make_map.sh: $source_image not found (apt-get install xplanet-images)" >&2
    exit 1
fi

# Map coordinates -> source pixels, for a source of W x H covering 360 x 180 deg:
#   u = (lon + 180) * W / 360 with lon = (x - 275.05) / 1.6282
#   v = (90 - lat) * H / 180  with lat = (146.46 - y) / 1.6071
# ImageMagick's AffineProjection wants the opposite direction (source -> map),
# computed here for a map scaled by `scale` (1 or 2).
projection() {
    local scale=$1 w=$2 h=$3
    awk -v s="$scale" -v w="$w" -v h="$h" 'BEGIN {
        ax = 1.6282; bx = 275.05; ay = -1.6071; by = 146.46
        # x = ax * (u * 360 / w - 180) + bx
        sx = s * ax * 360 / w;  tx = s * (bx - 180 * ax)
        # y = ay * (90 - v * 180 / h) + by
        sy = -s * ay * 180 / h; ty = s * (by + 90 * ay)
        printf "%.8f,0,0,%.8f,%.6f,%.6f", sx, sy, tx, ty
    }'
}

width=$(convert "$source_image" -format '%w' info:)
height=$(convert "$source_image" -format '%h' info:)
# The map runs past 180 E: append the source's western edge to its eastern side,
# so the projection reads real pixels there. Above the north pole the edge rows
# are repeated (virtual-pixel edge).
wrap=$((width / 8))
extended=$(mktemp --suffix=.miff)
trap 'rm -f "$extended"' EXIT
convert "$source_image" \( +clone -crop "${wrap}x${height}+0+0" +repage \) +append \
    +repage "$extended"

make_map() {
    local scale=$1 file=$2
    local mw=$((580 * scale)) mh=$((244 * scale))
    convert "$extended" -virtual-pixel edge \
        -define distort:viewport="${mw}x${mh}+0+0" \
        -filter Lanczos -distort AffineProjection "$(projection "$scale" "$width" "$height")" \
        +repage \
        -modulate 108,125,100 \
        -sigmoidal-contrast 2.5,40% \
        -unsharp 0x0.6+0.5+0 \
        -strip -define png:exclude-chunks=date,time \
        "$out/$file"
}

make_map 1 world_map.png
make_map 2 world_map@2x.png
# For a main window made three times its design size.
make_map 3 world_map@3x.png
echo "wrote $out/world_map.png, $out/world_map@2x.png and $out/world_map@3x.png"
