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
ctest --output-on-failure -j2 -LE 'benchmark|fuzz-long|package' "$@"

# Once more with a comma as the decimal separator: numbers in files and PDF
# output must not follow the user's locale.
if ! locale -a 2>/dev/null | grep -qix 'de_DE.utf8'; then
    localedef -i de_DE -c -f UTF-8 de_DE.UTF-8 >/dev/null 2>&1 || true
fi
if locale -a 2>/dev/null | grep -qix 'de_DE.utf8'; then
    echo "== again under LC_ALL=de_DE.UTF-8"
    LC_ALL=de_DE.UTF-8 ctest --output-on-failure -j2 -LE 'benchmark|fuzz-long|no-locale-rerun|package' "$@"
else
    echo "de_DE.UTF-8 locale not available; skipping the second locale run" >&2
fi
