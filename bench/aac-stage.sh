#!/usr/bin/env bash
# Encodes 10 minutes of generated stereo 44.1 kHz PCM through the engine's AAC
# stage and through the ffmpeg tool's AAC encoder at the same bit rate
# (64 000 bit/s per channel = 128 kbit/s), and prints both times and the ratio.
# Usage: bench/aac-stage.sh [BUILD_DIR]   (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j "$(nproc)" --target bench_aac_stage bench_measure >/dev/null
out=bench/out
mkdir -p "$out"
pcm="$out/tone-noise-600s.raw"
if [ ! -s "$pcm" ]; then
    ffmpeg -nostdin -v error -y -f lavfi -i "anoisesrc=color=pink:seed=7:amplitude=0.2:sample_rate=44100:duration=600" \
        -f lavfi -i "sine=frequency=440:sample_rate=44100:duration=600" \
        -filter_complex "[0][1]amix=inputs=2:normalize=0,aformat=channel_layouts=stereo" -f s16le -ac 2 "$pcm"
fi
rm -f "$build/bin/Tavlin.ini"
best() { sort -n | head -1; }
ours=$(for i in 1 2 3; do "$build/bin/bench_aac_stage" "$pcm" 44100 2 2>/dev/null | tail -1; done | best)
theirs=$(for i in 1 2 3; do "$build/bin/bench_measure" ffmpeg -nostdin -v error -y -f s16le -ar 44100 -ac 2 -i "$pcm" \
    -c:a aac -b:a 128k -f adts /dev/null 2>&1 | sed -n 's/^measure: //p' | cut -d' ' -f1; done | best)
echo "AAC stage, 10 min stereo 44.1 kHz at 128 kbit/s (best of 3)"
echo "  tavlin AAC stage: ${ours} s"
echo "  ffmpeg aac:       ${theirs} s"
awk -v a="$ours" -v b="$theirs" 'BEGIN { printf "  ratio tavlin/ffmpeg: %.3f (target <= 1.05)\n", a / b }'
