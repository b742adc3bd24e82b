#!/usr/bin/env bash
# Benchmark: builds what is missing, generates the three inputs, then times side by side, in one
# run, vorlix-cli (default options), the straightforward reference conversion, gifsicle
# (unoptimise and resize to 120x150, the peer) and two decode-only floors, and prints one table
# of medians and ratios, in wall and in CPU time (user + system, from /usr/bin/time), with the
# peak resident memory of vorlix-cli. The ratios to the floor use the giflib floor: one pass
# over the file, every raster drawn onto a canvas, nothing stretched.
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
cmake --build "$build" -j"$(nproc)" --target vorlix-cli vorlix_literal bench_floor bench_inputs preview_bench \
  preview_gif_bench tracker_gif_bench giflib_floor >/dev/null
[ -x "$build/bench/giflib_floor" ] || { echo "giflib is missing (scripts/setup.sh installs libgif-dev)"; exit 1; }
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

# Runs a command in a clean working folder and sets T (wall seconds), C (CPU seconds) and P
# (peak resident KiB); C and P are 0 without /usr/bin/time. A failing command stops the
# benchmark with its error output.
measure() {
  rm -rf "$out/work" && mkdir -p "$out/work"
  local start end status=0
  start=$EPOCHREALTIME
  if [ "$have_time" = 1 ]; then
    (cd "$out/work" && /usr/bin/time -f "%M %U %S" -o "$out/peak.txt" "$@" >/dev/null 2>"$out/err.txt") ||
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
  P=0 C=0
  if [ "$have_time" = 1 ]; then
    read -r P user system < <(tail -n 1 "$out/peak.txt")
    C=$(awk -v u="$user" -v s="$system" 'BEGIN { printf "%.4f", u + s }')
  fi
  T=$(awk -v s="$start" -v e="$end" 'BEGIN { printf "%.4f", e - s }')
}

median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

printf '%-9s %6s %7s %7s %7s %7s %7s %7s %8s %9s %10s %11s %8s %8s %4s\n' input frames \
  ours_s ours_cpu peer_s floor_s fi_fl_s lit_s ours/lit ours/peer peer_cpu floor_wall floor_cpu \
  ours_MiB same
for name in "${inputs[@]}"; do
  gif="$out/inputs/$name.gif"
  frames=$(gifsicle --info "$gif" | awk 'NR == 1 { print $3 }')
  ours=() oursc=() literal=() peer=() peerc=() floor=() floorc=() fifloor=() peaks=()
  for ((i = 0; i < runs; i++)); do
    measure "$build/vorlix-cli" "$gif" ours.xm
    cp "$out/work/ours.xm" "$out/$name.ours.xm"
    ours+=("$T") oursc+=("$C") peaks+=("$P")
    if ((i < literal_runs)); then
      measure "$build/bench/vorlix_literal" "$gif" literal.xm
      cp "$out/work/literal.xm" "$out/$name.literal.xm"
      literal+=("$T")
    fi
    measure gifsicle --unoptimize --resize 120x150 "$gif" -o peer.gif
    peer+=("$T") peerc+=("$C")
    measure "$build/bench/giflib_floor" "$gif"
    floor+=("$T") floorc+=("$C")
    measure "$build/bench/bench_floor" "$gif"
    fifloor+=("$T")
  done
  o=$(printf '%s\n' "${ours[@]}" | median)
  l=$(printf '%s\n' "${literal[@]}" | median)
  g=$(printf '%s\n' "${peer[@]}" | median)
  f=$(printf '%s\n' "${floor[@]}" | median)
  oc=$(printf '%s\n' "${oursc[@]}" | median)
  gc=$(printf '%s\n' "${peerc[@]}" | median)
  fc=$(printf '%s\n' "${floorc[@]}" | median)
  ff=$(printf '%s\n' "${fifloor[@]}" | median)
  m=$(printf '%s\n' "${peaks[@]}" | sort -g | tail -n 1)
  same=no
  cmp -s "$out/$name.ours.xm" "$out/$name.literal.xm" && same=yes
  awk -v n="$name" -v fr="$frames" -v o="$o" -v l="$l" -v g="$g" -v f="$f" -v m="$m" -v s="$same" \
    -v oc="$oc" -v gc="$gc" -v fc="$fc" -v ff="$ff" '
    function ratio(a, b) { return b > 0 ? a / b : 0 }
    BEGIN { printf "%-9s %6s %7.3f %7.3f %7.3f %7.3f %7.3f %7.3f %8.2f %9.2f %10.2f %11.2f %8.2f %8.1f %4s\n",
            n, fr, o, oc, g, f, ff, l, ratio(o, l), ratio(o, g), ratio(oc, gc), ratio(o, f),
            ratio(oc, fc), m / 1024, s }'
done
echo "Medians of $runs runs ($literal_runs for the literal path), seconds, all in this one run;"
echo "_s wall, _cpu user + system. ours: vorlix-cli, default options, at most 240 frames. peer:"
echo "gifsicle --unoptimize --resize 120x150, all frames. floor: bench/giflib_floor, giflib's"
echo "DGifSlurp and every raster drawn onto a canvas, nothing stretched; the ratios floor_wall and"
echo "floor_cpu are ours / floor. fi_fl: bench/bench_floor, each raw frame (at most 240) decoded"
echo "through the image library's multi-page interface. literal: bench/vorlix_literal, the"
echo "straightforward conversion with the library's playback frames. same: ours and literal wrote"
echo "identical modules. Load average at the end: $(cut -d' ' -f1-3 /proc/loadavg)."
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
echo

# The tracker-family GIF previews of every frame of sprites.gif beside its module, each the
# median of $runs runs of the whole run (open, prepare, draw, store): the whole pattern in the
# tracker style, and the ft2 style in the window MilkyTracker shows at 1024x768 (11 channels,
# 33 rows above and below the cursor row).
module_s=$(for _ in $(seq "$runs"); do
  measure "$build/vorlix-cli" "$out/inputs/sprites.gif" m.xm && echo "$T"; done | median)
tracker_s=$(for _ in $(seq "$runs"); do
  "$build/bench/tracker_gif_bench" "$out/inputs/sprites.gif" "$out/work/t.gif" tracker; done | median)
ft2_s=$(for _ in $(seq "$runs"); do
  "$build/bench/tracker_gif_bench" "$out/inputs/sprites.gif" "$out/work/f.gif" ft2 11 33 33; done | median)
printf "%-24s %8s %9s\n" "sprites.gif, 240 frames" "wall_s" "x_module"
awk -v m="$module_s" -v t="$tracker_s" -v f="$ft2_s" 'BEGIN {
  printf "%-24s %8.3f %9.2f\n", "module", m, 1
  printf "%-24s %8.3f %9.2f\n", "tracker gif, whole", t, t / m
  printf "%-24s %8.3f %9.2f\n", "ft2 gif, 11 x (33+1+33)", f, f / m }'
echo "Medians of $runs runs: vorlix-cli's module at the default options, and bench/tracker_gif_bench"
echo "writing the GIF preview of the same frames at the same options."
