#!/bin/sh
# Regenerates the background pictures of the sample skin (ImageMagick). One picture per screen
# size folder, and the fallback that lies beside the setup program.
set -e
cd "$(dirname "$0")"
make() {  # size, output
  convert -font DejaVu-Sans -size "$1" gradient:'#0b1f3a-#1d5a8c' \
    -fill '#ffffff' -gravity center -pointsize "$3" -annotate +0-40 'ZKT 7.1 USB Audio' \
    -fill '#9fc7e8' -pointsize "$4" -annotate +0+30 "$5" -strip "$2"
}
make 1920x1080 1920x1080/Background.png 96 36 '1920 x 1080'
make 1366x768 1366x768/Background.png 72 28 '1366 x 768'
make 960x540 960x540/Background.png 48 20 '960 x 540'
make 800x600 ../Background.png 48 20 'ZKT Audio Setup'
