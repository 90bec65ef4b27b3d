#!/usr/bin/env bash
# Main window benchmark with the camera-like photos: makes the export
# corpus once (48 JPEGs of 4000 × 3000 with Exif data and thumbnails, as the
# export and thumbnail benchmarks do), then runs main_window_bench on it.
# Usage: main_window_bench.sh MAIN_WINDOW_BENCH EXPORT_TOOL WORKDIR
set -euo pipefail
bench=$1 export_tool=$2 work=$3
corpus="$work/export-corpus"
mkdir -p "$work"
export QT_QPA_PLATFORM=offscreen

# shellcheck source=corpus.sh
source "$(dirname "$0")/corpus.sh"
make_export_corpus "$export_tool" "$corpus"

# The embedded document needs about 2.2 GB of scratch space for a moment.
avail=$(df -Pk "$work" | awk 'NR == 2 { print $4 }')
if ((avail < 4 * 1024 * 1024)); then
    echo "main_window_bench.sh: less than 4 GB free in $work" >&2
    exit 1
fi
# A run killed midway leaves its scratch folder behind.
rm -rf "$work"/main-window-??????
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
"$bench" "$work" - "$corpus" 2>/dev/null
