#!/usr/bin/env bash
# Builds the markup parser's libFuzzer target with clang and runs it for a while:
#   fuzz/build-zml-fuzz.sh [SECONDS]      (default 60; the corpus is kept in build-fuzz/zml-corpus)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
out="$root/build-fuzz"
mkdir -p "$out/zml-corpus"
command -v clang++ >/dev/null || { echo "clang++ is needed for libFuzzer" >&2; exit 1; }
sources=("$root"/fuzz/zml_tagparser.cpp "$root"/zml/*.cpp "$root"/platform/dialog.cpp
         "$root"/ztools/zstring.cpp "$root"/ztools/zerror.cpp "$root"/ztools/zstringparser.cpp
         "$root"/ztools/zevent.cpp "$root"/ztools/zresource*.cpp "$root"/ztools/zfile.cpp
         "$root"/ztools/zpath.cpp "$root"/ztools/zstream.cpp)
clang++ -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -I"$root" -I"$root/src/include" \
  $(pkg-config --cflags sdl2) "${sources[@]}" $(pkg-config --libs sdl2 libarchive) -o "$out/zml_fuzz"
printf "<zml><box name='a' pos='1,2'><text>x &amp; \$(w)</text><item/></box></zml>" > "$out/zml-corpus/seed1"
printf "interface_zpane::box flags? text='a'? ( interface_zpane* )" > "$out/zml-corpus/seed2"
"$out/zml_fuzz" -max_total_time="${1:-60}" -max_len=4096 "$out/zml-corpus"
