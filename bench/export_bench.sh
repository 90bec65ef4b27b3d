#!/usr/bin/env bash
# Export benchmark: 48 camera-like 12-megapixel JPEGs (with Exif thumbnails)
# laid out 2 x 2 per A4 page at 300 dpi, exported to a PDF and to JPEG files,
# side by side with ImageMagick's montage on the same layout and with the
# libjpeg-turbo floor on every core (scaled decoding plus page encoding),
# measured in the same run; the ratios to the floor are printed. Then PDF
# exports of 480 and 1,000 photos for time per photo and peak memory.
# Usage: export_bench.sh VELLORA EXPORT_TOOL WORKDIR
# BENCH_MONTAGE=0 leaves out montage (80 s on two cores).
set -euo pipefail
vellora=$1 tool=$2 work=$3
corpus="$work/export-corpus"
mkdir -p "$work"
export QT_QPA_PLATFORM=offscreen
# The run must not depend on printers: export on the in-memory printing service.
export CUPS_SERVER=/nonexistent/vellora-bench.sock

# shellcheck source=corpus.sh
source "$(dirname "$0")/corpus.sh"
make_export_corpus "$tool" "$corpus"

# Prints wall time, CPU time (user + system: steadier than wall time on a
# shared machine) and peak resident memory of a command.
measure() {
    /usr/bin/time -f "%e %U %S %M" -o "$work/time.txt" "$@" >/dev/null 2>"$work/stderr.txt" || {
        cat "$work/stderr.txt" >&2
        return 1
    }
    awk '{ printf "%7.2f s wall  %7.2f s cpu  %5.0f MB peak\n", $1, $2 + $3, $4 / 1024 }' "$work/time.txt"
}

# Prints wall time, CPU time and peak memory like measure, and keeps the
# wall and CPU seconds in the named variables.
measureInto() {
    local wallVar=$1 cpuVar=$2
    shift 2
    measure "$@" || return 1
    read -r wall user sys _ <"$work/time.txt"
    printf -v "$wallVar" '%s' "$wall"
    printf -v "$cpuVar" '%s' "$(awk -v u="$user" -v s="$sys" 'BEGIN { print u + s }')"
}
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }

out="$work/export-out"
rm -rf "$out" && mkdir -p "$out"
layout=(--paper A4 --grid 2x2 --margins 0 --spacing 0 --fit paper --dpi 300)
cores=$(nproc)
echo "48 photos, 2 x 2 per A4 page at 300 dpi (12 pages), $cores cores:"
printf '  %-34s' "vellora --export pdf";  measureInto pdfWall pdfCpu "$vellora" --export pdf --output "$out/album" "${layout[@]}" "$corpus"
printf '  %-34s' "vellora --export pdf --pdf-mode vector"; measureInto vectorWall vectorCpu "$vellora" --export pdf --pdf-mode vector --output "$out/vector" "${layout[@]}" "$corpus"
printf '  %-34s' "vellora --export jpeg"; measureInto jpegWall jpegCpu "$vellora" --export jpeg --output "$out/page" "${layout[@]}" "$corpus"
# One montage call per page: montage holds every input at full size in its
# pixel cache (about 96 MB per photo), so 48 photos in one call overrun the
# resource limits of the stock ImageMagick policy. Per page is the cheaper
# run for montage anyway.
montagePages() {
    local photos=("$corpus"/*.jpg) page=0
    for ((i = 0; i < ${#photos[@]}; i += 4)); do
        /usr/bin/montage "${photos[@]:i:4}" -tile 2x2 -geometry 1240x1754+0+0 -density 300 -quality 90 \
            "$out/montage_$page.jpg" || return 1
        page=$((page + 1))
    done
}
export -f montagePages
export corpus out
if [[ "${BENCH_MONTAGE:-1}" != 0 ]]; then
    printf '  %-34s' "montage (JPEG pages)"; measure bash -c montagePages
fi
printf '  %-34s' "libjpeg-turbo floor ($cores threads)"; measureInto floorWall floorCpu "$tool" floor "$corpus" 300 "$cores"
printf '  %-34s' "libjpeg-turbo floor (1 thread)"; measure "$tool" floor "$corpus" 300 1
echo "against the floor on $cores cores (goal: at most 1.5):"
printf '  %-34s %s wall  %s cpu\n' "vellora --export pdf" "$(ratio "$pdfWall" "$floorWall")" "$(ratio "$pdfCpu" "$floorCpu")"
printf '  %-34s %s wall  %s cpu\n' "vellora --export jpeg" "$(ratio "$jpegWall" "$floorWall")" "$(ratio "$jpegCpu" "$floorCpu")"
echo "vector PDF against the raster PDF of the same run (goals: at most 0.25 of the time, 1.05 of the photos' bytes):"
printf '  %-34s %s wall  %s cpu\n' "time" "$(ratio "$vectorWall" "$pdfWall")" "$(ratio "$vectorCpu" "$pdfCpu")"
photoBytes=$(cat "$corpus"/*.jpg | wc -c)
printf '  %-34s %s of %s bytes of photos (raster PDF: %s)\n' "size" \
    "$(ratio "$(stat -c %s "$out/vector.pdf")" "$photoBytes")" "$photoBytes" "$(ratio "$(stat -c %s "$out/album.pdf")" "$photoBytes")"

# Longer runs: the corpus over and over (the photos are decoded each time
# they are placed). Time per photo stays put and memory flat when nothing
# grows faster than the number of photos.
echo "longer PDF exports (time per photo, peak memory):"
photos=("$corpus"/*.jpg)
for count in 480 1000; do
    list=()
    while ((${#list[@]} < count)); do
        list+=("${photos[@]:0:$((count - ${#list[@]}))}")
    done
    printf '  %-34s' "$count photos ($((count / 4)) pages)"
    measureInto longWall longCpu "$vellora" --export pdf --output "$out/long" "${layout[@]}" -- "${list[@]}"
    printf '  %-34s %s ms wall  %s ms cpu per photo\n' "" \
        "$(awk -v t="$longWall" -v n="$count" 'BEGIN { printf "%.0f", t * 1000 / n }')" \
        "$(awk -v t="$longCpu" -v n="$count" 'BEGIN { printf "%.0f", t * 1000 / n }')"
    rm -f "$out/long.pdf"
done
rm -rf "$out"
