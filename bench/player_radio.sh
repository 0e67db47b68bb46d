#!/usr/bin/env bash
# The player playing a radio station on a virtual display (Xvfb): a 128 kbit/s MP3 live stream
# from the tests' local stream server (tests/audio/icy_server.py), its title changing every 10 s.
# Measures the time from the space key (play) to the first non-zero sample the audio device
# receives (SDL's disk driver writing to a file; median of 5; target under 300 ms), CPU while
# playing with the window shown and minimised (targets under 3 % and 1 % of one core), and
# resident memory while playing: the process's private pages next to its whole resident set
# (target: private under 30 MB).
#   bench/player_radio.sh [BUILD_DIR] [SECONDS]       SECONDS per CPU interval (default 60)
#   bench/player_radio.sh --soak [SECONDS] [BUILD_DIR] plays SECONDS (default 3600), samples
#       resident memory and open files every minute, and reports their growth after 2 minutes
# Exits non-zero only when the set-up fails (no build, no window, the stream does not start).
set -euo pipefail

soak=0
positional=()
while [ $# -gt 0 ]; do
  case "$1" in
    --soak)
      soak=3600
      if [[ "${2:-}" =~ ^[0-9]+$ ]]; then soak=$2; shift; fi ;;
    *) positional+=("$1") ;;
  esac
  shift
done
build="${positional[0]:-build}"
seconds="${positional[1]:-60}"
here="$(cd "$(dirname "$0")/.." && pwd)"
fail() { echo "set-up failed: $*" >&2; exit 1; }
for f in sonabel libsonabel-audio.so Resources.zpac; do
  [ -e "$build/$f" ] || fail "no $build/$f; build the targets sonabel and resources first"
done
for p in Xvfb xdotool xwininfo ffmpeg python3; do command -v "$p" >/dev/null || fail "$p is needed"; done

work="$(mktemp -d)"
pids=()
# end PID: SIGTERM, then SIGKILL after 5 s; answers 1 when it took the SIGKILL.
end() {
  kill -TERM "$1" 2>/dev/null || return 0
  for _ in $(seq 100); do
    kill -0 "$1" 2>/dev/null || { wait "$1" 2>/dev/null || true; return 0; }
    sleep 0.05
  done
  kill -KILL "$1" 2>/dev/null || true
  wait "$1" 2>/dev/null || true
  return 1
}
cleanup() {
  local i
  [ -z "${window:-}" ] || xdotool windowmap "$window" 2>/dev/null || true  # a hidden player ignores SIGTERM
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do end "${pids[i]}" || true; done  # the player before its display
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

# The stream: 30 s of MP3 at 128 kbit/s without ID3 or Xing headers, so it loops as plain frames.
mkdir -p "$work/data" "$work/own" "$work/xdg/sonabel/playlists"
ffmpeg -nostdin -loglevel error -y -f lavfi -i "sine=frequency=440:duration=30" -ac 2 -ar 44100 \
  -b:a 128k -write_xing 0 -id3v2_version 0 "$work/data/radio.mp3" || fail "ffmpeg could not make the MP3"
mkfifo "$work/server.in"
python3 "$here/tests/audio/icy_server.py" "$work/data" <"$work/server.in" >"$work/server.out" 2>/dev/null &
pids+=($!)
exec 9>"$work/server.in"  # the server runs until this closes
port=""
for _ in $(seq 100); do
  port=$(sed -n 's/^PORT //p' "$work/server.out")
  [ -n "$port" ] && break
  sleep 0.05
done
[ -n "$port" ] || fail "the stream server did not start"
# station BURST: the station list's one station, the server sending BURST seconds of the stream
# at once before going on in real time (Icecast's default burst of 64 KB is 4.1 s at 128 kbit/s).
station() {
  printf '#EXTM3U\n#EXTINF:-1,Bench\nhttp://127.0.0.1:%s/live?file=radio.mp3&titles=%s&interval=10&bps=16000&metaint=16000&burst=%s\n' \
    "$port" "Artist%20One%20-%20Song%20One|Artist%20Two%20-%20Song%20Two|Artist%20Three%20-%20Song%20Three|Artist%20Four%20-%20Song%20Four" "$1" \
    >"$work/xdg/sonabel/playlists/Bench Radio.m3u"
}
station 4.1

display=":$((200 + $$ % 300))"
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 100); do [ -e "/tmp/.X11-unix/X${display#:}" ] && break; sleep 0.05; done
[ -e "/tmp/.X11-unix/X${display#:}" ] || fail "Xvfb did not start"

