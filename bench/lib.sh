# Shared by the benchmark scripts (sourced from the project root).

# use_cli TARGET: $cli becomes TARGET when it is a program, else the
# tavlin-cli of the release tree TARGET, built first (with its tag helper).
use_cli() {
    if [ -x "$1" ] && [ ! -d "$1" ]; then
        cli=$1
    else
        make --no-print-directory build BUILD="$1" JOBS=2 >/dev/null
        cli=$1/bin/tavlin-cli
    fi
}

# tone_files DIR EXT CODEC_ARGS...: 40 files DIR/01.EXT..40.EXT, each 250 ms
# of silence and then a 440 Hz tone, the tones from 0.318 s up in steps of
# 17 ms so that no two files end at the same place within an AAC frame;
# made once. Sets $inputs to their paths.
tone_files() {
    local dir=$1 ext=$2 i d f
    shift 2
    mkdir -p "$dir"
    inputs=()
    for i in $(seq -w 1 40); do
        f="$dir/$i.$ext"
        if [ ! -s "$f" ]; then
            d=$(awk -v i="$((10#$i))" 'BEGIN { printf "%.3f", 0.301 + 0.017 * i }')
            ffmpeg -nostdin -v error -y -f lavfi -i "anullsrc=r=44100:cl=stereo:d=0.25" \
                -f lavfi -i "sine=f=440:d=$d:r=44100" -filter_complex "[0][1]concat=n=2:v=0:a=1" \
                "$@" "$f"
        fi
        inputs+=("$f")
    done
}

# The checking tools lie beside the project (TAVLIN_TOOLS names them for a
# tree that has none beside it, such as a git worktree).
tools=${TAVLIN_TOOLS:-../shared/tools}

# chapter_audio BOOK: where each chapter starts against its audio, decoded
# sample by sample ("plain") and frame by frame at the timestamps ("pts").
chapter_audio() {
    /usr/bin/python3 "$tools/chapter_audio.py" "$1"
}

# seams SOURCE BOOK REFERENCE: the block where the book's error against the
# source most exceeds the reference's; fails when it passes the tool's limit.
seams() {
    /usr/bin/python3 "$tools/seams.py" "$@"
}

# book_mp3s: the twelve 5-minute 128 kbit/s MP3 files of the 60-minute bench
# book (pink noise and a tone each), made once in bench/out/book. Sets
# $book_mp3s to their paths.
book_mp3s() {
    local i f
    mkdir -p bench/out/book
    book_mp3s=()
    for i in $(seq -w 1 12); do
        f="bench/out/book/part$i.mp3"
        if [ ! -s "$f" ]; then
            ffmpeg -nostdin -v error -y \
                -f lavfi -i "anoisesrc=color=pink:seed=$((10#$i)):amplitude=0.15:sample_rate=44100:duration=300" \
                -f lavfi -i "sine=frequency=$((200 + 10#$i * 30)):sample_rate=44100:duration=300" \
                -filter_complex "[0][1]amix=inputs=2:normalize=0,aformat=channel_layouts=stereo" \
                -c:a libmp3lame -b:a 128k "$f"
        fi
        book_mp3s+=("$f")
    done
}

# concat_list LIST FILE...: LIST becomes a list for the ffmpeg tool's concat
# demuxer naming each FILE by its absolute path.
concat_list() {
    local list=$1 f
    shift
    : >"$list"
    for f in "$@"; do
        echo "file '$(realpath "$f")'" >>"$list"
    done
}

# one_mp3: bench/out/one.mp3, the twelve files of book_mp3s joined frame by
# frame, not re-encoded: one 60-minute 44.1 kHz stereo 128 kbit/s MP3; made
# once. Sets $one_mp3 to its path.
one_mp3() {
    one_mp3=bench/out/one.mp3
    [ -s "$one_mp3" ] && return
    book_mp3s
    concat_list bench/out/one.txt "${book_mp3s[@]}"
    ffmpeg -nostdin -v error -y -f concat -safe 0 -i bench/out/one.txt -c copy "$one_mp3"
}

# measure COMMAND ARGS...: runs it under $build/bin/bench_measure (its
# standard output dropped) and prints "SECONDS MB CPU": wall time, peak memory
# and processor time (user + system, of the process and its children).
measure() {
    "$build/bin/bench_measure" "$@" 2>&1 >/dev/null | sed -n 's/^measure: //p'
}

# best: of lines "SECONDS MB CPU", prints the shortest time, the largest peak
# and the least processor time, each over all the lines.
best() {
    awk 'NR == 1 || $1 < s { s = $1 } $2 > m { m = $2 } NR == 1 || $3 < c { c = $3 } END { print s, m, c }'
}

# race OURS... -- THEIRS...: runs the two commands in turn $RUNS times
# (default 3) and prints "OURS_S OURS_MB OURS_CPU THEIRS_S THEIRS_MB
# THEIRS_CPU": each one's shortest wall time, largest peak memory and least
# processor time, each figure the best of its own runs. Other load on the
# machine comes and goes; the best of a few runs side by side is what each costs.
race() {
    local ours=() theirs=() i o="" t=""
    while [ "$1" != "--" ]; do ours+=("$1"); shift; done
    shift
    theirs=("$@")
    for i in $(seq 1 "${RUNS:-3}"); do
        o+="$(measure "${ours[@]}")"$'\n'
        t+="$(measure "${theirs[@]}")"$'\n'
    done
    echo "$(printf %s "$o" | best) $(printf %s "$t" | best)"
}

# speech_wav FILE BREAK: FILE becomes 10 minutes of 44.1 kHz stereo speech, made
# once: 200 sentences (about 12 minutes) from word lists, each at its own
# rate and pitch and read by espeak-ng, each followed by a pause of BREAK
# milliseconds (an awk expression, drawn anew for every sentence).
speech_wav() {
    local file=$1 dir
    [ -s "$file" ] && return
    command -v espeak-ng >/dev/null || { echo "needs espeak-ng: apt-get install espeak-ng" >&2; exit 1; }
    dir=$(dirname "$file")
    awk "$(sed "s|@BREAK@|$2|" <<'AWK'
    BEGIN {
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
            printf "<break time=\"%dms\"/>\n", @BREAK@
        }
        print "</speak>" }
AWK
)" >"$dir/speech.xml"
    espeak-ng -m -v en-gb -f "$dir/speech.xml" -w "$dir/espeak.wav"
    ffmpeg -nostdin -v error -y -i "$dir/espeak.wav" \
        -af "aresample=44100,apad=whole_len=26460000,atrim=end_sample=26460000" -ac 2 -c:a pcm_s16le "$file"
}
