#!/usr/bin/env bash
# Books made by copying AAC frames: (a) the 60-minute book of bench/conversion.sh
# with its twelve MP3 files first turned into 128 kbit/s AAC-LC M4A files,
# converted by tavlin-cli and by the ffmpeg tool's concat demuxer and AAC
# encoder: both wall times, their ratio and the book's bit rate; (b) 40 short
# M4A files (250 ms of silence, then a tone): where each chapter starts, with
# ../shared/tools/chapter_audio.py.
# Usage: bench/copy-mode.sh [BUILD_DIR]   (default: build, made by `make build`)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
. bench/lib.sh
use_cli "$build"
rm -f "$build/bin/Tavlin.ini"
now() { date +%s.%N; }

mkdir -p bench/out/copy
list=bench/out/copy/list.txt
m4as=()
book_mp3s
for mp3 in "${book_mp3s[@]}"; do
    i=$(basename "$mp3" .mp3)
    i=${i#part}
    m4a=bench/out/copy/$i.m4a
    [ -s "$m4a" ] || ffmpeg -nostdin -v error -y -i "$mp3" -c:a aac -b:a 128k "$m4a"
    m4as+=("$m4a")
done
concat_list "$list" "${m4as[@]}"
book=bench/out/copy/tavlin.m4b
t0=$(now); "$cli" -q -o "$book" "${m4as[@]}" >/dev/null; t1=$(now)
ffmpeg -nostdin -v error -y -f concat -safe 0 -i "$list" -c:a aac -b:a 128k bench/out/copy/ffmpeg.m4b; t2=$(now)
t3=$(now); "$cli" -q --reencode -o bench/out/copy/reencoded.m4b "${m4as[@]}" >/dev/null; t4=$(now)
rate() { ffprobe -v error -select_streams a -show_entries stream=bit_rate -of csv=p=0 "$1"; }
secs() { ffprobe -v error -show_entries format=duration -of csv=p=0 "$1"; }
inputs_secs=$(for f in "${m4as[@]}"; do secs "$f"; done | awk '{ s += $1 } END { printf "%.3f", s }')
echo "(a) 60-minute book, 12 AAC-LC M4A files at 128 kbit/s, $(nproc) processors"
awk -v a="$t0" -v b="$t1" -v c="$t2" -v d="$t3" -v e="$t4" 'BEGIN {
    printf "  tavlin (copied):        %.2f s\n  tavlin --reencode:      %.2f s\n  ffmpeg concat + AAC:    %.2f s\n", b - a, e - d, c - b
    printf "  time ratio copied/ffmpeg: %.4f (target <= 0.05)\n", (b - a) / (c - b) }'
echo "  bit rate: book $(rate "$book") bit/s, first input $(rate "${m4as[0]}") bit/s"
echo "  length: book $(secs "$book") s, inputs $inputs_secs s"

out=bench/out/copy/chapters
tone_files "$out" m4a -c:a aac -b:a 128k
book="$out/book.m4b"
rm -f "$book"
"$cli" -q -o "$book" "${inputs[@]}" >/dev/null
echo "(b) 40 M4A files (250 ms of silence, then a tone), frames copied by $cli"
chapter_audio "$book"
