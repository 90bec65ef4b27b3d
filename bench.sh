#!/usr/bin/env bash
# Builds and runs the benchmarks (Release build); not part of ./test.sh.
set -euo pipefail
root=$(cd "$(dirname "$0")" && pwd)
"$root/scripts/install-deps.sh"
build="$root/build/bench"
if [[ ! -f "$build/build.ninja" ]]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVELLORA_TESTS=ON >/dev/null
fi
cmake --build "$build" --target benchmarks vellora
cd "$build"
ctest --output-on-failure -L benchmark "$@"
