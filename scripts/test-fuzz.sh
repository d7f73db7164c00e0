#!/usr/bin/env bash
# Fuzz smoke run: each libFuzzer target for a bounded time from the seed
# corpus in fuzz/corpus; fails on a crash, a hang, a leak or a broken invariant.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib.sh

ensure_packages cmake ninja-build ccache clang-14 libclang-rt-14-dev

BUILD_DIR="${VANTREL_FUZZ_BUILD_DIR:-build-fuzz}"
SECONDS_EACH="${VANTREL_FUZZ_SECONDS:-12}"
start=$(date +%s)
if [ ! -f "$BUILD_DIR/build.ninja" ]; then
    cmake -S fuzz -B "$BUILD_DIR" -G Ninja -DCMAKE_CXX_COMPILER=clang++-14 -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
cmake --build "$BUILD_DIR" -j "$(nproc)"
built=$(date +%s)

# Scratch files of the loaders go to memory where a tmpfs has room for them
# (the macro target keeps up to four 10 MB files at a time).
scratch_base="${TMPDIR:-/tmp}"
if [ -d /dev/shm ] && [ -w /dev/shm ] &&
   [ "$(df -Pk /dev/shm | awk 'NR == 2 { print $4 }')" -ge 262144 ]; then
    scratch_base=/dev/shm
fi
WORK="$(mktemp -d "$scratch_base/vantrel-fuzz.XXXXXX")"
trap 'rm -rf "$WORK"' EXIT

max_len_of() {
    case "$1" in
        fuzz_command_file) echo 16384 ;;   # room for 500 lines and lines over 255 bytes
        fuzz_history) echo 13312 ;;        # a whole file and a bit more
        *) echo 4096 ;;
    esac
}

status=0
for exe in "$BUILD_DIR"/fuzz_*; do
    [ -x "$exe" ] && [ -f "$exe" ] || continue
    name="$(basename "$exe")"
    seeds="fuzz/corpus/$name"
    [ -d "$seeds" ] || { echo "No seed corpus for $name" >&2; status=1; continue; }
    found="$WORK/$name"
    mkdir -p "$found" "$WORK/artifacts"
    dict=()
    [ "$name" = fuzz_encoding ] && dict=(-dict=fuzz/encoding.dict)
    echo "== $name (${SECONDS_EACH} s)"
    # New inputs go to the scratch corpus (first folder); the seeds stay as they are.
    if ! TMPDIR="$WORK" "$exe" "$found" "$seeds" "${dict[@]}" \
            -max_total_time="$SECONDS_EACH" -timeout=10 -rss_limit_mb=2048 \
            -max_len="$(max_len_of "$name")" -print_final_stats=1 \
            -artifact_prefix="$WORK/artifacts/$name-" > "$WORK/$name.log" 2>&1; then
        status=1
        grep -v -E '^#[0-9]+' "$WORK/$name.log" | tail -n 60
        for a in "$WORK/artifacts/$name"-*; do
            [ -f "$a" ] || continue
            echo "-- input that failed ($a), base64:"
            base64 "$a"
        done
    else
        grep -E '^stat::number_of_executed_units|^Done [0-9]+ runs' "$WORK/$name.log" || true
    fi
done
echo "Fuzz step: build $((built - start)) s, fuzzing $(($(date +%s) - built)) s"
exit $status
