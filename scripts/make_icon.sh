#!/usr/bin/env bash
# Makes the program icon: the Earth as a globe (from NASA's Blue Marble picture that
# Debian's xplanet-images installs), a lit red beacon LED on it and three radio
# waves going out from the LED. Drawn at 512 px and scaled down, so the edges are
# smooth. Needs ImageMagick's convert.
# Writes assets/icons/halvion.png (256 x 256) and halvion_64.png (64 x 64) for the
# windows, and the desktop icon in the hicolor theme's sizes under assets/icons/hicolor/.
set -euo pipefail
cd "$(dirname "$0")/.."

source_image=${1:-/usr/share/xplanet/images/earth.jpg}
out=assets/icons
mkdir -p "$out"
if [ ! -r "$source_image" ]; then
    echo "make_icon.sh: $source_image not found (apt-get install xplanet-images)" >&2
    exit 1
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

size=512
cx=232; cy=280; radius=200        # the globe
lon0=-25; lat0=28                 # the point of the Earth facing the viewer
lx=373; ly=139                    # the beacon LED

# The globe: an orthographic view of the Blue Marble, darker towards the rim. The
# projection is done by python3 on plain PPM pictures (no imaging library needed).
convert "$source_image" -modulate 112,130,100 -sigmoidal-contrast 3,40% "$work/earth.ppm"
python3 - "$work/earth.ppm" "$work/globe_rgb.ppm" $size $cx $cy $radius $lon0 $lat0 <<'PY'
import math, sys
src, dst = sys.argv[1], sys.argv[2]
size, cx, cy, radius = (int(a) for a in sys.argv[3:7])
lon0, lat0 = (math.radians(float(a)) for a in sys.argv[7:9])

def read_ppm(path):
    data = open(path, "rb").read()
    fields, pos = [], 0
    while len(fields) < 4:
        while data[pos:pos + 1].isspace():
            pos += 1
        end = pos
        while not data[end:end + 1].isspace():
            end += 1
        fields.append(data[pos:end])
        pos = end
    assert fields[0] == b"P6" and fields[3] == b"255"
    return int(fields[1]), int(fields[2]), data[pos + 1:]

w, h, pix = read_ppm(src)
out = bytearray(size * size * 3)
ct, st = math.cos(lat0), math.sin(lat0)
for j in range(size):
    ny = (cy - j - 0.5) / radius
    for i in range(size):
        nx = (i + 0.5 - cx) / radius
        rr = nx * nx + ny * ny
        if rr > 1.0:
            continue
        z = math.sqrt(1.0 - rr)
        lat = math.asin(max(-1.0, min(1.0, ny * ct + z * st)))
        lon = lon0 + math.atan2(nx, z * ct - ny * st)
        u = ((lon / math.pi + 1.0) * w / 2.0 - 0.5) % w
        v = min(max((0.5 - lat / math.pi) * h - 0.5, 0.0), h - 1.0)
        u0, v0 = int(u), int(v)
        fu, fv = u - u0, v - v0
        u1, v1 = (u0 + 1) % w, min(v0 + 1, h - 1)
        shade = 0.45 + 0.55 * z ** 0.6
        o = (j * size + i) * 3
        for c in range(3):
            a = pix[(v0 * w + u0) * 3 + c] * (1 - fu) + pix[(v0 * w + u1) * 3 + c] * fu
            b = pix[(v1 * w + u0) * 3 + c] * (1 - fu) + pix[(v1 * w + u1) * 3 + c] * fu
            out[o + c] = min(255, int((a * (1 - fv) + b * fv) * shade + 0.5))
with open(dst, "wb") as f:
    f.write(b"P6\n%d %d\n255\n" % (size, size))
    f.write(out)
PY

# Sunlight from the upper left and a thin bright atmosphere at the rim.
convert -size ${size}x${size} xc:none \
    \( -size ${size}x${size} radial-gradient:"rgba(255,255,255,0.45)-rgba(255,255,255,0)" \
       -distort SRT "0.75 0 $((cx - 80)),$((cy - 90))" \) -composite "$work/light.png"
convert -size ${size}x${size} xc:black -fill white \
    -draw "circle $cx,$cy $((cx + radius)),$cy" "$work/mask.png"
convert "$work/globe_rgb.ppm" "$work/light.png" -compose screen -composite \
    "$work/mask.png" -alpha off -compose copyopacity -composite \
    -fill none -stroke "rgba(150,200,255,0.85)" -strokewidth 6 \
    -draw "circle $cx,$cy $((cx + radius - 2)),$cy" "$work/globe.png"

# The radio waves and the LED.
waves=()
for r in 68 100 132; do
    # an open arc of the circle of radius r round the LED, from -75 to -15 degrees,
    # as a polyline (ImageMagick 6 closes stroked arcs)
    arc=$(awk -v x="$lx" -v y="$ly" -v r="$r" 'BEGIN {
        for (k = 0; k <= 40; k++) {
            a = (-75 + 60 * k / 40) * 3.14159265 / 180
            printf "%.2f,%.2f ", x + r * cos(a), y + r * sin(a)
        } }')
    waves+=(-draw "stroke-linecap round stroke-linejoin round polyline $arc")
done
convert -size 80x80 radial-gradient:"rgb(255,200,170)-rgb(215,16,8)" \
    \( -size 80x80 xc:black -fill white -draw "circle 40,40 40,3" \) \
    -alpha off -compose copyopacity -composite "$work/lens.png"
convert "$work/globe.png" \
    -fill none -stroke "rgba(0,0,40,0.55)" -strokewidth 20 "${waves[@]}" \
    -stroke "rgb(255,205,70)" -strokewidth 12 "${waves[@]}" \
    -stroke none \
    \( -size 180x180 radial-gradient:"rgba(255,60,30,0.9)-rgba(255,60,30,0)" \) \
    -geometry +$((lx - 90))+$((ly - 90)) -compose over -composite \
    -fill "rgb(70,0,0)" -draw "circle $lx,$ly $((lx + 44)),$ly" \
    "$work/lens.png" -geometry +$((lx - 40))+$((ly - 40)) -compose over -composite \
    -fill "rgba(255,255,255,0.85)" -draw "ellipse $((lx - 12)),$((ly - 14)) 13,9 0,360" \
    "$work/icon512.png"

convert "$work/icon512.png" -filter Lanczos -resize 256x256 -strip \
    -define png:exclude-chunks=date,time "$out/halvion.png"
convert "$work/icon512.png" -filter Lanczos -resize 64x64 -strip \
    -define png:exclude-chunks=date,time "$out/halvion_64.png"
for px in 16 24 32 48 64 128 256 512; do
    mkdir -p "$out/hicolor/${px}x${px}/apps"
    convert "$work/icon512.png" -filter Lanczos -resize ${px}x${px} -strip \
        -define png:exclude-chunks=date,time "$out/hicolor/${px}x${px}/apps/halvion.png"
done
echo "wrote $out/halvion.png, $out/halvion_64.png and $out/hicolor/*/apps/halvion.png"
