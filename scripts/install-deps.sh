#!/usr/bin/env bash
# Installs the Debian packages Sonabel builds, runs and tests with. Safe to run again:
# packages that are already installed are skipped, and nothing is done when all are there.
# With --fuzz (or SONABEL_FUZZ=1) it also installs what fuzz/run.sh needs: clang with its
# sanitizer and libFuzzer runtimes, and Python for the seed corpora.
set -euo pipefail

packages=(
  # build
  build-essential cmake ninja-build pkg-config
  # tests and benchmarks
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  libpixman-1-dev
  # bitmaps
  libpng-dev zlib1g-dev
  # skin packages (7z)
  libarchive-dev
  # window, input, timers, message boxes, audio output
  libsdl2-dev
  # text
  libfreetype-dev libfontconfig-dev fonts-liberation2 fonts-dejavu-core
  # streams, files, samples
  libavformat-dev libavcodec-dev libavutil-dev libswresample-dev
  # tracker modules
  libopenmpt-dev
  # XML for scripts
  libpugixml-dev
  # now-playing on the session bus
  libsystemd-dev
  # test tools: packages, audio, end-to-end window tests, private session bus
  7zip ffmpeg sox xvfb xauth xdotool imagemagick dbus-daemon
  # speed comparison of the scripting language
  lua5.4 liblua5.4-dev
)
if [ "${1:-}" = "--fuzz" ] || [ "${SONABEL_FUZZ:-0}" = 1 ]; then
  packages+=(clang libclang-rt-14-dev python3)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

sudo=()
if [ "$(id -u)" -ne 0 ]; then
  sudo=(sudo)
fi

echo "Installing: ${missing[*]}" >&2
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
