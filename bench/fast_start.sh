#!/usr/bin/env bash
# Fast start: starts the local test station (with a PulseAudio null sink) and plays its MP3,
# AAC and Ogg Vorbis mounts, and the same three through the scripted server sending at
# exactly their rate without a burst, each RUNS times through the real play control and
# ffplay. Prints per stream the median time from Play to the first sound on the null sink's
# monitor and the longest silence in the SECONDS after it (and mpv's start time when mpv is
# installed). Nothing leaves 127.0.0.1.
#
#   bench/fast_start.sh [BUILD_DIR] [RUNS] [SECONDS]      default: build, 10, 20
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
build=${1:-$root/build}
runs=${2:-10}
seconds=${3:-20}
program="$build/bench/bench_fast_start"
[ -x "$program" ] || { echo "$program not built (cmake --build $build --target bench_fast_start)" >&2; exit 2; }

. "$here/localstation.sh"
start_local_station kw-fast-start --pulse

# The scripted server's files beside its MP3, and each file's own rate in bytes per second.
media() { # name codec-args...
    local name=$1; shift
    ffmpeg -nostdin -hide_banner -loglevel error -y -f lavfi \
        -i "sine=frequency=440:sample_rate=44100:duration=60" -ac 2 "$@" "$station_state/$name"
}
rate() {
    local file=$station_state/$1 duration
    duration=$(ffprobe -v error -show_entries format=duration -of csv=p=0 "$file")
    python3 -c "import os,sys; print(int(os.path.getsize(sys.argv[1]) / float(sys.argv[2])))" "$file" "$duration"
}
media paced.aac -c:a aac -b:a 128k -f adts
media paced.ogg -c:a libvorbis -b:a 128k -f ogg
ice="http://127.0.0.1:$KW_ICECAST_PORT"
fake="http://127.0.0.1:$KW_FAKE_PORT/paced"
"$program" "$runs" "$seconds" \
    "icecast-mp3=$ice/tone.mp3" "icecast-aac=$ice/tone.aac" "icecast-vorbis=$ice/vorbis.ogg" \
    "noburst-mp3=$fake?metaint=16000&rate=$(rate tone.mp3)" \
    "noburst-aac=$fake?file=paced.aac&type=audio/aac&rate=$(rate paced.aac)" \
    "noburst-vorbis=$fake?file=paced.ogg&type=application/ogg&rate=$(rate paced.ogg)"
