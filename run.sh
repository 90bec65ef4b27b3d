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
cmake --build "$build" --target vellora -- --quiet >&2 || cmake --build "$build" --target vellora >&2
exec "$build/app/vellora" "$@"
