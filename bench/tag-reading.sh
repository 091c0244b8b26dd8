#!/usr/bin/env bash
# What reading tags costs for a folder of 300 tagged one-second MP3 files:
# the tag reading alone (in process, through one tavlin-tags helper for all
# files, through one helper per file) and `tavlin-cli --dry-run` on the
# folder, which reads every file's tags and converts nothing (15 runs: the
# least and the median). Processor time is printed beside wall time; on a
# shared machine the least figures are the steadiest.
# Usage: bench/tag-reading.sh [BUILD_DIR] [OTHER_TAVLIN_CLI]
#   BUILD_DIR          the release tree to build and measure (default: build)
#   OTHER_TAVLIN_CLI   another build's tavlin-cli, run in turn with this one
#                      for a comparison (for example one built from an older commit)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j "$(nproc)" --target bench_tags bench_measure tavlin-cli tavlin-tags >/dev/null
folder=bench/out/tags/Book
mkdir -p "$folder"
for i in $(seq -w 1 300); do
    f="$folder/part$i.mp3"
    [ -s "$f" ] || ffmpeg -nostdin -v error -y \
        -f lavfi -i "sine=frequency=$((200 + 10#$i)):sample_rate=44100:duration=1" \
        -c:a libmp3lame -b:a 64k -id3v2_version 3 \
        -metadata title="Chapter $i" -metadata artist="Reader" -metadata album="Book" "$f"
done
echo "Tags of 300 MP3 files, $(nproc) processors"
"$build/bin/bench_tags" "$folder"/*.mp3
clis=("$build/bin/tavlin-cli")
[ $# -ge 2 ] && clis+=("$(realpath "$2")")
results=$(mktemp)
trap 'rm -f "$results"' EXIT
# One line a run: the program, wall ms, processor ms, peak kB; the programs take turns.
for _ in $(seq 15); do
    for cli in "${clis[@]}"; do
        { /usr/bin/time -f "%e %U %S %M" "$cli" --dry-run "$folder" >/dev/null; } 2>&1 | tail -1 |
            awk -v cli="$cli" '{ printf "%s %.0f %.0f %d\n", cli, $1 * 1000, ($2 + $3) * 1000, $4 }' >>"$results"
    done
done
# The value at rank $3 (1: least, 8: median) of column $2 for program $1.
figure() { awk -v cli="$1" -v col="$2" '$1 == cli { print $col }' "$results" | sort -n | sed -n "$3p"; }
for cli in "${clis[@]}"; do
    echo "  $cli --dry-run: wall least $(figure "$cli" 2 1) ms, median $(figure "$cli" 2 8) ms;" \
        "processor least $(figure "$cli" 3 1) ms, median $(figure "$cli" 3 8) ms;" \
        "peak $(( $(figure "$cli" 4 15) / 1024 )) MB"
done
