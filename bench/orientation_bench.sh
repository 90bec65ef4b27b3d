#!/usr/bin/env bash
# Upright-photo benchmark: the export corpus (48 12-megapixel JPEGs, 2 x 2 per
# A4 page at 300 dpi) exported to JPEG pages with every photo tagged
# orientation 1 and with every photo tagged orientation 6, photos turned
# upright; and orientation 1 with the turning switched off, the way pages
# were drawn before. Each run three times; the best of three is the figure.
# Usage: orientation_bench.sh VELLORA EXPORT_TOOL WORKDIR
set -euo pipefail
vellora=$1 tool=$2 work=$3
export QT_QPA_PLATFORM=offscreen
export CUPS_SERVER=/nonexistent/vellora-bench.sock
# The switch comes from the command line, never from the user's settings.
export XDG_CONFIG_HOME="$work/orientation-config"
mkdir -p "$work" "$XDG_CONFIG_HOME"

# The same 48 photos as the export benchmark (without its Exif thumbnails,
# which a page export never reads), once per orientation.
for o in 1 6; do
    corpus="$work/orientation-corpus-$o"
    if [[ ! -f "$corpus/done" ]]; then
        echo "making the orientation $o corpus (once) in $corpus"
        rm -rf "$corpus"
        "$tool" corpus "$corpus" 48
        exiftool -q -overwrite_original -Make=Vellora -Model=Bench "-Orientation#=$o" "$corpus"/*.jpg
        touch "$corpus/done"
    fi
done

# Best of three: wall time, CPU time (user + system) and peak memory.
best() {
    local runs=()
    for _ in 1 2 3; do
        /usr/bin/time -f "%e %U %S %M" -o "$work/time.txt" "$@" >/dev/null 2>"$work/stderr.txt" || {
            cat "$work/stderr.txt" >&2
            return 1
        }
        runs+=("$(cat "$work/time.txt")")
    done
    printf '%s\n' "${runs[@]}" | awk '{ c = $2 + $3; if (NR == 1 || c < bc) { bw = $1; bc = c; bm = $4 } }
        END { printf "%7.2f s wall  %7.2f s cpu  %5.0f MB peak\n", bw, bc, bm / 1024 }'
}

out="$work/orientation-out"
rm -rf "$out" && mkdir -p "$out"
layout=(--paper A4 --grid 2x2 --margins 0 --spacing 0 --fit paper --dpi 300)
echo "48 photos, 2 x 2 per A4 page at 300 dpi (12 JPEG pages), best of 3:"
printf '  %-36s' "orientation 1, --exif-rotate off"
best "$vellora" --export jpeg --output "$out/off1" --exif-rotate off "${layout[@]}" "$work/orientation-corpus-1"
printf '  %-36s' "orientation 1, --exif-rotate on"
best "$vellora" --export jpeg --output "$out/on1" --exif-rotate on "${layout[@]}" "$work/orientation-corpus-1"
printf '  %-36s' "orientation 6, --exif-rotate on"
best "$vellora" --export jpeg --output "$out/on6" --exif-rotate on "${layout[@]}" "$work/orientation-corpus-6"
rm -rf "$out"
