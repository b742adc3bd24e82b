#!/usr/bin/env bash
# Runs one fuzz target for a given time:
#   scripts/fuzz.sh gif|layout|decoder|settings SECONDS [more libFuzzer options]
# Builds the targets with clang-14, libFuzzer, ASan and UBSan into build-fuzz/ (or
# $VORLIX_FUZZ_BUILD) when needed, makes the starting corpus there, and keeps the inputs that
# reach new code in fuzz/corpus-run/TARGET/ so that later runs go on from them. An input that
# crashes, leaks or hangs is saved as fuzz/corpus-run/findings/TARGET-*; the script then exits
# non-zero.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

if [ "$#" -lt 2 ] || ! [[ "$2" =~ ^[0-9]+$ ]]; then
  echo "usage: scripts/fuzz.sh gif|layout|decoder|settings SECONDS [libFuzzer options]" >&2
  exit 2
fi
case "$1" in
  gif | gif_conversion) target=gif_conversion corpus_kind=gif ;;
  layout | gif_layout) target=gif_layout corpus_kind=gif ;;
  decoder | gif_image_decoder) target=gif_image_decoder corpus_kind=gif ;;
  settings | settings_file) target=settings_file corpus_kind=settings ;;
  *)
    echo "scripts/fuzz.sh: unknown target '$1' (gif, layout, decoder or settings)" >&2
    exit 2
    ;;
esac
seconds=$2
shift 2

build=${VORLIX_FUZZ_BUILD:-build-fuzz}
if [ ! -f "$build/CMakeCache.txt" ]; then
  CC=clang-14 CXX=clang++-14 cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DVORLIX_FUZZ=ON -DVORLIX_SANITIZE=ON -DVORLIX_BUILD_TESTS=OFF -DVORLIX_BUILD_WINDOW=OFF \
    -DVORLIX_BUILD_BENCH=OFF >/dev/null
fi
cmake --build "$build" -j"$(nproc)" --target "fuzz_$target" make_fuzz_corpus >/dev/null

start="$root/$build/fuzz/corpus/$corpus_kind"
if [ ! -d "$start" ]; then
  mkdir -p "$start.tmp"
  "$build/fuzz/make_fuzz_corpus" "$corpus_kind" "$start.tmp"
  mv "$start.tmp" "$start"
fi
grown="$root/fuzz/corpus-run/$target"
findings="$root/fuzz/corpus-run/findings"
mkdir -p "$grown" "$findings"

# One GIF of the largest canvas with MaxFrames frames takes tens of seconds; the time limit per
# input stays well above that so that only a real hang is reported.
case "$target" in
  gif_conversion) limits=(-max_len=16384 -timeout=300 -report_slow_units=120 -rss_limit_mb=3072) ;;
  gif_layout) limits=(-max_len=16384 -timeout=10) ;;
  gif_image_decoder) limits=(-max_len=16384 -timeout=30 -rss_limit_mb=3072) ;;
  settings_file) limits=(-max_len=64 -timeout=10) ;;
esac

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
echo "Fuzzing $target for $seconds s (corpus $grown, starting corpus $start)"
"$build/fuzz/fuzz_$target" "${limits[@]}" -max_total_time="$seconds" -print_final_stats=1 \
  -artifact_prefix="$findings/$target-" "$@" "$grown" "$start"
