#!/usr/bin/env bash
# Pictures of the user guide, made by the program itself: the window tests
# render every window and dialog into the build folder, and this script
# copies the ones the guide shows into docs/guide/images. Run it after a
# window changes and commit the pictures.
#
#   scripts/guide-shots.sh [BUILD_DIR]        (default build/test)
#
# The Japanese pictures come from the window tests; the English ones, in
# images/en, from the English window tests (the same windows with the English
# translation). The English guide shows a Japanese picture where no English
# one is listed below.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/test}
images=${IMAGES_DIR:-$root/docs/guide/images}
export LANG=ja_JP.UTF-8
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0}

if [[ ! -f "$build/build.ninja" ]]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug >/dev/null
fi
cmake --build "$build" --target vellora_window_tests vellora_layout_tests vellora_designer_tests \
    vellora_print_window_tests vellora_english_tests >/dev/null

# The print dialog and the preview show the test print server's printers.
services="$root/scripts/test-services.sh"
"$services" start "$build" >/dev/null
trap '"$services" stop "$build" >/dev/null' EXIT

# A failing test is reported but does not stop the pictures: each picture is
# checked for below.
run() { "$@" >/dev/null 2>&1 || echo "guide-shots: some tests of ${1##*/} failed" >&2; }
run "$build/app/vellora_window_tests"
run "$build/app/layout/vellora_layout_tests"
run "$build/app/designer/vellora_designer_tests"
run "$build/app/print/vellora_print_window_tests"
run "$build/app/vellora_english_tests"

# guide picture            rendered by the tests
pictures=(
    main-window.png        render/frmMain-badges.png
    main-details.png       render/frmMain-details.png
    comment-dialog.png     render/frmComment.png
    order-dialog.png       render/frmOrder.png
    image-viewer.png       render/frmImagePrev.png
    layout-paper.png       dialogs/frmLayout_page1.png
    layout-basic.png       dialogs/frmLayout_page2.png
    layout-areas.png       dialogs/frmLayout_page3.png
    background-dialog.png  dialogs/frmBackground_frame.png
    text-area-dialog.png   dialogs/frmPropText_page1.png
    designer.png           designer/designer_paper_mode.png
    print-dialog.png       render/frmPrint.png
    printer-options.png    render/dlgPrinter-options-VelloraColor.png
    color-profile.png      render/dlgPrinter-color-profile.png
    print-preview.png      render/frmPrev-fit-width.png
    export-dialog.png      render/frmExport.png
    options-dialog.png     render/frmOption.png
    document-type.png      render/dlgSaveType.png
    plugins.png            render/grpPlugins.png
)
mkdir -p "$images"
for ((i = 0; i < ${#pictures[@]}; i += 2)); do
    from="$build/${pictures[i + 1]}"
    [[ -f "$from" ]] || { echo "guide-shots: $from was not rendered" >&2; exit 1; }
    cp "$from" "$images/${pictures[i]}"
done

# English guide picture    rendered by the English window tests
english=(
    main-window.png        renders-en/frmMain.png
    comment-dialog.png     renders-en/frmComment.png
    order-dialog.png       renders-en/frmOrder.png
    image-viewer.png       renders-en/frmImagePrev.png
    layout-paper.png       renders-en/frmLayout_page1.png
    layout-basic.png       renders-en/frmLayout_page2.png
    layout-areas.png       renders-en/frmLayout_page3.png
    text-area-dialog.png   renders-en/frmPropText_page1.png
    designer.png           renders-en/frmDesigner.png
    print-dialog.png       renders-en/frmPrint.png
    export-dialog.png      renders-en/frmExport.png
    options-dialog.png     renders-en/frmOption.png
)
mkdir -p "$images/en"
for ((i = 0; i < ${#english[@]}; i += 2)); do
    from="$build/${english[i + 1]}"
    [[ -f "$from" ]] || { echo "guide-shots: $from was not rendered" >&2; exit 1; }
    cp "$from" "$images/en/${english[i]}"
done
echo "guide-shots: $(( ${#pictures[@]} / 2 )) pictures in $images, $(( ${#english[@]} / 2 )) in $images/en"
