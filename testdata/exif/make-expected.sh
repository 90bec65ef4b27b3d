#!/usr/bin/env bash
# Records exiftool's answers for the sample photos, once, into
# expected.json (tags as exiftool reads them) and thumbnails.txt (the pixel
# size of each embedded thumbnail: "path width height"). The Exif reader's
# tests compare against these files. Run it again when the photos change:
#   testdata/exif/make-expected.sh [PHOTOS_DIR]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
photos=${1:-$here/../../../shared/photos}
cd "$photos"
exiftool -j -n -G1 -r -ext jpg \
    -ExifIFD:DateTimeOriginal -ExifIFD:SubSecTimeOriginal -IFD0:Orientation \
    -IFD0:ImageDescription -ExifIFD:UserComment -File:ImageWidth -File:ImageHeight \
    -IFD1:Compression -IFD1:ThumbnailOffset -IFD1:ThumbnailLength -ExifByteOrder \
    . | sed 's|"SourceFile": "\./|"SourceFile": "|' >"$here/expected.json"
tmp=$(mktemp)
trap 'rm -f "$tmp"' EXIT
: >"$here/thumbnails.txt"
find . -name '*.jpg' | sed 's|^\./||' | sort | while read -r f; do
    if exiftool -b -IFD1:ThumbnailImage "$f" >"$tmp" && [[ -s "$tmp" ]]; then
        exiftool -p '$ImageWidth $ImageHeight' "$tmp" | sed "s|^|$f |" >>"$here/thumbnails.txt"
    fi
done
