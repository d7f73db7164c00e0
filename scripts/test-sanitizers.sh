#!/usr/bin/env bash
# The test suite once more, built with AddressSanitizer and
# UndefinedBehaviorSanitizer in a build directory of its own.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib.sh

ensure_packages cmake ninja-build g++ ccache qt6-base-dev libgl-dev libgtest-dev fonts-dejavu-core \
    libasan8 libubsan1

BUILD_DIR="${VANTREL_ASAN_BUILD_DIR:-build-asan}"
start=$(date +%s)
if [ ! -f "$BUILD_DIR/build.ninja" ]; then
    cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVANTREL_SANITIZE=ON
fi
cmake --build "$BUILD_DIR" -j "$(nproc)"
built=$(date +%s)

# Every process of the run (tests, the program they start, the simulated
# device) writes its AddressSanitizer and leak reports here, so a finding in a
# child process whose exit its test does not check still fails the step. (GCC's
# combined runtime prints UB reports on stderr only; UB stops the process.)
REPORTS="$(pwd)/$BUILD_DIR/sanitizer-reports"
rm -rf "$REPORTS"
mkdir -p "$REPORTS"
export ASAN_OPTIONS="detect_leaks=1:halt_on_error=1:log_path=$REPORTS/asan"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export LSAN_OPTIONS="suppressions=$(pwd)/tests/lsan.supp:print_suppressions=0"
export QT_QPA_PLATFORM=offscreen

status=0
(cd "$BUILD_DIR" && ctest --output-on-failure -j 2 --timeout 600) || status=$?

shopt -s nullglob
reports=("$REPORTS"/*)
if [ ${#reports[@]} -gt 0 ]; then
    for r in "${reports[@]}"; do
        echo "---- $r"
        cat "$r"
    done
    echo "Sanitizer reports: ${#reports[@]}" >&2
    status=1
fi
echo "Sanitizer step: build $((built - start)) s, tests $(($(date +%s) - built)) s"
exit $status
