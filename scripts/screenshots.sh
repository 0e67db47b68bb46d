#!/usr/bin/env bash
# The README's pictures of the default skin, taken by the player itself (`sonabel --screenshot`)
# on a virtual display while it plays a station of a local test server: the compact surface and
# the full one. Needs Xvfb, ffmpeg and python3; writes docs/images/default-compact.png and
# docs/images/default-full.png.
#   scripts/screenshots.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
work="$(mktemp -d)"
display=":$((500 + $$ % 300))"
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null; kill $server 2>/dev/null; rm -rf "$work"' EXIT
for _ in $(seq 100); do [ -e "/tmp/.X11-unix/X${display#:}" ] && break; sleep 0.05; done

# A station that plays a tone and announces a title, and a few more to fill the list.
mkdir -p "$work/data" "$work/xdg/sonabel/playlists" "$work/own"
ffmpeg -nostdin -loglevel error -y -f lavfi -i "sine=frequency=220:duration=20" -af "volume=3" -ac 2 -b:a 128k \
  "$work/data/tone.mp3"
coproc SERVER { python3 tests/audio/icy_server.py "$work/data"; }
server=$SERVER_PID
read -r _ port <&"${SERVER[0]}"
lists="$work/xdg/sonabel/playlists"
live="http://127.0.0.1:$port/live?file=tone.mp3&burst=1&metaint=8000&titles=Nightcall%20Ensemble%20-%20Slow%20Lights%20Over%20the%20Harbour"
printf '#EXTM3U\n#EXTINF:-1,Radio Sonabel\n%s\n' "$live" > "$lists/Radio Sonabel.m3u"
printf '[playlist]\nFile1=%s\nTitle1=Jazz Lounge 128k\nFile2=%s\nTitle2=Jazz Lounge 64k (mobile)\nNumberOfEntries=2\n' \
  "$live" "$live" > "$lists/Jazz Lounge.pls"
for name in "Classic Hour" "Deep Space One" "Morning News" "Northern Folk" "Synthwave City"; do
  printf '%s\n' "$live" > "$lists/$name.m3u"
done
for file in sonabel libsonabel-audio.so Resources.zpac; do cp "$build/$file" "$work/own/"; done

shoot() {  # surface (0 compact, 1 full), output file
  # The window at the top-left corner, away from the pointer at the screen's centre.
  printf '[Software/Sonabel/sonabel]\nwindowrect=0,0,360,100\nstation=2\nvolume=72\n[Software/Sonabel/sonabel/skins]\nsurface=%s\neq.low=+3.5\neq.high=-2.0\n' \
    "$1" > "$work/settings.ini"
  printf 'set playing 1\n' | DISPLAY="$display" SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=dummy SONABEL_NO_DIALOGS=1 \
    SONABEL_SETTINGS_FILE="$work/settings.ini" XDG_DATA_HOME="$work/xdg" \
    "$work/own/sonabel" --commands --screenshot "$2" --quit-after 3500 >/dev/null
}
shoot 0 docs/images/default-compact.png
shoot 1 docs/images/default-full.png
echo "wrote docs/images/default-compact.png and docs/images/default-full.png"
