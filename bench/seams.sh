#!/usr/bin/env bash
# Audible seams in a book made from one long file: a 10-minute 44.1 kHz
# speech WAV (generated sentences of varied pace and pitch with pauses, read
# by espeak-ng; stereo so that the book's default 64 000 bit/s per channel
# matches the reference's 128 kbit/s) is converted by tavlin-cli and by the
# ffmpeg tool's AAC encoder, and ../shared/tools/seams.py prints the block
# where the book's error most exceeds the reference's.
# Needs espeak-ng and python3-numpy (apt-get install espeak-ng python3-numpy).
# Usage: bench/seams.sh [BUILD_DIR | path to tavlin-cli]   (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
command -v espeak-ng >/dev/null || { echo "seams.sh needs espeak-ng: apt-get install espeak-ng" >&2; exit 1; }
/usr/bin/python3 -c "import numpy" 2>/dev/null ||
    { echo "seams.sh needs numpy for /usr/bin/python3: apt-get install python3-numpy" >&2; exit 1; }
. bench/lib.sh
use_cli "${1:-build}"
rm -f "$(dirname "$cli")/Tavlin.ini"
out=bench/out/seams
speech=$out/speech.wav
mkdir -p "$out"
# Pauses of 0.1 to 1.5 s after each sentence, and now and then a longer one.
speech_wav "$speech" 'rand() < 0.1 ? 2000 + int(rand() * 1500) : 100 + int(rand() * 1400)'
book=$out/book.m4b
ref=$out/ref.m4a
rm -f "$book"
"$cli" -q -o "$book" "$speech" >/dev/null
ffmpeg -nostdin -v error -y -i "$speech" -c:a aac -aac_tns 0 -b:a 128k "$ref"
echo "10 minutes of speech, converted by $cli"
seams "$speech" "$book" "$ref"
