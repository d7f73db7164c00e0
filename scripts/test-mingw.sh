#!/usr/bin/env bash
# The Windows build: the libraries without Qt and their unit tests, cross-built
# with MinGW-w64 and run under Wine (headless, in a throw-away prefix). The
# Windows serial backend also runs against the simulated device of the Linux
# build, which Wine maps to a COM name.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib.sh

step_start=$SECONDS
elapsed() { echo "$((SECONDS - step_start)) s"; }

ensure_packages cmake ninja-build ccache googletest g++-mingw-w64-x86-64-posix wine64

BUILD_DIR="${VANTREL_MINGW_BUILD_DIR:-build-mingw}"
if [ ! -f "$BUILD_DIR/build.ninja" ]; then
    cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64.cmake" -DVANTREL_PURE_ONLY=ON
fi
timeout 1500 cmake --build "$BUILD_DIR" -j "$(nproc)"
echo "mingw: cross build done after $(elapsed)"

WINE="$(command -v wine64 || true)"
[ -n "$WINE" ] || WINE=/usr/lib/wine/wine64
WINESERVER="$(dirname "$WINE")/wineserver"
[ -x "$WINESERVER" ] || WINESERVER="$(command -v wineserver || true)"

WINEPREFIX="$(mktemp -d "${TMPDIR:-/tmp}/vantrel-wine.XXXXXX")"
export WINEPREFIX WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
simdev_pid=""
cleanup() {
    if [ -n "$simdev_pid" ]; then kill "$simdev_pid" 2>/dev/null || true; fi
    # The server ends by itself a few seconds after its last client; killing it
    # makes it dump its objects on the terminal.
    if [ -n "$WINESERVER" ]; then
        timeout 30 "$WINESERVER" -w 2>/dev/null || "$WINESERVER" -k >/dev/null 2>&1 || true
    fi
    rm -rf "$WINEPREFIX"
}
trap cleanup EXIT

# Without a display Wine still creates its prefix; a failure here is Wine's, not ours.
if ! timeout 180 "$WINE" wineboot --init </dev/null >"$WINEPREFIX/wineboot.log" 2>&1; then
    cat "$WINEPREFIX/wineboot.log" >&2 || true
    echo "mingw: Wine could not start headless here: built only, tests not run ($(elapsed))"
    exit 0
fi
timeout 60 "$WINESERVER" -w || true
# A server of our own, whose output (an object dump as it ends) stays in the prefix.
"$WINESERVER" -p5 >"$WINEPREFIX/wineserver.log" 2>&1 || true

# The simulated device of the Linux build becomes COM5 inside Wine.
SIMDEV="${VANTREL_BUILD_DIR:-build}/vantrel-simdev"
if [ -x "$SIMDEV" ]; then
    "$SIMDEV" --link "$WINEPREFIX/simdev" </dev/null >"$WINEPREFIX/simdev.out" 2>&1 &
    simdev_pid=$!
    for _ in $(seq 100); do
        grep -q '^plugged' "$WINEPREFIX/simdev.out" 2>/dev/null && break
        sleep 0.1
    done
    if grep -q '^plugged' "$WINEPREFIX/simdev.out"; then
        ln -sfn "$WINEPREFIX/simdev" "$WINEPREFIX/dosdevices/com5"
        export VANTREL_TEST_COM=COM5
        echo "mingw: the simulated device is COM5 for the live port tests"
    else
        echo "mingw: the simulated device did not start; live port tests skipped" >&2
    fi
else
    echo "mingw: $SIMDEV not built; live port tests skipped" >&2
fi

echo "mingw: running unit_tests.exe under Wine ($("$WINE" --version 2>/dev/null || echo unknown))"
rc=0
(cd "$BUILD_DIR/tests" && timeout 600 "$WINE" ./unit_tests.exe --gtest_brief=1 </dev/null) || rc=$?
if [ "$rc" -eq 124 ]; then echo "mingw: unit tests timed out under Wine" >&2; fi
echo "mingw: done after $(elapsed), exit code $rc"
exit "$rc"
