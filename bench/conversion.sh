#!/usr/bin/env bash
# Converts a deterministic 60-minute book (twelve 5-minute 44.1 kHz stereo
# 128 kbit/s MP3 files of pink noise plus a tone) through the engine at
# 64 000 bit/s per channel and with the ffmpeg tool's concat demuxer and AAC
# encoder, and prints both wall times, both peak memory figures and the ratios.
# Usage: [RUNS=N] bench/conversion.sh [BUILD_DIR]   (default: build; 3 runs of each)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j "$(nproc)" --target bench_convert bench_measure >/dev/null
. bench/lib.sh
out=bench/out/book
book_mp3s
inputs=("${book_mp3s[@]}")
list="$out/list.txt"
concat_list "$list" "${inputs[@]}"
rm -f "$build/bin/Tavlin.ini"
read -r ours_s ours_mb theirs_s theirs_mb < <(race "$build/bin/bench_convert" "$out/tavlin.m4b" "${inputs[@]}" -- \
    ffmpeg -nostdin -v error -y -f concat -safe 0 -i "$list" -c:a aac -b:a 128k "$out/ffmpeg.m4b")
echo "60-minute book, 12 MP3 files, $(nproc) processors, best of ${RUNS:-3} runs each"
echo "  tavlin: ${ours_s} s, peak ${ours_mb} MB"
echo "  ffmpeg: ${theirs_s} s, peak ${theirs_mb} MB"
awk -v a="$ours_s" -v b="$theirs_s" -v m="$ours_mb" -v n="$theirs_mb" 'BEGIN {
    printf "  time ratio tavlin/ffmpeg: %.3f (target <= 0.55)\n", a / b
    printf "  memory ratio tavlin/ffmpeg: %.2f (target: tavlin <= 200 MB)\n", m / n }'
