#!/usr/bin/env bash
# Builds Halvion with AddressSanitizer and UndefinedBehaviorSanitizer in ./build-sanitize
# (Debug, incrementally after the first time) and runs every test under them, headless,
# with a German locale so that a comma decimal separator is in force. The first memory
# error or undefined behaviour ends the test program that met it, and so fails the run.
# Leak checking is off: Qt's and the libraries' one-time allocations are not our leaks.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh

locale_name=de_DE.UTF-8
if ! locale -a 2>/dev/null | grep -qix 'de_DE\.utf-\?8'; then
    echo "test_sanitized.sh: the $locale_name locale is not generated (scripts/setup.sh does it)" >&2
    exit 1
fi

flags="-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer"
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=Debug "${launcher[@]}" \
    -DCMAKE_CXX_FLAGS="$flags" \
    -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" \
    -DCMAKE_SHARED_LINKER_FLAGS="-fsanitize=address,undefined" \
    -DHALVION_TEST_TIMEOUT=600 >/dev/null
cmake --build build-sanitize -j"$(nproc)"

export QT_QPA_PLATFORM=offscreen
export LANG=$locale_name LC_ALL=$locale_name
export ASAN_OPTIONS=detect_leaks=0:halt_on_error=1:detect_stack_use_after_return=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
ctest --test-dir build-sanitize --output-on-failure --no-tests=error -j"$(nproc)"
