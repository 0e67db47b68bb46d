#!/usr/bin/env bash
# Installs what is missing, builds everything and starts the most complete program there is.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh
cmake -S . -B build -G Ninja >/dev/null
cmake --build build

if [ -x build/sonabel ]; then
  exec build/sonabel "$@"
fi
# The player itself is not built yet. What exists is the resource layer: show the default
# skin's files as the player would read them.
echo "The player is not built yet; listing the default skin through the resource layer:" >&2
exec build/sonabel-skin ls skins/default
