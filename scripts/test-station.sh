#!/usr/bin/env bash
# Starts a radio station on this machine (Icecast2 on 127.0.0.1 playing a tone on MP3, AAC
# and three Ogg mounts, the MP3 title changing every 10 seconds) and writes a station list
# for it. Runs until Ctrl+C. Needs no Internet connection.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/install-deps.sh"
state=$(mktemp -d /tmp/kestrelwave-station-XXXXXX)
trap '"$top/tests/support/teststation.sh" stop "$state"; rm -rf "$state"' EXIT INT TERM
"$top/tests/support/teststation.sh" start "$state" --titles --owner $$
# shellcheck disable=SC1091
. "$state/env"
# The program's Music folder: Qt's lookup (user-dirs.dirs, else ~/Music). xdg-user-dir
# answers the home folder itself when user-dirs.dirs is missing, so it is only the fallback
# when that file names the folder.
music=$(qtpaths6 --writable-path MusicLocation 2>/dev/null || true)
if [ -z "$music" ]; then
    dirs="${XDG_CONFIG_HOME:-$HOME/.config}/user-dirs.dirs"
    if [ -f "$dirs" ] && grep -q '^XDG_MUSIC_DIR=' "$dirs"; then
        music=$(xdg-user-dir MUSIC)
    else
        music="$HOME/Music"
    fi
fi
mkdir -p "$music/Kestrelwave"
list="$music/Kestrelwave/Local_test_station.txt"
cat > "$list" <<LIST

Local test station
Tone MP3 	http://127.0.0.1:$KW_ICECAST_PORT/tone.mp3
Tone AAC 	http://127.0.0.1:$KW_ICECAST_PORT/tone.aac
Tone Ogg Vorbis 	http://127.0.0.1:$KW_ICECAST_PORT/vorbis.ogg
Tone Ogg Opus 	http://127.0.0.1:$KW_ICECAST_PORT/opus.ogg
Tone Ogg FLAC 	http://127.0.0.1:$KW_ICECAST_PORT/flac.ogg
SHOUTcast-style server 	http://127.0.0.1:$KW_FAKE_PORT/icy
LIST
echo
echo "The local test station is on the air. In another terminal run:"
echo "    $top/scripts/run.sh \"$list\""
echo "Press Ctrl+C here to take the station off the air."
while sleep 3600; do :; done
