#!/usr/bin/env bash
# Converts a generated sample book with the command-line converter: a few
# short tagged MP3 files, a WAV file and a cover picture, all made here with
# the ffmpeg tool. Prints where the book is.
#   usage: scripts/sample-book.sh PATH-TO-tavlin-cli
set -euo pipefail

cli=${1:?usage: $0 PATH-TO-tavlin-cli}
if [ ! -x "$cli" ]; then
    echo "$0: $cli is not an executable" >&2
    exit 2
fi
command -v ffmpeg >/dev/null || { echo "$0: the ffmpeg tool is needed to make the sample" >&2; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/tavlin-sample-XXXXXX")
book="$work/Sample Book"
mkdir -p "$book"

tone() {  # tone FILE SECONDS FREQUENCY [ffmpeg arguments...]
    local file=$1 seconds=$2 frequency=$3
    shift 3
    ffmpeg -nostdin -v error -y -f lavfi -i "sine=frequency=$frequency:sample_rate=44100:duration=$seconds" \
        -ac 2 "$@" "$file"
}

titles=("Arrival" "The Long Road" "Home Again")
for i in 1 2 3; do
    tone "$book/0$i.mp3" 4 $((220 * i)) -c:a libmp3lame -b:a 96k -id3v2_version 3 \
        -metadata title="${titles[$((i - 1))]}" -metadata artist="Sample Reader" \
        -metadata publisher="Sample Writer" -metadata album="Sample Book" \
        -metadata genre="Audiobook" -metadata date="2024"
done
tone "$book/04 Epilogue.wav" 3 880
ffmpeg -nostdin -v error -y -f lavfi -i "testsrc=size=300x300:rate=1" -frames:v 1 "$book/cover.png"

echo "Sample files in $book:"
ls -1 "$book" | sed 's/^/  /'
echo
"$cli" --dry-run "$book" -o "$work/Sample Book.m4b" | sed 's/^/  /'
echo
out=$("$cli" "$book" -o "$work/Sample Book.m4b")
echo "The sample audiobook is at: $out"
