#!/usr/bin/env bash
# The player on a virtual display (Xvfb) with the working skin: time from process start to the
# first frame on screen (median of 7 starts; target under 150 ms), CPU used over 60 s with the
# skin open and nothing playing (target under 1 % of one core), and resident memory after start,
# split into pages of mapped files (the program and its shared libraries) and the program's own
# anonymous memory.
#   bench/player.sh [BUILD_DIR] [IDLE_SECONDS]
set -euo pipefail
build="${1:-build}"
idle="${2:-60}"
player="$build/sonabel"
[ -x "$player" ] || { echo "no $player; build first" >&2; exit 1; }
work="$(mktemp -d)"
display=":$((200 + $$ % 300))"
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null; rm -rf "$work"' EXIT
for _ in $(seq 100); do [ -e "/tmp/.X11-unix/X${display#:}" ] && break; sleep 0.05; done
export DISPLAY="$display" SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=dummy SONABEL_NO_DIALOGS=1
export SONABEL_SETTINGS_FILE="$work/settings.ini"

starts=()
for _ in $(seq 7); do
  t0=$(date +%s%N)
  line=$(SONABEL_TIMING=1 "$player" --screenshot "$work/shot.png" --quit-after 200 2>&1 | grep 'first frame shown at')
  t1=${line##* at }
  t1=${t1% ns}
  starts+=($(( (t1 - t0) / 100000 )))
done
median=$(printf '%s\n' "${starts[@]}" | sort -n | sed -n 4p)
printf 'start to first frame (target < 150 ms): median %d.%d ms of 7 (%s, tenths of ms)\n' \
  $((median / 10)) $((median % 10)) "${starts[*]}"

"$player" >/dev/null 2>&1 &
pid=$!
sleep 2
ticks() { awk '{print $14 + $15}' "/proc/$pid/stat"; }
before=$(ticks)
sleep "$idle"
after=$(ticks)
hz=$(getconf CLK_TCK)
awk -v d=$((after - before)) -v hz="$hz" -v s="$idle" \
  'BEGIN { printf "idle CPU over %d s (target < 1 %% of one core): %.2f %%\n", s, 100 * d / hz / s }'
awk '/^[0-9a-f]+-[0-9a-f]+ / { file = ($6 != "" && $6 !~ /^\[/) } /^Rss:/ { rss = $2 } /^Anonymous:/ {
       anon += $2; if (file) filekb += rss - $2; else other += rss - $2 }
     END { printf "resident after start: %.1f MB = %.1f MB mapped files (program and shared libraries) + %.1f MB own anonymous memory\n",
                  (filekb + anon + other) / 1024, filekb / 1024, (anon + other) / 1024 }' "/proc/$pid/smaps"
kill -TERM "$pid"
wait "$pid" || true
