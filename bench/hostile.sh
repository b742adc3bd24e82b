#!/usr/bin/env bash
# Hostile-input benchmark: what inputs that only look expensive cost vorlix-cli. Generates, as it
# goes and without holding them in memory, GIFs of 1x1 frames far beyond the 240 that are
# converted, and prints the wall time and peak resident memory of converting each. Neither may
# grow with the frames after the 240th.
#   bench/hostile.sh        BUILD=dir (default build/), OUT=dir (default bench/out/hostile),
#                           FRAMES="240 1000000 20000000" (frame counts to try)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$(realpath -m "${BUILD:-$root/build}")"
out="$(realpath -m "${OUT:-$root/bench/out/hostile}")"
frame_counts=(${FRAMES:-240 1000000 20000000})

if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$build" -j2 --target vorlix-cli make_gif >/dev/null
[ -x /usr/bin/time ] || { echo "/usr/bin/time (package time) is missing"; exit 1; }
mkdir -p "$out"

printf '%-12s %10s %9s %9s %s\n' frames file_MiB wall_s peak_MiB outcome
for frames in "${frame_counts[@]}"; do
  gif="$out/tiny-$frames.gif"
  [ -f "$gif" ] || "$build/tests/tools/make_gif" tiny "$gif" "$frames"
  rm -f "$out"/tiny-"$frames"*.xm
  status=0
  (cd "$out" && /usr/bin/time -f '%e %M' -o "$out/time.txt" timeout 600 "$build/vorlix-cli" \
    "$gif" "tiny-$frames" >/dev/null 2>"$out/err.txt") || status=$?
  read -r wall peak <"$out/time.txt" || true
  outcome="exit $status"
  grep -q 'Too many frames' "$out/err.txt" && outcome="$outcome, cut to 240"
  awk -v f="$frames" -v s="$(stat -c %s "$gif")" -v w="$wall" -v p="$peak" -v o="$outcome" \
    'BEGIN { printf "%-12s %10.1f %9.2f %9.1f %s\n", f, s / 1048576, w, p / 1024, o }'
done
echo "Wall seconds and peak resident memory of one conversion each, default options."
