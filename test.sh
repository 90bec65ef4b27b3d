#!/usr/bin/env bash
# Installs what is missing, builds everything with AddressSanitizer and
# UndefinedBehaviorSanitizer, starts what the tests need and runs all tests.
# Exits non-zero when any test fails.
set -euo pipefail
root=$(cd "$(dirname "$0")" && pwd)
"$root/scripts/install-deps.sh"
build="$root/build/test"
if [[ ! -f "$build/build.ninja" ]]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVELLORA_SANITIZE=ON >/dev/null
fi
cmake --build "$build"

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1
export LSAN_OPTIONS=suppressions=$root/scripts/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

# Services the tests talk to (a private print server) start here and stop on exit.
services="$root/scripts/test-services.sh"
if [[ -x "$services" ]]; then
    "$services" start "$build"
    trap '"$services" stop "$build"' EXIT
fi

cd "$build"
ctest --output-on-failure -j2 -LE 'benchmark|fuzz-long' "$@"
