#!/usr/bin/env bash
# Helpers shared by the set-up and test steps.

# What ./run needs to build and start the program and the simulated device.
RUN_PACKAGES=(cmake ninja-build g++ ccache qt6-base-dev libgl-dev fonts-dejavu-core fonts-symbola)
# What ./test adds: GoogleTest, clang for fuzzing, the sanitizer runtimes, the
# MinGW cross compiler and Wine, the desktop-entry tools of the install check,
# libmodbus for talking Modbus to the simulated device.
TEST_PACKAGES=(libgtest-dev googletest pkg-config libmodbus-dev clang-14 libclang-rt-14-dev
    libasan8 libubsan1 g++-mingw-w64-x86-64-posix wine64 desktop-file-utils libglib2.0-bin ser2net)

# ensure_packages PKG...: installs the Debian packages that are missing, as
# root or through sudo; otherwise says which ones and fails.
ensure_packages() {
    local missing=() p
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    local sudo=()
    if [ "$(id -u)" -ne 0 ]; then
        if ! command -v sudo >/dev/null 2>&1; then
            echo "Missing packages: ${missing[*]}" >&2
            echo "run this once as root: apt-get install ${missing[*]}" >&2
            exit 1
        fi
        sudo=(sudo)
    fi
    echo "Installing: ${missing[*]}"
    # apt's progress goes to a log that is shown only when something fails.
    local log rc=0
    log="$(mktemp)"
    if [ -z "${VANTREL_APT_UPDATED:-}" ]; then
        "${sudo[@]}" apt-get update -qq > "$log" 2>&1 || rc=$?
        export VANTREL_APT_UPDATED=1
    fi
    if [ "$rc" -eq 0 ]; then
        DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends \
            "${missing[@]}" > "$log" 2>&1 || rc=$?
    fi
    [ "$rc" -eq 0 ] || cat "$log" >&2
    rm -f "$log"
    return "$rc"
}
