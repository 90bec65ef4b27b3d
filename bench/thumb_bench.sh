#!/usr/bin/env bash
# Thumbnail benchmark: 1,000 paths (hard links to the 48 export corpus photos)
# added to the image-list view the way the main window adds a folder, once
# with the photos' Exif thumbnails and once with them stripped, next to the
# floor of 1/8 JPEG decoding on all cores. Usage: thumb_bench.sh THUMB_TOOL
# EXPORT_TOOL WORKDIR
set -euo pipefail
tool=$1 export_tool=$2 work=$3
corpus="$work/export-corpus"
mkdir -p "$work"
export QT_QPA_PLATFORM=offscreen

# shellcheck source=corpus.sh
source "$(dirname "$0")/corpus.sh"
make_export_corpus "$export_tool" "$corpus"

links="$work/thumb-corpus"
if [[ ! -f "$links/done" ]]; then
    rm -rf "$links"
    mkdir -p "$links/exif" "$links/stripped" "$links/stripped-files"
    for f in "$corpus"/*.jpg; do
        exiftool -q -ThumbnailImage= -o "$links/stripped-files/$(basename "$f")" "$f"
    done
    photos=("$corpus"/*.jpg)
    for ((n = 0; n < 1000; n++)); do
        name=$(basename "${photos[n % ${#photos[@]}]}")
        ln "$corpus/$name" "$links/exif/$(printf 'P%04d_' "$n")$name"
        ln "$links/stripped-files/$name" "$links/stripped/$(printf 'P%04d_' "$n")$name"
    done
    touch "$links/done"
fi

echo "1,000 paths, main window settings (draft thumbnails of 160, worker threads), $(nproc) cores:"
printf '  %-26s' "with Exif thumbnails"; "$tool" --bench "$links/exif" 2>/dev/null
printf '  %-26s' "Exif thumbnails stripped"; "$tool" --bench "$links/stripped" 2>/dev/null
printf '  %-26s' "floor (1/8 decode)"
/usr/bin/time -f "%e %U %S %M" -o "$work/thumbfloor-time.txt" "$export_tool" thumbfloor "$links/stripped" >/dev/null 2>&1
awk '{ printf "%.2f s wall, %.2f s cpu, %.0f MB peak\n", $1, $2 + $3, $4 / 1024 }' "$work/thumbfloor-time.txt"
