#!/usr/bin/env bash
# Runs every fuzz target of the file parsers for a bounded time:
#   fuzz/fuzz.sh [SECONDS]     (default 60 seconds per target)
# Builds build-fuzz/ with clang when needed, writes the seed corpora (fuzz/make-seeds.sh), runs
# each target on a fresh copy of its seeds, keeps what it finds in build-fuzz/findings/<target>/
# and its log in build-fuzz/fuzz-logs/<target>.log, and prints one line per target: executions,
# executions per second, findings. Exits non-zero when any target found something.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
build=build-fuzz
targets=(id3v1 id3v2 genres playlist format rename paths journal)
jobs=$(nproc 2>/dev/null || echo 2)
((jobs > 2)) && jobs=2

if ! command -v clang++ >/dev/null; then
    echo "The fuzz targets need clang (apt-get install clang)." >&2
    exit 2
fi
if [ ! -f "$build/CMakeCache.txt" ]; then
    CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSONDREL_FUZZ=ON -DSONDREL_WERROR=ON \
        -DSONDREL_WINDOW=OFF -DSONDREL_TESTS=OFF -DSONDREL_BENCH=OFF >/dev/null
fi
cmake --build "$build" -j "$jobs" --target "${targets[@]/#/fuzz_}" >/dev/null
fuzz/make-seeds.sh "$build/seeds" >/dev/null

# The file targets write a file per input: a memory-backed folder keeps that cheap.
if [ -d /dev/shm ] && [ -w /dev/shm ]; then
    export TMPDIR=/dev/shm
fi
mkdir -p "$build/fuzz-logs"
failed=0
for target in "${targets[@]}"; do
    work=$(mktemp -d)
    cp -r "$build/seeds/$target/." "$work/"
    findings="$build/findings/$target"
    mkdir -p "$findings"
    started="$work.started"
    touch "$started"
    log="$build/fuzz-logs/$target.log"
    # A playlist's line rules show within a few hundred bytes, and a genre list of more than 256
    # lines fits in 1 KiB; longer inputs only cost time.
    limits=()
    case $target in
    playlist) limits=(-max_len=512) ;;
    genres) limits=(-max_len=1024) ;;
    esac
    status=0
    "$build/bin/fuzz_$target" "${limits[@]}" -max_total_time="$seconds" -timeout=25 -print_final_stats=1 \
        -artifact_prefix="$findings/" "$work" >"$log" 2>&1 || status=$?
    found=$(find "$findings" -type f -newer "$started" | wc -l)
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
    printf '%-14s %12s executions %8s exec/s %3d findings\n' "fuzz_$target" "${runs:-?}" "${rate:-?}" "$found"
    if ((status != 0 || found > 0)); then
        failed=1
        echo "  see $log and $findings/" >&2
    fi
    rm -rf "$work" "$started"
done
exit "$failed"
