#!/usr/bin/env bash
# Draws the program's pictures into resources/: the splash logo (249x82 JPEG),
# the about window's photograph (800x600 JPEG), the program icon (32x32 PNG;
# the .ico of 16 to 256) and the menu icon in the hicolor theme's usual sizes
# (resources/icons/hicolor/NxN/apps/sonterra.png, what install.sh copies).
# Same input, same bytes: safe to run again.
set -euo pipefail

convert=/usr/bin/convert
out="$(cd "$(dirname "$0")/.." && pwd)/resources"
font=/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf
[ -x "$convert" ] || { echo "make-artwork: $convert não encontrado (instale imagemagick)" >&2; exit 1; }
[ -r "$font" ] || { echo "make-artwork: fonte $font não encontrada" >&2; exit 1; }
mkdir -p "$out"

# No dates or tool names in the files, so reruns give the same bytes.
clean=(-strip -define png:exclude-chunks=date,time)

# Bell outline in a 100x100 box: crown, shoulders, flared lip, clapper.
bell_path='M 50,8 C 30,8 24,26 24,44 C 24,62 18,70 10,78 L 90,78 C 82,70 76,62 76,44 C 76,26 70,8 50,8 Z'

# Logo: deep blue band, a golden bell on the left, the product name.
"$convert" -size 249x82 gradient:'#0b2f4f'-'#021521' \
  \( -size 100x100 xc:none -fill '#f2c14e' -stroke '#7a5212' -strokewidth 3 \
     -draw "path '$bell_path'" -fill '#7a5212' -stroke none \
     -draw 'circle 50,86 50,78' -draw 'rectangle 45,2 55,10' \
     -resize 62x62 \) -geometry +10+10 -composite \
  -fill '#f6d76b' -draw 'rectangle 80,57 240,59' \
  -font "$font" -fill white -pointsize 20 -annotate +80+32 'Quorvel' \
  -fill '#f6d76b' -pointsize 20 -annotate +80+52 'Sonterra' \
  -fill '#8fb8d8' -font "$font" -pointsize 9 -annotate +80+72 'horários e sinais escolares' \
  "${clean[@]}" -quality 92 "$out/logo.jpg"

# Photograph: a school in the morning with its bell tower.
"$convert" -size 800x600 gradient:'#7fb7e8'-'#f3e3c0' \
  -fill '#fff3b0' -draw 'circle 640,120 640,70' \
  -fill '#ffffff' -draw 'ellipse 170,110 80,24 0,360' -draw 'ellipse 230,98 60,22 0,360' \
  -draw 'ellipse 470,170 70,18 0,360' \
  -fill '#5c9e4a' -draw 'rectangle 0,470 800,600' \
  -fill '#4b8a3c' -draw 'ellipse 120,480 220,40 180,360' -draw 'ellipse 700,485 200,35 180,360' \
  -fill '#c9694a' -draw 'rectangle 140,300 660,480' \
  -fill '#a9533a' -draw 'polygon 120,300 400,210 680,300' \
  -fill '#e9dcc4' -draw 'rectangle 340,170 460,480' \
  -fill '#8a3d2a' -draw 'polygon 325,170 400,95 475,170' \
  -fill '#3b2a20' -draw 'rectangle 362,190 438,270' \
  \( -size 100x100 xc:none -fill '#e2b23c' -stroke '#6b4a10' -strokewidth 3 \
     -draw "path '$bell_path'" -fill '#6b4a10' -stroke none -draw 'circle 50,86 50,78' \
     -resize 64x64 \) -geometry +368+196 -composite \
  -fill '#f7f0e0' -draw 'circle 400,320 400,290' -fill '#333333' \
  -stroke '#333333' -strokewidth 4 -draw 'line 400,320 400,298' -draw 'line 400,320 418,320' -stroke none \
  -fill '#dbe9f5' -stroke '#6b3a2a' -strokewidth 4 \
  -draw 'rectangle 180,340 260,400' -draw 'rectangle 540,340 620,400' \
  -draw 'rectangle 180,410 260,460' -draw 'rectangle 540,410 620,460' \
  -fill '#5a3324' -draw 'rectangle 370,390 430,480' -stroke none \
  -fill '#d8cdb8' -draw 'polygon 370,480 430,480 470,600 330,600' \
  -fill '#2f6b2a' -draw 'circle 80,430 80,370' -draw 'circle 730,425 730,370' \
  -fill '#5a3a1e' -draw 'rectangle 74,430 86,480' -draw 'rectangle 724,425 736,480' \
  -blur 0x0.6 "${clean[@]}" -quality 90 "$out/photo.jpg"

# Icon: a golden bell on a blue rounded square.
"$convert" -size 128x128 xc:none -fill '#0b4f7a' -draw 'roundrectangle 4,4 123,123 22,22' \
  \( -size 100x100 xc:none -fill '#f2c14e' -stroke '#5a3c0c' -strokewidth 4 \
     -draw "path '$bell_path'" -fill '#5a3c0c' -stroke none -draw 'circle 50,86 50,78' \
     -draw 'rectangle 45,2 55,10' -resize 96x96 \) -geometry +16+14 -composite \
  -resize 32x32 -depth 8 "${clean[@]}" "$out/sonterra.png"

# Menu icon: the same drawing made at 512x512 (four times the 128 box above,
# stroke included) and scaled down, so every size is sharp.
master=$(mktemp --suffix=.png)
trap 'rm -f "$master"' EXIT
"$convert" -size 512x512 xc:none -fill '#0b4f7a' -draw 'roundrectangle 16,16 495,495 88,88' \
  \( -size 400x400 xc:none -fill '#f2c14e' -stroke '#5a3c0c' -strokewidth 4 \
     -draw "affine 4,0,0,4,0,0 path '$bell_path'" -fill '#5a3c0c' -stroke none \
     -draw 'affine 4,0,0,4,0,0 circle 50,86 50,78' \
     -draw 'affine 4,0,0,4,0,0 rectangle 45,2 55,10' -resize 384x384 \) \
  -geometry +64+56 -composite "${clean[@]}" "$master"
for size in 16 22 24 32 48 64 128 256 512; do
  dir=$out/icons/hicolor/${size}x${size}/apps
  mkdir -p "$dir"
  "$convert" "$master" -resize "${size}x${size}" -depth 8 "${clean[@]}" "$dir/sonterra.png"
done
# The icon in the .exe holds each size Windows shows: 16, 32, 48 and 256.
"$convert" "$out"/icons/hicolor/{16x16,32x32,48x48,256x256}/apps/sonterra.png "${clean[@]}" "$out/sonterra.ico"

echo "make-artwork: logo.jpg photo.jpg sonterra.png sonterra.ico icons/hicolor em $out"
