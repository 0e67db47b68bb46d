#!/usr/bin/env bash
# Installs what is missing, builds everything and starts the player on its default skin
# (build/Resources.zpac, packed from skins/default). Arguments go to the player (sonabel --help).
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh
cmake -S . -B build -G Ninja >/dev/null
cmake --build build
exec build/sonabel "$@"
