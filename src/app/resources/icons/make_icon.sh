#!/usr/bin/env bash
# Writes the program's icon: the Fit button's glyph, three times its size, on a transparent
# 64 x 64 square. Needs ImageMagick. Run it from this folder: bash make_icon.sh
set -euo pipefail
convert ../glyphs/fit.xpm -transparent '#808000' -filter point -resize 300% \
  -gravity center -background none -extent 64x64 actinfit.png