# A private session bus, so the player's now-playing service can be asked whether it plays.
bus=""
if command -v dbus-daemon >/dev/null && command -v busctl >/dev/null; then
  dbus-daemon --session --nofork --print-address=1 >"$work/bus.address" 2>/dev/null &
  pids+=($!)
  for _ in $(seq 100); do bus=$(head -1 "$work/bus.address"); [ -n "$bus" ] && break; sleep 0.05; done
fi

# The player runs from a folder of its own, so the example station lists beside the build are
# not among its stations: the bench station is the first and only one.
cp "$build/sonabel" "$build/libsonabel-audio.so" "$build/Resources.zpac" "$work/own/"
export DISPLAY="$display" SDL_VIDEODRIVER=x11 SONABEL_NO_DIALOGS=1 HOME="$work" XDG_DATA_HOME="$work/xdg"
[ -n "$bus" ] && export DBUS_SESSION_BUS_ADDRESS="$bus"
unset SONABEL_AUDIO_DEVICE

pid="" window=""
# start_player AUDIO_FILE: the player with SDL's disk audio driver writing to AUDIO_FILE.
start_player() {
  rm -f "$work/settings.ini"
  SONABEL_SETTINGS_FILE="$work/settings.ini" SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$1" \
    "$work/own/sonabel" >"$work/player.log" 2>&1 &
  pid=$!
  pids+=("$pid")
  window=$(timeout 10 xdotool search --sync --onlyvisible --name '^Sonabel$' 2>/dev/null | head -1) || true
  [ -n "$window" ] || fail "no player window (see the player's output: $(head -c 500 "$work/player.log"))"
}
stop_player() {
  xdotool windowmap "$window" 2>/dev/null || true
  end "$pid" || echo "note: the player did not end within 5 s of SIGTERM"
}
status() {
  [ -n "$bus" ] || { echo unknown; return; }
  { busctl --timeout=3 --address="$bus" get-property org.mpris.MediaPlayer2.sonabel /org/mpris/MediaPlayer2 \
      org.mpris.MediaPlayer2.Player PlaybackStatus 2>/dev/null || true; } | sed 's/^s "\(.*\)"$/\1/'
}
title() {
  [ -n "$bus" ] || return 0
  { busctl --timeout=3 --address="$bus" get-property org.mpris.MediaPlayer2.sonabel /org/mpris/MediaPlayer2 \
      org.mpris.MediaPlayer2.Player Metadata 2>/dev/null || true; } | sed -n 's/.*"xesam:title" s "\([^"]*\)".*/\1/p'
}
# Presses play and waits until the player says it plays (or 10 s, when there is no bus to ask).
play() {
  xdotool key --window "$window" space
  for _ in $(seq 100); do
    [ "$(status)" = Playing ] && return 0
    sleep 0.1
  done
  [ -z "$bus" ] || fail "the station did not start playing (status: $(status))"
}
ticks() { awk '{print $14 + $15}' "/proc/$pid/stat"; }
# One line per thread: id, name, CPU ticks so far.
thread_ticks() {
  local t s name fields
  for t in /proc/"$pid"/task/*; do
    s=$(cat "$t/stat" 2>/dev/null) || continue
    name=${s#*(}
    name=${name%)*}
    read -r -a fields <<<"${s##*) }"  # from the state on: utime and stime are the 12th and 13th
    echo "${t##*/} ${name// /_} $((fields[11] + fields[12]))"
  done
}
hz=$(getconf CLK_TCK)
# cpu_over SECONDS TARGET LABEL: the process's share of one core over SECONDS, and its busiest threads.
cpu_over() {
  local before after
  thread_ticks >"$work/threads.before"
  before=$(ticks)
  sleep "$1"
  after=$(ticks)
  thread_ticks >"$work/threads.after"
  awk -v d=$((after - before)) -v hz="$hz" -v s="$1" -v t="$2" -v label="$3" 'BEGIN {
      p = 100 * d / hz / s
      printf "CPU playing, %s, over %d s (target < %s %% of one core): %.2f %% %s\n", label, s, t, p, p < t ? "PASS" : "MISSED" }'
  awk -v hz="$hz" -v s="$1" 'NR == FNR { b[$1] = $3; next }
      { d = $3 - b[$1]; if (d > 0) printf "%.2f %s/%s\n", 100 * d / hz / s, $2, $1 }' \
      "$work/threads.before" "$work/threads.after" | sort -rn | awk 'NR <= 5' |
    awk '{ line = line sep $2 " " $1 " %"; sep = ", " } END { print "  busiest threads (name/id): " (line == "" ? "none" : line) }'
}
# Resident memory split two ways: pages of mapped files against anonymous memory, and shared
# against private pages. Private clean pages are mostly library pages no other process maps.
memory() {
  awk '/^Rss:/ { rss = $2 } /^Private_Clean:/ { pc = $2 } /^Private_Dirty:/ { pd = $2 } /^Anonymous:/ { anon = $2 }
       END { p = (pc + pd) / 1024
             printf "memory playing: resident %.1f MB = %.1f MB mapped files + %.1f MB anonymous; private %.1f MB = %.1f MB clean + %.1f MB dirty\n",
                    rss / 1024, (rss - anon) / 1024, anon / 1024, p, pc / 1024, pd / 1024
             printf "  target private < 30 MB: %.1f MB %s (anonymous and dirty pages only: %.1f MB %s)\n",
                    p, p < 30 ? "PASS" : "MISSED", pd / 1024, pd / 1024 < 30 ? "PASS" : "MISSED" }' \
    "/proc/$pid/smaps_rollup"
  awk '/^[0-9a-f]+-[0-9a-f]+ / { name = $6 == "" ? "[anonymous]" : $6; sub(/.*\//, "", name) }
       /^Private_Clean:/ { clean[name] += $2 } /^Private_Dirty:/ { dirty[name] += $2 }
       END { for (n in clean) if (clean[n] + dirty[n] >= 512) printf "%.1f %s\n", (clean[n] + dirty[n]) / 1024, n }' \
      "/proc/$pid/smaps" | sort -rn | awk 'NR <= 6' |
    awk '{ line = line sep $2 " " $1; sep = ", " } END { print "  largest private parts (MB): " line }'
}
rss_kb() { awk '/^Rss:/ { print $2 }' "/proc/$pid/smaps_rollup"; }
anon_kb() { awk '/^Anonymous:/ { print $2 }' "/proc/$pid/smaps_rollup"; }
fds() { ls "/proc/$pid/fd" | wc -l; }

