#!/usr/bin/env bash
# Benchmark: builds what is missing, generates the three inputs, then times side by side, in one
# run, vorlix-cli (default options), the straightforward reference conversion, gifsicle
# (unoptimise and resize to 120x150, the peer) and a decode-only floor, and prints one table of
# medians and ratios. Wall times; the peak resident memory of vorlix-cli from /usr/bin/time.
# Then the answer times of the preview on the 640x480 video (bench/preview_bench), and the
# tracker-style GIF preview stored as changes beside stored whole (bench/preview_gif_bench).
#   bench/run.sh            BUILD=dir (default build/), RUNS=5, LITERAL_RUNS=3, OUT=bench/out,
#                           PREVIEW_GIF_FRAMES=60
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$(realpath -m "${BUILD:-$root/build}")"
runs="${RUNS:-5}"
literal_runs="${LITERAL_RUNS:-3}"
out="$(realpath -m "${OUT:-$root/bench/out}")"

if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$build" -j"$(nproc)" --target vorlix-cli vorlix_literal bench_floor bench_inputs preview_bench preview_gif_bench \
  >/dev/null
command -v gifsicle >/dev/null || { echo "gifsicle is missing (scripts/setup.sh installs it)"; exit 1; }
have_time=1
[ -x /usr/bin/time ] || have_time=0

mkdir -p "$out/inputs" "$out/work"
inputs=(sprites terminal video)
if [ ! -f "$out/inputs/.complete" ]; then
  echo "Generating inputs in $out/inputs ..." >&2
  "$build/bench/bench_inputs" "$out/inputs"
  touch "$out/inputs/.complete"
fi

# Runs a command in a clean working folder and sets T (wall seconds) and P (peak resident KiB,
# 0 without /usr/bin/time). A failing command stops the benchmark with its error output.
measure() {
  rm -rf "$out/work" && mkdir -p "$out/work"
  local start end status=0
  start=$EPOCHREALTIME
  if [ "$have_time" = 1 ]; then
    (cd "$out/work" && /usr/bin/time -f %M -o "$out/peak.txt" "$@" >/dev/null 2>"$out/err.txt") ||
      status=$?
  else
    (cd "$out/work" && "$@" >/dev/null 2>"$out/err.txt") || status=$?
  fi
  end=$EPOCHREALTIME
  if [ "$status" != 0 ]; then
    echo "failed ($status): $*" >&2
    cat "$out/err.txt" >&2
    exit 1
  fi
  P=0
  [ "$have_time" = 1 ] && P=$(tail -n 1 "$out/peak.txt")
  T=$(awk -v s="$start" -v e="$end" 'BEGIN { printf "%.4f", e - s }')
}

median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

printf '%-13s %6s %9s %9s %9s %9s %10s %9s %10s %9s %5s\n' input frames ours_s literal_s \
  peer_s floor_s ours/lit ours/peer ours/floor ours_MiB same
for name in "${inputs[@]}"; do
  gif="$out/inputs/$name.gif"
  frames=$(gifsicle --info "$gif" | awk 'NR == 1 { print $3 }')
  ours=() literal=() peer=() floor=() peaks=()
  for ((i = 0; i < runs; i++)); do
    measure "$build/vorlix-cli" "$gif" ours.xm
    cp "$out/work/ours.xm" "$out/$name.ours.xm"
    ours+=("$T") peaks+=("$P")
    if ((i < literal_runs)); then
      measure "$build/bench/vorlix_literal" "$gif" literal.xm
      cp "$out/work/literal.xm" "$out/$name.literal.xm"
      literal+=("$T")
    fi
    measure gifsicle --unoptimize --resize 120x150 "$gif" -o peer.gif
    peer+=("$T")
    measure "$build/bench/bench_floor" "$gif"
    floor+=("$T")
  done
  o=$(printf '%s\n' "${ours[@]}" | median)
  l=$(printf '%s\n' "${literal[@]}" | median)
  g=$(printf '%s\n' "${peer[@]}" | median)
  f=$(printf '%s\n' "${floor[@]}" | median)
  m=$(printf '%s\n' "${peaks[@]}" | sort -g | tail -n 1)
  same=no
  cmp -s "$out/$name.ours.xm" "$out/$name.literal.xm" && same=yes
  awk -v n="$name" -v fr="$frames" -v o="$o" -v l="$l" -v g="$g" -v f="$f" -v m="$m" -v s="$same" \
    'BEGIN { printf "%-13s %6s %9.3f %9.3f %9.3f %9.3f %10.3f %9.2f %10.2f %9.1f %5s\n",
             n, fr, o, l, g, f, o / l, o / g, o / f, m / 1024, s }'
done
echo "Medians of $runs runs ($literal_runs for the literal path), wall seconds, all in this one run."
echo "ours: vorlix-cli, default options, at most 240 frames. literal: bench/vorlix_literal, the"
echo "straightforward conversion with the image library's playback frames. peer: gifsicle"
echo "--unoptimize --resize 120x150, all frames. floor: bench/bench_floor, a decode of each raw"
echo "frame (at most 240) through the library's multi-page interface, which re-reads the whole"
echo "file for every page; ours reads it from memory, so ours/floor can fall below 1. same: ours"
echo "and literal wrote identical modules."
[ "$have_time" = 1 ] || echo "Peak memory not measured: /usr/bin/time (package time) is missing."
echo
"$build/bench/preview_bench" "$out/inputs/video.gif" 20
echo "Preview: medians of 20 changes, each followed by drawing the shown frame (frame 0)."
echo
rm -rf "$out/work" && mkdir -p "$out/work"
"$build/bench/preview_gif_bench" "$out/inputs/video.gif" "$out/work" "${PREVIEW_GIF_FRAMES:-60}"
"$build/bench/preview_gif_bench" "$out/inputs/sprites.gif" "$out/work" "${PREVIEW_GIF_FRAMES:-60}" |
  tail -n 1
echo "Tracker-style GIF preview of the first ${PREVIEW_GIF_FRAMES:-60} frames, wall milliseconds:"
echo "whole: every frame stored whole (the former way); changes: only what changes between frames,"
echo "as vorlix-cli --preview-style tracker writes it. Ratios below 1 are smaller or faster."
