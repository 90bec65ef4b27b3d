#!/usr/bin/env bash
# Colour management benchmark: the export corpus (48 12-megapixel JPEGs, 2 x 2
# per A4 page at 300 dpi) exported to JPEG pages untagged and with every photo
# tagged with an Adobe RGB profile (colord's, 18 KB, the same stored pixels),
# colour management on for both, in the same run; then the same pages with
# colour management off, the way pages were drawn before. Each run three
# times, alternating; the best of three is the figure. Then thumbnails of
# 1,000 paths of each corpus (Exif thumbnails stripped, so every photo is
# decoded and converted). BENCH_FLOOR_ONLY=1 stops after the export floor,
# which needs only EXPORT_TOOL. Usage: color_bench.sh VELLORA THUMB_TOOL EXPORT_TOOL WORKDIR
set -euo pipefail
vellora=$1 thumbs=$2 tool=$3 work=$4
export QT_QPA_PLATFORM=offscreen
export CUPS_SERVER=/nonexistent/vellora-bench.sock
# The switch comes from the command line, never from the user's settings.
export XDG_CONFIG_HOME="$work/color-config"
mkdir -p "$work" "$XDG_CONFIG_HOME"
profile=/usr/share/color/icc/colord/AdobeRGB1998.icc

# shellcheck source=corpus.sh
source "$(dirname "$0")/corpus.sh"
make_export_corpus "$tool" "$work/export-corpus"

