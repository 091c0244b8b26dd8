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
if [ ! -s "$speech" ]; then
    # 200 sentences (about 12 minutes) from word lists, each at its own rate and pitch, followed
    # by a pause of 0.1 to 1.5 s and now and then a longer one.
    awk 'BEGIN {
        srand(11)
        n = split("the old captain|a young teacher|my neighbour|the tired doctor|our small band|the clever fox|a quiet stranger|the baker|her brother|the whole village", who, "|")
        m = split("carried|painted|forgot|counted|discovered|sold|repaired|described|followed|hid", did, "|")
        k = split("seven lanterns|the broken clock|a letter from Paris|forty green bottles|the northern road|an enormous kettle|three silver keys|the last train|a map of the islands|twelve hungry geese", what, "|")
        l = split("before dawn|in the rain|at the harbour|after supper|behind the mill|during the storm|on Thursday|near the bridge|without a word|for nineteen years", where, "|")
        print "<speak>"
        for (i = 0; i < 200; i++) {
            s = who[int(rand() * n) + 1] " " did[int(rand() * m) + 1] " " what[int(rand() * k) + 1]
            if (rand() < 0.5) s = s ", " where[int(rand() * l) + 1]
            s = s (rand() < 0.2 ? "?" : rand() < 0.1 ? "!" : ".")
            printf "<prosody rate=\"%d%%\" pitch=\"%+d%%\">%s%s</prosody>", 75 + int(rand() * 55), int(rand() * 70) - 30,
                toupper(substr(s, 1, 1)), substr(s, 2)
            printf "<break time=\"%dms\"/>\n", rand() < 0.1 ? 2000 + int(rand() * 1500) : 100 + int(rand() * 1400)
        }
        print "</speak>" }' >"$out/speech.xml"
    espeak-ng -m -v en-gb -f "$out/speech.xml" -w "$out/espeak.wav"
    ffmpeg -nostdin -v error -y -i "$out/espeak.wav" \
        -af "aresample=44100,apad=whole_len=26460000,atrim=end_sample=26460000" -ac 2 -c:a pcm_s16le "$speech"
fi
book=$out/book.m4b
ref=$out/ref.m4a
rm -f "$book"
"$cli" -q -o "$book" "$speech" >/dev/null
ffmpeg -nostdin -v error -y -i "$speech" -c:a aac -aac_tns 0 -b:a 128k "$ref"
echo "10 minutes of speech, converted by $cli"
seams "$speech" "$book" "$ref"
