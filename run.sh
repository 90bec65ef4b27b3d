#!/usr/bin/env bash
# Installs what is missing, builds a Release build when sources changed, and
# runs vellora with the given arguments.
set -euo pipefail
root=$(cd "$(dirname "$0")" && pwd)
"$root/scripts/install-deps.sh"
build="$root/build/release"
if [[ ! -f "$build/build.ninja" ]]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVELLORA_TESTS=OFF >/dev/null
fi
if ! out=$(cmake --build "$build" --target vellora 2>&1); then
    printf '%s\n' "$out" >&2
    exit 1
fi
exec "$build/app/vellora" "$@"
