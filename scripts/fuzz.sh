#!/usr/bin/env bash
# fuzz.sh [SECONDS] -- builds the fuzz targets into build-fuzz/ (clang, libFuzzer, AddressSanitizer
# and UndefinedBehaviorSanitizer) and fuzzes for SECONDS in all (default 60): two thirds on the
# photo target, one third on the reader-reply target. See docs/hostile-input.md.
#
# The photo target calls FreeImage, which is not instrumented and crashes on some photos, so
# libFuzzer runs in fork mode and keeps going past crashes. Every input it kept is then run again
# alone and its report sorted by the stack: a crash in our code fails this script; a crash wholly
# inside FreeImage or its codecs is what the reader processes exist for, and each distinct one is
# run as a photo through the batch command (of this build), which must complete and count it
# unreadable.
#
# The corpus grows in build-fuzz/fuzz-work/corpus-* from run to run; the inputs kept are in
# build-fuzz/fuzz-work/artifacts and their reports in build-fuzz/fuzz-work/reports.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
if [[ ! $seconds =~ ^[1-9][0-9]*$ ]]; then
    echo "usage: $0 [SECONDS]" >&2
    exit 2
fi
python=/usr/bin/python3
bash scripts/install-deps.sh

build=build-fuzz
work=$build/fuzz-work
# The compiler cache of scripts/build.sh, shared by clones in other folders.
launcher=()
if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
    export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=1
fi
CC=clang-14 CXX=clang++-14 cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" \
    -DFOTOHARVESTER_FUZZ=ON -DFOTOHARVESTER_BENCH=OFF >/dev/null
cmake --build "$build" --parallel 2 --target photo_fuzz wire_fuzz wire-seeds fotoharvester-cli fotoharvester-reader

rm -rf "$work/photos" "$work"/seeds-* "$work/artifacts" "$work/reports" "$work/contained"
mkdir -p "$work"/{seeds-photo,corpus-photo,corpus-wire,artifacts,reports,contained}
bash tests/photos/make-photos.sh "$work/photos" >/dev/null
good=()
for photo in "$work"/photos/*; do
    # The photos made to crash FreeImage would only slow the fuzzer down.
    [[ $(basename "$photo") == crash* ]] && continue
    cp "$photo" "$work/seeds-photo/"
    good+=("$photo")
done
"$build/bin/wire-seeds" "$work/seeds-wire" "${good[@]}"

# Allocations FreeImage cannot get must fail as they would outside the sanitizer, not end the run.
export ASAN_OPTIONS=allocator_may_return_null=1:detect_leaks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export ASAN_SYMBOLIZER_PATH=/usr/bin/llvm-symbolizer-14

# run_target NAME SECONDS MAX_LEN
run_target() {
    local name=$1 time=$2 max_len=$3 started=$SECONDS
    echo "== fuzzing $name for $time s"
    # A fork job runs for up to a few seconds more than asked; the outer limit is only a safety net.
    timeout $((time * 2 + 120)) "$build/bin/${name}_fuzz" -fork=1 -ignore_crashes=1 -ignore_ooms=1 \
        -ignore_timeouts=1 -timeout=10 -rss_limit_mb=2048 -max_total_time="$time" -max_len="$max_len" \
        -artifact_prefix="$work/artifacts/$name-" "$work/corpus-$name" "$work/seeds-$name" \
        >"$work/$name.log" 2>&1 || true
    local last elapsed=$((SECONDS - started))
    last=$(grep -E '^#[0-9]+: cov:' "$work/$name.log" | tail -1 || true)
    local execs=${last%%:*}
    execs=${execs#\#}
    echo "$name: ${execs:-0} runs in $elapsed s ($(( ${execs:-0} / (elapsed > 0 ? elapsed : 1) )) runs/s); last: ${last:-none}"
}

photo_time=$(( seconds * 2 / 3 ))
photo_time=$(( photo_time > 0 ? photo_time : 1 ))
wire_time=$(( seconds - photo_time ))
wire_time=$(( wire_time > 0 ? wire_time : 1 ))
run_target photo "$photo_time" 16384
run_target wire "$wire_time" 4096

# as_photo INPUT FOLDER [EXTENSION] -- copies INPUT into FOLDER under the name the photo target read
# it by, or with EXTENSION.
as_photo() {
    local extension=${3:-jpg}
    [[ -z ${3:-} && ( $(head -c 2 "$1") == II || $(head -c 2 "$1") == MM ) ]] && extension=tif
    mkdir -p "$2"
    cp "$1" "$2/$(basename "$1").$extension"
}

# Every input kept, run again alone for its report.
shopt -s nullglob
artifacts=("$work"/artifacts/*)
echo "== $((${#artifacts[@]})) inputs kept (crashes, leaks, timeouts, out-of-memory)"
failed=0
unrepeated=()
for artifact in "${artifacts[@]}"; do
    name=$(basename "$artifact")
    "$build/bin/${name%%-*}_fuzz" -timeout=10 -rss_limit_mb=2048 "$artifact" >"$work/reports/$name.log" 2>&1 || true
    if ! grep -qE 'ERROR|runtime error|broken promise' "$work/reports/$name.log"; then
        # Reading past a buffer faults only when the memory beyond is not mapped, which depends on
        # what ran before in the same process.
        rm "$work/reports/$name.log"
        if [[ $name == wire-* ]]; then
            echo "$name: a crash in the reply decoding that does not repeat; run it by hand" >&2
            failed=1
        else
            unrepeated+=("$artifact")
        fi
    fi
done
if [[ ${#unrepeated[@]} -gt 0 ]]; then
    echo "== ${#unrepeated[@]} of them did not fail when run again alone; together through the batch command:"
    for artifact in "${unrepeated[@]}"; do
        as_photo "$artifact" "$work/contained/unrepeated"
    done
    "$python" tests/support/harvest_check.py --cli "$build/bin/fotoharvester-cli" "$work/contained/unrepeated" || failed=1
fi
reports=("$work"/reports/*.log)
if [[ ${#reports[@]} -gt 0 ]]; then
    "$python" scripts/sanitizer-triage.py "${reports[@]}" || failed=1
    # Each distinct crash inside the library, as a photo among good ones through the batch command;
    # one inside libavformat as a video, which only the video reader reads.
    while IFS=$'\t' read -r example at; do
        name=$(basename "${example%%.log:*}")
        folder="$work/contained/$name"
        as_photo "$work/artifacts/$name" "$folder" $([[ $at == libav* ]] && echo mp4)
        cp "$work/photos/camera-full.jpg" "$work/photos/tagged.tif" "$folder/"
        printf '%s: ' "$name"
        "$python" tests/support/harvest_check.py --cli "$build/bin/fotoharvester-cli" --expect-unreadable 1 "$folder" \
            || failed=1
    done < <("$python" scripts/sanitizer-triage.py --json "${reports[@]}" |
             "$python" -c 'import json, sys
for line in sys.stdin:
    found = json.loads(line)
    # A leak is no crash: the reader goes on, and the photo is read.
    if found["owner"] == "library" and "leak" not in found["kind"]:
        print(found["example"] + "\t" + found["at"])')
fi
if [[ $failed -ne 0 ]]; then
    echo "fuzz.sh: a crash in our own code, or a crash the batch command did not contain (see above)" >&2
    exit 1
fi
echo "fuzz.sh: no crash in our code; every crash inside FreeImage or libavformat was contained"