if [ "$soak" -gt 0 ]; then
  start_player /dev/null
  play
  warm=120
  [ "$soak" -ge 180 ] || warm=$((soak / 2))
  echo "soak: playing the station for $soak s (titles change every 10 s), a sample every minute, growth counted after $warm s"
  start=$(date +%s)
  cpu0=$(ticks)
  t=0 base_rss="" base_anon="" base_fds="" fd_min="" fd_max="" titles_seen=""
  while :; do
    next=$((t + 60 < soak ? t + 60 : soak))
    [ "$t" -lt "$warm" ] && [ "$next" -gt "$warm" ] && next=$warm
    wait_s=$((start + next - $(date +%s)))
    [ "$wait_s" -le 0 ] || sleep "$wait_s"
    t=$next
    kill -0 "$pid" 2>/dev/null || fail "the player ended after $t s"
    r=$(rss_kb) a=$(anon_kb) f=$(fds) s=$(status) ti=$(title)
    awk -v t="$t" -v r="$r" -v a="$a" -v f="$f" -v s="$s" -v ti="$ti" \
      'BEGIN { printf "  %5d s: resident %.2f MB (anonymous %.2f MB), open files %d, %s, title \"%s\"\n", t, r / 1024, a / 1024, f, s, ti }'
    case "|$titles_seen|" in *"|$ti|"*) ;; *) titles_seen="$titles_seen|$ti" ;; esac
    if [ "$t" -ge "$warm" ]; then
      [ -n "$base_rss" ] || { base_rss=$r; base_anon=$a; base_fds=$f; fd_min=$f; fd_max=$f; }
      [ "$f" -lt "$fd_min" ] && fd_min=$f
      [ "$f" -gt "$fd_max" ] && fd_max=$f
    fi
    [ "$t" -ge "$soak" ] && break
  done
  cpu1=$(ticks)
  growth=$((r - base_rss))
  awk -v g="$growth" -v ga=$((a - base_anon)) -v w="$warm" -v e="$t" 'BEGIN {
      printf "resident growth from %d s to %d s (target < 1 MB): %+.2f MB %s (anonymous %+.2f MB)\n", w, e, g / 1024, g < 1024 ? "PASS" : "MISSED", ga / 1024 }'
  if [ "$fd_min" = "$fd_max" ]; then
    echo "open files after $warm s: constant at $base_fds PASS"
  else
    echo "open files after $warm s: between $fd_min and $fd_max MISSED"
  fi
  awk -v d=$((cpu1 - cpu0)) -v hz="$hz" -v s="$soak" 'BEGIN { printf "CPU over the whole soak: %.2f %% of one core\n", 100 * d / hz / s }'
  echo "titles seen at the samples: ${titles_seen#|}"
  memory
  stop_player
  exit 0
