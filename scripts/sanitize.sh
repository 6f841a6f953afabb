#!/usr/bin/env bash
# Builds the server link, the line's control channel and the whole program on spoiled server
# replies again with AddressSanitizer and UndefinedBehaviorSanitizer into ./build-asan and runs
# their tests there. Any memory error, undefined behaviour or leak fails the run.
#
#   scripts/sanitize.sh            (scripts/test.sh runs it after the ordinary tests)
set -euo pipefail
cd "$(dirname "$0")/.."

TARGETS=(tst_malformed_replies tst_linecontrol tst_foundation)
TESTS='^(app\.tst_malformed_replies|line\.tst_linecontrol|foundation\.tst_foundation)$'

flags="-O1 -g1 -fno-omit-frame-pointer -fsanitize=address,undefined -fno-sanitize-recover=all"
launcher=()
if command -v ccache >/dev/null; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
mkdir -p build-asan
log=build-asan/build.log
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=None "${launcher[@]}" \
  -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" \
  > "$log" 2>&1 || { cat "$log"; exit 1; }
cmake --build build-asan -j"$(nproc)" --target "${TARGETS[@]}" >> "$log" 2>&1 \
  || { tail -50 "$log"; exit 1; }

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS="detect_leaks=1:detect_stack_use_after_return=1:strict_string_checks=1"
export LSAN_OPTIONS="suppressions=$PWD/scripts/lsan-suppressions.txt:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
cd build-asan
ctest --output-on-failure -j2 --timeout 900 -R "$TESTS"
