#!/usr/bin/env bash
# A library of 40 generated book folders (3 to 12 MP3 files each, pink noise
# and a tone, about 5 hours in all) converted by one `tavlin-cli --each` run,
# against the same books converted one by one, one tavlin-cli per book.
# Prints both wall times, their ratio, and the time the library run spent
# between books (from the end of one book's conversion to the start of the
# next: planning not done ahead, skipping, making folders).
# Usage: [SCALE=F] [RUNS=N] bench/library.sh [BUILD_DIR|TAVLIN_CLI]
# (default: build; SCALE multiplies every file's length, 1 = about 5 hours;
# RUNS alternates the two sides N times and keeps each side's best, default 1)
set -euo pipefail
cd "$(dirname "$0")/.."
. bench/lib.sh
use_cli "${1:-build}"
scale=${SCALE:-1}
lib=bench/out/library-$scale
out=bench/out/library-books
mkdir -p "$lib"

# Book b has 3 + (7b mod 10) files (7.5 on average); file i of it lasts
# 40 to 80 seconds (60 on average), times SCALE. Made once.
total=0
for b in $(seq -w 1 40); do
    files=$((3 + (10#$b * 7) % 10))
    mkdir -p "$lib/Book $b"
    for i in $(seq -w 1 "$files"); do
        f="$lib/Book $b/$i.mp3"
        d=$(awk -v s="$scale" -v k="$((10#$b * 13 + 10#$i * 7))" 'BEGIN { printf "%.2f", s * (40 + k % 41) }')
        total=$(awk -v t="$total" -v d="$d" 'BEGIN { print t + d }')
        [ -s "$f" ] && continue
        ffmpeg -nostdin -v error -y \
            -f lavfi -i "anoisesrc=color=pink:seed=$((10#$b * 100 + 10#$i)):amplitude=0.15:sample_rate=44100:duration=$d" \
            -f lavfi -i "sine=frequency=$((200 + 10#$i * 30)):sample_rate=44100:duration=$d" \
            -filter_complex "[0][1]amix=inputs=2:normalize=0,aformat=channel_layouts=stereo" \
            -metadata title="Chapter $i" -metadata album="Book $b" -c:a libmp3lame -b:a 128k "$f"
    done
done

now() { date +%s.%N; }
since() { awk -v a="$1" -v b="$(now)" 'BEGIN { printf "%.1f", b - a }'; }
rm -f "$(dirname "$cli")/Tavlin.ini"

# The two sides in turn, $RUNS times (default 1); each side's shortest time
# is kept, as other load on a shared machine comes and goes.
single="" each="" idle=""
for run in $(seq 1 "${RUNS:-1}"); do
    # One by one: one tavlin-cli per book, as a user would run them.
    rm -rf "$out" && mkdir -p "$out/single"
    start=$(now)
    for b in "$lib"/Book*; do
        "$cli" -q -o "$out/single/$(basename "$b").m4b" "$b" >/dev/null
    done
    t=$(since "$start")
    echo "  run $run: one by one ${t} s" >&2
    single=$(awk -v a="$single" -v b="$t" 'BEGIN { print (a == "" || b < a) ? b : a }')

    # The library in one run.
    start=$(now)
    summary=$("$cli" -q --each -o "$out/each" "$lib")
    t=$(since "$start")
    i=$(printf '%s\n' "$summary" | sed -n 's/.*; \([0-9.]*\) s between books$/\1/p')
    echo "  run $run: --each ${t} s, ${i} s between books" >&2
    if [ -z "$each" ] || awk -v a="$t" -v b="$each" 'BEGIN { exit !(a < b) }'; then
        each=$t idle=$i
    fi
done
made=$(find "$out/each" -name '*.m4b' | wc -l)

hours=$(awk -v t="$total" 'BEGIN { printf "%.2f", t / 3600 }')
echo "40 book folders, $made books made, ${hours} hours of MP3 (SCALE=$scale), $(nproc) processors, best of ${RUNS:-1} runs each"
echo "  one by one (40 tavlin-cli runs): ${single} s"
echo "  tavlin-cli --each:                ${each} s, ${idle} s between books"
awk -v a="$each" -v b="$single" 'BEGIN { printf "  ratio library/one by one: %.3f (target <= 0.95)\n", a / b }'