plain="$work/color-corpus-plain" tagged="$work/color-corpus-tagged"
if [[ ! -f "$tagged/done" ]]; then
    echo "making the tagged corpus (once) in $tagged"
    rm -rf "$plain" "$tagged"
    mkdir -p "$plain" "$tagged"
    for f in "$work/export-corpus"/*.jpg; do
        exiftool -q -ThumbnailImage= -o "$plain/$(basename "$f")" "$f"
        exiftool -q "-ICC_Profile<=$profile" -o "$tagged/$(basename "$f")" "$plain/$(basename "$f")"
    done
    touch "$tagged/done"
fi

# Runs of the commands in turn, three rounds; prints the best (least CPU)
# of each as "label: wall cpu peak" and keeps its CPU seconds in cpu_<n>.
rounds() {
    local n
    for round in 1 2 3; do
        n=0
        for cmd in "$@"; do
            n=$((n + 1))
            # shellcheck disable=SC2086
            /usr/bin/time -f "%e %U %S %M" -o "$work/time.txt" $cmd >/dev/null 2>"$work/stderr.txt" || {
                cat "$work/stderr.txt" >&2
                return 1
            }
            read -r wall user sys peak <"$work/time.txt"
            cpu=$(awk -v u="$user" -v s="$sys" 'BEGIN { print u + s }')
            best="best_$n"
            if [[ $round == 1 ]] || awk -v a="$cpu" -v b="${!best%% *}" 'BEGIN { exit !(a < b) }'; then
                printf -v "best_$n" '%s %s %s' "$cpu" "$wall" "$peak"
            fi
        done
    done
}

# The decode-and-encode floor of the export (scaled decoding of every photo
# at its cell's reduction plus page encoding, one thread), where the
# conversion's share is largest: an upper bound of its cost in a real export.
# CPU time (user + system) rather than wall time: steady on a shared machine.
echo "export floor (decode + page encode), 1 thread, best of 3 (CPU seconds):"
floorBest() {
    local best=""
    for _ in 1 2 3; do
        /usr/bin/time -f "%U %S" -o "$work/floor-time.txt" "$tool" floor "$1" 300 1 >/dev/null 2>&1
        t=$(awk '{ print $1 + $2 }' "$work/floor-time.txt")
        if [[ -z $best ]] || awk -v a="$t" -v b="$best" 'BEGIN { exit !(a < b) }'; then best=$t; fi
    done
    echo "$best"
}
floorPlain=$(floorBest "$plain")
floorTagged=$(floorBest "$tagged")
floorOff=$(VELLORA_BENCH_COLOR_MANAGE=0 floorBest "$tagged")
printf '  %-40s %s\n' "untagged" "$floorPlain" "Adobe RGB tagged" "$floorTagged" "tagged, colour management off" "$floorOff"
echo "  tagged / untagged: $(awk -v a="$floorTagged" -v b="$floorPlain" 'BEGIN { printf "%.3f", a / b }')"
[[ "${BENCH_FLOOR_ONLY:-0}" == 1 ]] && exit 0

out="$work/color-out"
rm -rf "$out" && mkdir -p "$out"
layout="--paper A4 --grid 2x2 --margins 0 --spacing 0 --fit paper --dpi 300"
rounds "$vellora --export jpeg --output $out/plain --color-manage on $layout $plain" \
       "$vellora --export jpeg --output $out/tagged --color-manage on $layout $tagged" \
       "$vellora --export jpeg --output $out/off --color-manage off $layout $plain"
echo "48 photos, 2 x 2 per A4 page at 300 dpi (12 JPEG pages), best of 3:"
show() { read -r c w p <<<"$2"; printf '  %-40s %7.2f s wall  %7.2f s cpu  %5.0f MB peak\n' "$1" "$w" "$c" "$((p / 1024))"; }
show "untagged, colour management on" "$best_1"
show "Adobe RGB tagged, colour management on" "$best_2"
show "untagged, colour management off" "$best_3"
ratio() { awk -v a="${1%% *}" -v b="${2%% *}" 'BEGIN { printf "%.3f", a / b }'; }
wallRatio() { awk -v a="$(cut -d' ' -f2 <<<"$1")" -v b="$(cut -d' ' -f2 <<<"$2")" 'BEGIN { printf "%.3f", a / b }'; }
echo "  tagged / untagged (goal: at most 1.05): $(ratio "$best_2" "$best_1") cpu  $(wallRatio "$best_2" "$best_1") wall"
echo "  untagged on / off:                      $(ratio "$best_1" "$best_3") cpu  $(wallRatio "$best_1" "$best_3") wall"

links="$work/color-thumbs"
if [[ ! -f "$links/done" ]]; then
    rm -rf "$links"
    mkdir -p "$links/plain" "$links/tagged"
    photos=("$plain"/*.jpg)
    for ((n = 0; n < 1000; n++)); do
        name=$(basename "${photos[n % ${#photos[@]}]}")
        ln "$plain/$name" "$links/plain/$(printf 'P%04d_' "$n")$name"
        ln "$tagged/$name" "$links/tagged/$(printf 'P%04d_' "$n")$name"
    done
    touch "$links/done"
fi
echo "thumbnails of 1,000 photos (no Exif thumbnails: every photo decoded), colour management on:"
# Two runs of each, alternating; the less CPU of the two is the figure.
thumbPlain="" thumbTagged=""
for _ in 1 2; do
    for kind in plain tagged; do
        line=$("$thumbs" --bench "$links/$kind" 2>/dev/null)
        label=untagged
        [[ $kind == tagged ]] && label="Adobe RGB tagged"
        printf '  %-26s%s\n' "$label" "$line"
        cpu=$(sed -n 's/.* \([0-9.]*\) s cpu.*/\1/p' <<<"$line")
        var="thumb${kind^}"
        if [[ -z ${!var} ]] || awk -v a="$cpu" -v b="${!var}" 'BEGIN { exit !(a < b) }'; then
            printf -v "$var" '%s' "$cpu"
        fi
    done
done
echo "  tagged / untagged (goal: at most 1.10): $(awk -v a="$thumbTagged" -v b="$thumbPlain" 'BEGIN { printf "%.3f", a / b }') cpu"
echo "summary: export tagged / untagged $(ratio "$best_2" "$best_1") cpu (goal 1.05);" \
    "thumbnails tagged / untagged $(awk -v a="$thumbTagged" -v b="$thumbPlain" 'BEGIN { printf "%.3f", a / b }') cpu (goal 1.10)"
