#!/usr/bin/env bash
# Builds two books whose chapters start inside their files, with the release
# command-line converter, and prints where each chapter starts against its
# audio, decoded sample by sample ("plain") and frame by frame at the
# timestamps ("pts"), with ../shared/tools/chapter_audio.py:
#   (a) an M4B with 3 chapters (MP4 chapter track and Nero list) followed by
#       an MP3 with 2 chapters (ID3 CHAP frames), both written by ffmpeg;
#   (c) one WAV in a folder with a 4-track .cue sheet (mm:ss:ff).
# Every chapter is 250 ms of silence, then a 440 Hz tone of an odd length, so
# a chapter should begin where the tone before it stops.
# Usage: bench/inner-chapters.sh [BUILD_DIR | path to tavlin-cli]   (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
. bench/lib.sh
use_cli "${1:-build}"
out=bench/out/inner
rm -rf "$out"
mkdir -p "$out/c"

# segments FILE N...: mono 44.1 kHz 16-bit WAV of chapters of N samples each
# (250 ms of silence, then the tone); prints an ffmetadata chapter list.
segments() {
    local file=$1 start=0 i=0 parts=() n
    shift
    echo ";FFMETADATA1"
    for n in "$@"; do
        i=$((i + 1))
        ffmpeg -nostdin -v error -y -f lavfi -i "anullsrc=r=44100:cl=mono:d=0.25" \
            -f lavfi -i "sine=f=440:r=44100:d=10" \
            -filter_complex "[0][1]concat=n=2:v=0:a=1,atrim=end_sample=$n" -c:a pcm_s16le "$out/seg$i.wav"
        parts+=(-i "$out/seg$i.wav")
        printf '[CHAPTER]\nTIMEBASE=1/44100\nSTART=%d\nEND=%d\ntitle=Chapter %d\n' "$start" $((start + n)) "$i"
        start=$((start + n))
    done
    ffmpeg -nostdin -v error -y "${parts[@]}" -filter_complex "concat=n=$i:v=0:a=1" -c:a pcm_s16le "$file"
    rm -f "$out"/seg*.wav
}

# (a) M4B of 3 chapters, then MP3 of 2.
segments "$out/a.wav" 42469 60727 52081 >"$out/a.meta"
ffmpeg -nostdin -v error -y -i "$out/a.wav" -i "$out/a.meta" -map_metadata 1 -map_chapters 1 \
    -c:a aac -b:a 96k "$out/a.m4b"
segments "$out/b.wav" 48819 64079 >"$out/b.meta"
ffmpeg -nostdin -v error -y -i "$out/b.wav" -i "$out/b.meta" -map_metadata 1 -map_chapters 1 \
    -c:a libmp3lame -b:a 128k "$out/b.mp3"
"$cli" -q -o "$out/book-a.m4b" "$out/a.m4b" "$out/b.mp3" >/dev/null
echo "(a) M4B with 3 chapters, then MP3 with 2 ID3 chapters, converted by $cli"
chapter_audio "$out/book-a.m4b" || true

# (c) one WAV and its .cue sheet; tracks are whole CD frames (588 samples).
frames=(83 101 74 122)
samples=()
for f in "${frames[@]}"; do samples+=($((f * 588))); done
segments "$out/c/book.wav" "${samples[@]}" >/dev/null
{
    printf 'PERFORMER "Bench Reader"\r\nTITLE "Cued Book"\r\nFILE "book.wav" WAVE\r\n'
    at=0
    for i in "${!frames[@]}"; do
        printf '  TRACK %02d AUDIO\r\n    TITLE "Track %d"\r\n    INDEX 01 %02d:%02d:%02d\r\n' \
            $((i + 1)) $((i + 1)) $((at / 75 / 60)) $((at / 75 % 60)) $((at % 75))
        at=$((at + frames[i]))
    done
} >"$out/c/book.cue"
"$cli" -q -o "$out/book-c.m4b" "$out/c" >/dev/null
echo "(c) one WAV with a 4-track .cue sheet, converted by $cli"
chapter_audio "$out/book-c.m4b" || true
