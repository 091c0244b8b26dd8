#!/usr/bin/env bash
# Converts a deterministic 60-minute book (twelve 5-minute 44.1 kHz stereo
# 128 kbit/s MP3 files of pink noise plus a tone) through the engine at
# 64 000 bit/s per channel and with the ffmpeg tool's concat demuxer and AAC
# encoder, and prints both wall times, both peak memory figures, both processor
# times (user + system, of the process and its children) and the ratios. Each
# figure is the best of that side's runs: shortest time, least processor time,
# largest peak.
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
read -r ours_s ours_mb ours_cpu theirs_s theirs_mb theirs_cpu < <(race "$build/bin/bench_convert" "$out/tavlin.m4b" "${inputs[@]}" -- \
    ffmpeg -nostdin -v error -y -f concat -safe 0 -i "$list" -c:a aac -b:a 128k "$out/ffmpeg.m4b")
echo "60-minute book, 12 MP3 files, $(nproc) processors, best of ${RUNS:-3} runs each"
echo "  tavlin: ${ours_s} s, peak ${ours_mb} MB"
echo "  ffmpeg: ${theirs_s} s, peak ${theirs_mb} MB"
awk -v a="$ours_s" -v b="$theirs_s" -v m="$ours_mb" -v n="$theirs_mb" -v c="$ours_cpu" -v d="$theirs_cpu" 'BEGIN {
    printf "  time ratio tavlin/ffmpeg: %.3f (target <= 0.50)\n", a / b
    printf "  processor time (user+sys): tavlin %.1f s, ffmpeg %.1f s\n", c, d
    printf "  processor time ratio tavlin/ffmpeg: %.3f (target <= 1.00)\n", c / d
    printf "  memory ratio tavlin/ffmpeg: %.2f (target: tavlin <= 200 MB)\n", m / n }'
