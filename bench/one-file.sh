#!/usr/bin/env bash
# Converts one 60-minute 44.1 kHz stereo 128 kbit/s MP3 (the twelve files of
# bench/conversion.sh joined without re-encoding) with tavlin-cli at 64 000
# bit/s per channel and with the ffmpeg tool's AAC encoder, and prints both
# wall times, both peak memory figures, the time ratio, both processor times
# (user + system, of the process and its children) and their ratio, and the
# samples the book and the MP3 decode to. Each figure is the best of that
# side's runs: shortest time, least processor time, largest peak.
# Usage: [RUNS=N] bench/one-file.sh [BUILD_DIR]   (default: build, made by `make build`; 3 runs of each)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
. bench/lib.sh
use_cli "$build"
rm -f "$build/bin/Tavlin.ini"
one_mp3
book=bench/out/one.m4b
ref=bench/out/one-ffmpeg.m4a
rm -f "$book" "$ref"
read -r ours_s ours_mb ours_cpu theirs_s theirs_mb theirs_cpu < <(race "$cli" -q --bitrate 64000 -o "$book" "$one_mp3" -- \
    ffmpeg -nostdin -v error -y -i "$one_mp3" -vn -c:a aac -b:a 128k "$ref")
samples() { ffmpeg -nostdin -v error -i "$1" -f s16le -ac 1 - | wc -c | awk '{ print $1 / 2 }'; }
book_n=$(samples "$book")
mp3_n=$(samples "$one_mp3")
echo "one 60-minute MP3, $(nproc) processors, best of ${RUNS:-3} runs each"
echo "  tavlin: ${ours_s} s, peak ${ours_mb} MB (target <= 200 MB)"
echo "  ffmpeg: ${theirs_s} s, peak ${theirs_mb} MB"
awk -v a="$ours_s" -v b="$theirs_s" -v c="$ours_cpu" -v d="$theirs_cpu" 'BEGIN {
    printf "  time ratio tavlin/ffmpeg: %.3f (target <= 0.50)\n", a / b
    printf "  processor time (user+sys): tavlin %.1f s, ffmpeg %.1f s\n", c, d
    printf "  processor time ratio tavlin/ffmpeg: %.3f (target <= 1.00)\n", c / d }'
awk -v b="$book_n" -v m="$mp3_n" 'BEGIN { d = b - m; if (d < 0) d = -d
    printf "  samples: book %d, MP3 %d (%s)\n", b, m, d <= 1024 ? "within one AAC frame" : "differ by " d }'
