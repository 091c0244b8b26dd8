#!/usr/bin/env bash
# Converts a deterministic 60-minute book (twelve 5-minute 44.1 kHz stereo
# 128 kbit/s MP3 files of pink noise plus a tone) through the engine at
# 64 000 bit/s per channel and with the ffmpeg tool's concat demuxer and AAC
# encoder, and prints both wall times, both peak memory figures and the ratios.
# Usage: bench/conversion.sh [BUILD_DIR]   (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j "$(nproc)" --target bench_convert bench_measure >/dev/null
out=bench/out/book
mkdir -p "$out"
list="$out/list.txt"
: >"$list"
inputs=()
for i in $(seq -w 1 12); do
    f="$out/part$i.mp3"
    if [ ! -s "$f" ]; then
        ffmpeg -nostdin -v error -y \
            -f lavfi -i "anoisesrc=color=pink:seed=$((10#$i)):amplitude=0.15:sample_rate=44100:duration=300" \
            -f lavfi -i "sine=frequency=$((200 + 10#$i * 30)):sample_rate=44100:duration=300" \
            -filter_complex "[0][1]amix=inputs=2:normalize=0,aformat=channel_layouts=stereo" \
            -c:a libmp3lame -b:a 128k "$f"
    fi
    inputs+=("$f")
    echo "file '$(realpath "$f")'" >>"$list"
done
rm -f "$build/bin/Tavlin.ini"
measure() { "$build/bin/bench_measure" "$@" 2>&1 >/dev/null | sed -n 's/^measure: //p'; }
read -r ours_s ours_mb < <(measure "$build/bin/bench_convert" "$out/tavlin.m4b" "${inputs[@]}")
read -r theirs_s theirs_mb < <(measure ffmpeg -nostdin -v error -y -f concat -safe 0 -i "$list" \
    -c:a aac -b:a 128k "$out/ffmpeg.m4b")
echo "60-minute book, 12 MP3 files, $(nproc) processors"
echo "  tavlin: ${ours_s} s, peak ${ours_mb} MB"
echo "  ffmpeg: ${theirs_s} s, peak ${theirs_mb} MB"
awk -v a="$ours_s" -v b="$theirs_s" -v m="$ours_mb" -v n="$theirs_mb" 'BEGIN {
    printf "  time ratio tavlin/ffmpeg: %.3f (target <= 0.6)\n", a / b
    printf "  memory ratio tavlin/ffmpeg: %.2f (target: tavlin <= 200 MB)\n", m / n }'
