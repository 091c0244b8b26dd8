#!/usr/bin/env bash
# Builds a 40-chapter book from generated MP3 files (each 250 ms of silence,
# then a 440 Hz tone of an odd length) with the command-line converter, and
# prints how far each chapter start lies from the silence that opens its file,
# decoded sample by sample ("plain") and frame by frame at the timestamps
# ("pts"), with /work/shared/tools/chapter_audio.py.
# Usage: bench/chapter-positions.sh [BUILD_DIR | path to tavlin-cli]   (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
target=${1:-build}
if [ -x "$target" ] && [ ! -d "$target" ]; then
    cli=$target
else
    cmake -S . -B "$target" -DCMAKE_BUILD_TYPE=Release -DTAVLIN_BUILD_TESTS=OFF >/dev/null
    cmake --build "$target" -j 2 --target tavlin-cli >/dev/null
    cli=$target/bin/tavlin-cli
fi
out=bench/out/chapters
mkdir -p "$out"
inputs=()
for i in $(seq -w 1 40); do
    f="$out/$i.mp3"
    if [ ! -s "$f" ]; then
        # Tone lengths from 0.301 s up in steps of 17 ms: no two files end
        # at the same place within an AAC frame.
        d=$(awk -v i="$((10#$i))" 'BEGIN { printf "%.3f", 0.301 + 0.017 * i }')
        ffmpeg -nostdin -v error -y -f lavfi -i "anullsrc=r=44100:cl=stereo:d=0.25" \
            -f lavfi -i "sine=f=440:d=$d:r=44100" -filter_complex "[0][1]concat=n=2:v=0:a=1" \
            -c:a libmp3lame -b:a 128k "$f"
    fi
    inputs+=("$f")
done
book="$out/book.m4b"
rm -f "$book"
"$cli" -q -o "$book" "${inputs[@]}" >/dev/null
echo "40 MP3 files (250 ms of silence, then a tone), converted by $cli"
/usr/bin/python3 /work/shared/tools/chapter_audio.py "$book"
