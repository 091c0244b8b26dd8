#!/usr/bin/env bash
# Builds a 40-chapter book from generated MP3 files (each 250 ms of silence,
# then a 440 Hz tone of an odd length) with the command-line converter, and
# prints how far each chapter start lies from the silence that opens its file,
# decoded sample by sample ("plain") and frame by frame at the timestamps
# ("pts"), with ../shared/tools/chapter_audio.py.
# Usage: bench/chapter-positions.sh [BUILD_DIR | path to tavlin-cli]   (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
. bench/lib.sh
use_cli "${1:-build}"
out=bench/out/chapters
tone_files "$out" mp3 -c:a libmp3lame -b:a 128k
book="$out/book.m4b"
rm -f "$book"
"$cli" -q -o "$book" "${inputs[@]}" >/dev/null
echo "40 MP3 files (250 ms of silence, then a tone), converted by $cli"
chapter_audio "$book"
