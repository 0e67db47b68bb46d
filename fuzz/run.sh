#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, AddressSanitizer + UndefinedBehaviorSanitizer) into
# build-fuzz/ and runs each for a while:
#   fuzz/run.sh [-j N] [SECONDS] [TARGET...]
# SECONDS per target (default 60); -j N runs N targets at a time (default 1); TARGETs are names
# such as png_decode (default: every fuzz/*.cpp). Corpora grow in build-fuzz/corpus/NAME, seeded
# from build-fuzz/seeds/NAME; inputs that crash, hang (over the per-input time-out) or run out
# of memory are written to build-fuzz/artifacts/NAME/, the output to build-fuzz/logs/NAME.log.
# Prints each target's run count and result; exits 1 when any target found a problem.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
out="$root/build-fuzz"

jobs=1
if [ "${1:-}" = "-j" ]; then
  jobs="$2"
  shift 2
fi
seconds=60
if [[ "${1:-}" =~ ^[0-9]+$ ]]; then
  seconds="$1"
  shift
fi
if [ $# -gt 0 ]; then
  targets=("$@")
else
  targets=()
  for f in "$root"/fuzz/*.cpp; do targets+=("$(basename "$f" .cpp)"); done
fi

# Per target: the longest input (bytes) and the time one input may take (seconds) before it
# counts as a hang.
declare -A max_len=([zcl_token]=8192 [zcl_compile]=8192 [zil_interp]=2400 [zml_tagparser]=8192
                    [png_decode]=65536 [bmp_decode]=65536 [resource_package]=65536
                    [playlist_parse]=8192 [icy_metadata]=8192 [string_format]=2048)
declare -A timeout=([zcl_compile]=10 [zil_interp]=10 [resource_package]=10 [png_decode]=10)
# libarchive's LZMA decoder reserves the dictionary a package's header claims (up to gigabytes,
# never touched by a short entry); AddressSanitizer's bookkeeping of such a block takes seconds,
# so for packages larger requests fail instead.
declare -A asan_extra=([resource_package]=":max_allocation_size_mb=256")

"$root/scripts/install-deps.sh" --fuzz
cmake -S "$root" -B "$out" -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DSONABEL_FUZZ=ON -DSONABEL_BENCH=OFF >/dev/null
cmake --build "$out" --target fuzz_seeds "${targets[@]/#/fuzz_}"

# A request too large for any allocator fails (null) as it does without the sanitizer: libarchive
# and libpng ask for what a damaged header claims and cope with the failure. A single request
# over the memory limit still counts as a problem.
export ASAN_OPTIONS="${ASAN_OPTIONS:-abort_on_error=1:detect_leaks=1:allocator_may_return_null=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"

# Runs one target; prints "NAME  RUNS  RESULT" and returns non-zero when it found a problem.
run_one() {
  local name="$1"
  local corpus="$out/corpus/$name" artifacts="$out/artifacts/$name/" log="$out/logs/$name.log"
  mkdir -p "$corpus" "$artifacts" "$out/logs"
  local seeds=()
  [ -d "$out/seeds/$name" ] && seeds=("$out/seeds/$name")
  local status=0
  ASAN_OPTIONS="$ASAN_OPTIONS${asan_extra[$name]:-}" "$out/fuzz_$name" -max_total_time="$seconds" -timeout="${timeout[$name]:-5}" -rss_limit_mb=2048 \
    -max_len="${max_len[$name]:-4096}" -artifact_prefix="$artifacts" -print_final_stats=1 \
    "$corpus" "${seeds[@]}" >"$log" 2>&1 || status=$?
  local runs
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  [ -n "$runs" ] || runs=$(sed -n 's/^#\([0-9]*\).*DONE.*/\1/p' "$log" | tail -1)
  if [ "$status" -eq 0 ]; then
    printf '%-18s %12s runs  ok\n' "$name" "${runs:-?}"
  else
    local what
    what=$(grep -m1 -o -E 'ERROR: (AddressSanitizer|LeakSanitizer|libFuzzer): [a-zA-Z -]+|runtime error: .*|deadly signal|timeout after [0-9]+ seconds|out-of-memory \([^)]*\)' "$log" || true)
    printf '%-18s %12s runs  FOUND: %s (exit %d; see %s)\n' "$name" "${runs:-?}" "${what:-a failure}" "$status" "$log"
  fi
  return "$status"
}

failed=0
running=0
for name in "${targets[@]}"; do
  if [ "$running" -ge "$jobs" ]; then
    wait -n || failed=1
    running=$((running - 1))
  fi
  run_one "$name" &
  running=$((running + 1))
done
while [ "$running" -gt 0 ]; do
  wait -n || failed=1
  running=$((running - 1))
done
exit "$failed"
