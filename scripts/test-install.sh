#!/usr/bin/env bash
# Installing and packaging: `cmake --install` into a temporary prefix, the menu
# entry started the way a desktop starts it, and the .deb that CPack makes.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib.sh
# desktop-file-validate; gio starts a menu entry as the desktop does
ensure_packages desktop-file-utils libglib2.0-bin

BUILD_DIR="$(cd "${VANTREL_BUILD_DIR:-build}" && pwd)"
WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# A scripted run that starts, waits a little and closes the window normally.
printf 'wait 300\nclose\n' > "$WORK/close.vts"

# PNG width and height from the IHDR chunk, as "WxH".
png_size() {
    local b
    read -r -a b < <(od -An -tu1 -j16 -N8 "$1")
    echo "$(( (b[0] << 24) + (b[1] << 16) + (b[2] << 8) + b[3] ))x$(( (b[4] << 24) + (b[5] << 16) + (b[6] << 8) + b[7] ))"
}

# The files of an installed tree under $1 (a prefix such as /usr).
check_tree() {
    local root="$1" f dir
    for f in bin/vantrel bin/vantrel-simdev; do
        [ -x "$root/$f" ] || fail "$f missing or not executable in $root"
    done
    [ -f "$root/share/applications/vantrel.desktop" ] || fail "menu entry missing in $root"
    [ -f "$root/share/icons/hicolor/scalable/apps/vantrel.svg" ] || fail "scalable icon missing in $root"
    local pngs=0
    for f in "$root"/share/icons/hicolor/*x*/apps/vantrel.png; do
        [ -f "$f" ] || continue
        pngs=$((pngs + 1))
        dir="$(basename "$(dirname "$(dirname "$f")")")"
        [ "$(png_size "$f")" = "$dir" ] || fail "icon $f is $(png_size "$f"), its folder says $dir"
    done
    [ "$pngs" -ge 1 ] && [ -f "$root/share/icons/hicolor/48x48/apps/vantrel.png" ] ||
        fail "no 48x48 PNG icon in $root"
}

echo "-- cmake --install"
cmake --install "$BUILD_DIR" --prefix "$WORK/prefix" > "$WORK/install.log" || {
    cat "$WORK/install.log"
    fail "cmake --install"
}
check_tree "$WORK/prefix"
desktop-file-validate --no-hints "$WORK/prefix/share/applications/vantrel.desktop" || fail "menu entry does not validate"

echo "-- the menu entry, started by gio"
# The launched program keeps the pipe open until it ends, so `cat` waits for it;
# timeout ends the whole process group, the program included, should it hang.
mkdir -p "$WORK/home" "$WORK/elsewhere"
if ! (cd "$WORK/elsewhere" && HOME="$WORK/home" PATH="$WORK/prefix/bin:$PATH" QT_QPA_PLATFORM=offscreen \
        VANTREL_AUTOTEST="$WORK/close.vts" timeout 60 \
        sh -c 'gio launch "$1" 2>&1 | cat' sh "$WORK/prefix/share/applications/vantrel.desktop" \
        > "$WORK/launch.log" 2>&1); then
    fail "gio launch of the menu entry"
fi
grep -q '^vantrel: script: close' "$WORK/launch.log" || fail "the menu entry did not run the program to its close"
data="$WORK/home/.local/share/vantrel"
for f in CmdConfig OldCmd ConfigTerminal; do
    [ -s "$data/$f" ] || fail "started from the menu, the program left no $f in ~/.local/share/vantrel"
done
[ -z "$(ls -A "$WORK/elsewhere")" ] || fail "started from the menu, the program wrote into the launcher's folder"

echo "-- cpack -G DEB"
cpack -G DEB --config "$BUILD_DIR/CPackConfig.cmake" -B "$WORK/pkg" > "$WORK/cpack.log" 2>&1 || {
    cat "$WORK/cpack.log"
    fail "cpack"
}
deb="$(ls "$WORK"/pkg/vantrel_*.deb 2>/dev/null | head -n 1 || true)"
if [ -z "$deb" ]; then
    fail "cpack made no vantrel_*.deb"
else
    echo "$(basename "$deb"): $(stat -c %s "$deb") bytes"
    [ "$(dpkg-deb -f "$deb" Package)" = vantrel ] || fail "package name"
    [ "$(dpkg-deb -f "$deb" Architecture)" = "$(dpkg --print-architecture)" ] || fail "package architecture"
    [ -n "$(dpkg-deb -f "$deb" Maintainer)" ] || fail "no maintainer"
    depends="$(dpkg-deb -f "$deb" Depends)"
    echo "Depends: $depends"
    for p in libqt6widgets6 libqt6gui6 libqt6core6 qt6-qpa-plugins fonts-dejavu-core; do
        [[ ",$depends," =~ ,\ ?$p[\ ,] ]] || fail "Depends lacks $p"
    done
    dpkg-deb -x "$deb" "$WORK/deb"
    check_tree "$WORK/deb/usr"
    # The packaged (stripped) program starts and closes normally, in a folder of its own.
    mkdir -p "$WORK/debrun"
    if ! (cd "$WORK/debrun" && QT_QPA_PLATFORM=offscreen VANTREL_AUTOTEST="$WORK/close.vts" \
            timeout 60 "$WORK/deb/usr/bin/vantrel" > "$WORK/debrun.log" 2>&1); then
        cat "$WORK/debrun.log"
        fail "the packaged program did not start and close normally"
    fi
    [ -s "$WORK/debrun/OldCmd" ] || fail "the packaged program wrote no OldCmd"
fi

if [ "$failures" -ne 0 ]; then
    echo "install: $failures failure(s)"
    exit 1
fi
echo "install: all checks passed"
