# Sourced by the benchmark scripts: the export corpus, made once per work
# folder and shared by them. 48 deterministic 4000 × 3000 JPEGs from
# `export_tool corpus`, each given Make, Model, DateTimeOriginal, Orientation
# and a 160 × 120 Exif thumbnail, as a camera writes them.
# Usage: make_export_corpus EXPORT_TOOL FOLDER
make_export_corpus() {
    local tool=$1 corpus=$2 i=0 f
    [[ -f "$corpus/done" ]] && return 0
    echo "making the corpus (once) in $corpus"
    rm -rf "$corpus"
    "$tool" corpus "$corpus" 48
    for f in "$corpus"/*.jpg; do
        i=$((i + 1))
        /usr/bin/convert "$f" -thumbnail 160x120 "$corpus/thumb.jpg"
        exiftool -q -overwrite_original -Make=Vellora -Model=Bench \
            "-DateTimeOriginal=2024:05:$(printf %02d $((i % 28 + 1))) 10:00:00" -Orientation#=1 \
            "-ThumbnailImage<=$corpus/thumb.jpg" "$f"
    done
    rm -f "$corpus/thumb.jpg"
    touch "$corpus/done"
}