fi

# 1. Key to first audible sample. SDL's disk driver writes the device's blocks to a file in real
# time, silence included, so each run waits for silence, then watches for the first non-zero
# byte written after the key.
cat >"$work/first_sound.py" <<'EOF'
import os, subprocess, sys, time
path, window, mode = sys.argv[1:4]
def size():
    try:
        return os.path.getsize(path)
    except FileNotFoundError:
        return 0
if mode == "silence":  # waits until the newest 0.3 s written are all zero
    deadline = time.monotonic() + 10
    while time.monotonic() < deadline:
        n = size()
        if n == 0:
            break
        with open(path, "rb") as f:
            f.seek(max(0, n - 105840))
            if not f.read().strip(b"\0"):
                break
        time.sleep(0.05)
    else:
        sys.exit("no silence after stopping")
    sys.exit(0)
offset = size()
t0 = time.monotonic()
key = subprocess.Popen(["xdotool", "key", "--window", window, "space"])
f = None
while time.monotonic() < t0 + 10:
    if f is None:
        try:
            f = open(path, "rb")
            f.seek(offset)
        except FileNotFoundError:
            f = None
            time.sleep(0.002)
            continue
    if os.fstat(f.fileno()).st_size < f.tell():
        f.seek(0)  # the device was opened anew
    chunk = f.read()
    if chunk.strip(b"\0"):
        print(round((time.monotonic() - t0) * 1000))
        break
    time.sleep(0.002)
else:
    print("none")
key.wait()
EOF
# first_sounds BURST: five plays of the station sending BURST seconds at once, each timed.
first_sounds() {
  local run ms median firsts=()
  station "$1"
  rm -f "$work/sound.raw"
  start_player "$work/sound.raw"
  for run in 1 2 3 4 5; do
    python3 "$work/first_sound.py" "$work/sound.raw" "$window" silence || fail "the output did not fall silent"
    ms=$(python3 "$work/first_sound.py" "$work/sound.raw" "$window" play)
    [ "$ms" != none ] || fail "no sound within 10 s of pressing play (run $run)"
    firsts+=("$ms")
    sleep 1
    xdotool key --window "$window" space  # stop
  done
  stop_player
  median=$(printf '%s\n' "${firsts[@]}" | sort -n | sed -n 3p)
  printf 'key to first audible sample, server bursting %s s (target < 300 ms): median %d ms of 5 (%s ms; the first run opens the engine) %s\n' \
    "$1" "$median" "${firsts[*]}" "$([ "$median" -lt 300 ] && echo PASS || echo MISSED)"
}
first_sounds 4.1
# A server that sends less than the engine's prebuffer (75 % of its 5 s buffer) at once: the
# rest arrives in real time before the sound starts.
first_sounds 1
station 4.1

# 2 and 3. CPU and memory while playing; the device's output goes to /dev/null.
start_player /dev/null
play
sleep 5  # past the connection and the first title
title_before=$(title)
cpu_over "$seconds" 3 "window shown"
memory
xdotool windowminimize "$window" 2>/dev/null || true
sleep 1
how="minimised (xdotool windowminimize)"
shown() { [[ "$(xwininfo -id "$window")" == *"Map State: IsViewable"* ]]; }
if shown; then
  # Without a window manager nothing answers the request to iconify: take the window off the screen.
  xdotool windowunmap "$window"
  sleep 1
  how="unmapped (xdotool windowunmap; no window manager to minimise it)"
fi
shown && how="still shown: neither minimising nor unmapping hid it"
cpu_over "$seconds" 1 "window $how"
answer=$(status)
xdotool windowmap "$window"
sleep 1
if [ -n "$bus" ]; then
  [ -n "$answer" ] || echo "note: while hidden the player did not answer on the session bus (its idle work waits until the window is shown)"
  [ "$(status)" = Playing ] || echo "note: the player's status at the end was \"$(status)\""
  echo "title at the start / end of the measures: \"$title_before\" / \"$(title)\""
fi
stop_player
