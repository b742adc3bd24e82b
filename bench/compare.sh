#!/usr/bin/env bash
# Two builds of vorlix-cli timed in turn on the benchmark's inputs (bench/run.sh makes them):
# run by run, A then B, so that whatever else the machine does falls on both alike. Prints the
# median wall time of each and their ratio. When both builds hold bench/preview_bench, the
# preview's answer times on the video are compared the same way: preparing every frame, and a
# change of width or threshold.
#   bench/compare.sh BUILD_A BUILD_B     RUNS=5, OUT=bench/out (as bench/run.sh)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build_a="$(realpath "${1:?usage: bench/compare.sh BUILD_A BUILD_B}")"
build_b="$(realpath "${2:?usage: bench/compare.sh BUILD_A BUILD_B}")"
a="$build_a/vorlix-cli" b="$build_b/vorlix-cli"
runs="${RUNS:-5}"
inputs="$(realpath -m "${OUT:-$root/bench/out}")/inputs"
[ -x "$a" ] && [ -x "$b" ] || { echo "build vorlix-cli in both folders first"; exit 1; }
[ -f "$inputs/.complete" ] || { echo "no inputs in $inputs: run bench/run.sh once"; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

median() { sort -n | sed -n "$(((runs + 1) / 2))p"; }
seconds() {  # seconds CLI INPUT: wall time of one conversion in an empty folder
  rm -f "$work"/*.xm
  local start=$EPOCHREALTIME
  (cd "$work" && "$1" -q "$2" out >/dev/null 2>&1)
  awk -v s="$start" -v e="$EPOCHREALTIME" 'BEGIN { printf "%.4f\n", e - s }'
}

printf '%-10s %8s %8s %8s\n' input a_s b_s b/a
for input in sprites terminal video; do
  times_a=() times_b=()
  for _ in $(seq "$runs"); do
    times_a+=("$(seconds "$a" "$inputs/$input.gif")")
    times_b+=("$(seconds "$b" "$inputs/$input.gif")")
  done
  ma=$(printf '%s\n' "${times_a[@]}" | median)
  mb=$(printf '%s\n' "${times_b[@]}" | median)
  printf '%-10s %8.3f %8.3f %8.3f\n' "$input" "$ma" "$mb" "$(awk -v a="$ma" -v b="$mb" 'BEGIN { print b / a }')"
done

[ -x "$build_a/bench/preview_bench" ] && [ -x "$build_b/bench/preview_bench" ] || exit 0
# One figure of the preview bench's report, in milliseconds.
figure() { awk -v key="$2" 'index($0, key) == 1 { print $NF }' "$1"; }
keys=("every frame prepared" "picture: width change" "picture: threshold change")
declare -A preview_a preview_b
for _ in $(seq "$runs"); do
  "$build_a/bench/preview_bench" "$inputs/video.gif" >"$work/a.txt" 2>&1
  "$build_b/bench/preview_bench" "$inputs/video.gif" >"$work/b.txt" 2>&1
  for key in "${keys[@]}"; do
    preview_a[$key]+="$(figure "$work/a.txt" "$key") "
    preview_b[$key]+="$(figure "$work/b.txt" "$key") "
  done
done
echo
printf '%-30s %8s %8s %8s\n' "preview of video.gif" a_ms b_ms b/a
for key in "${keys[@]}"; do
  ma=$(printf '%s\n' ${preview_a[$key]} | median)
  mb=$(printf '%s\n' ${preview_b[$key]} | median)
  printf '%-30s %8.2f %8.2f %8.3f\n' "$key" "$ma" "$mb" "$(awk -v a="$ma" -v b="$mb" 'BEGIN { print b / a }')"
done
