#!/usr/bin/env bash
# vorlix-cli --preview as a script would use it: the files it writes, their numbering, and one
# clear line for each bad name or value. Argument: the build folder.
set -euo pipefail
source "$(dirname "$0")/../support/script_helpers.sh"
use_build_dir "$@"
make_work_dir
cd "$work"
run() {  # run ARGS...: sets status, out.txt, err.txt
  status=0; "$cli" "$@" >out.txt 2>err.txt || status=$?
}

"$make_gif" bars in.gif 3 32 24

run --preview x.gif in.gif
check "animated preview exit status" 0 "$status"
check "animated preview line" "Preview saved to file x.gif." "$(cat out.txt)"
check "animated preview is a GIF" "GIF89a" "$(head -c 6 x.gif)"
check "no module without OUTPUT" "" "$(ls ./*.xm 2>/dev/null)"
cp x.gif first.gif
run --preview x.gif in.gif
check "an existing preview is never replaced" "Preview saved to file x_1.gif." "$(cat out.txt)"
check "first preview unchanged" "same" "$(cmp -s x.gif first.gif && echo same)"

run --preview f.png --frame 2 --preview-style tracker in.gif out
check "PNG preview and module" 0 "$status"
check "PNG signature" "PNG" "$(head -c 4 f.png | tail -c 3)"
check "module written as well with OUTPUT" "yes" "$([ -s out.xm ] && echo yes)"

# The trackers' own looks: the whole pattern (30 channels of 150 rows at the defaults) at their
# character grid of 8 x 8 pixels, MilkyTracker's 87-pixel channel slots after two hex row digits,
# Schism's 14-character channels after 5 characters.
png_size() { od -An -tu1 -j16 -N8 "$1" | awk '{ print $3 * 256 + $4 "x" $7 * 256 + $8 }'; }
for style in ft2:2630x1200 schism:3400x1200; do
  name=${style%%:*}
  run --preview "$name.png" --frame 1 --preview-style "$name" in.gif
  check "$name PNG exit status" 0 "$status"
  check "$name PNG size" "${style#*:}" "$(png_size "$name.png")"
  run --preview "$name.gif" --preview-style "$name" in.gif
  check "$name GIF exit status" 0 "$status"
  check "$name GIF is a GIF" "GIF89a" "$(head -c 6 "$name.gif")"
  check "$name GIF tells of every frame" "3" "$(grep -c 'converted' out.txt)"
done

run --preview x.bmp in.gif
check "unknown extension exit status" 1 "$status"
check "unknown extension message" "Error: A preview is written as .png or .gif, not as x.bmp." "$(cat err.txt)"
run --preview missing/x.png in.gif
check "missing folder exit status" 1 "$status"
check "missing folder message" "Error: Cannot write the file missing/x.png." "$(cat err.txt)"
check "nothing written for bad names" "" "$(ls x.bmp missing 2>/dev/null)"
run --preview p.png --frame 3 in.gif
check "frame past the last exit status" 1 "$status"
check "frame past the last message" "$(printf 'Information: File loaded.\nError: This animation has no frame 3.')" "$(cat err.txt)"
check "no file for a missing frame" "no" "$([ -e p.png ] && echo yes || echo no)"

run --preview p.png --frame two in.gif
check "bad frame is a usage error" 2 "$status"
check "bad frame message" "Error: --frame expects a whole number from 0 to 4294967295, not 'two' (see vorlix-cli --help)" "$(cat err.txt)"
run --preview p.png --preview-style ascii in.gif
check "bad style is a usage error" 2 "$status"
check "bad style message" "Error: --preview-style expects picture, tracker, ft2 or schism, not 'ascii' (see vorlix-cli --help)" "$(cat err.txt)"
run --frame 1 in.gif
check "frame without preview is a usage error" 2 "$status"
check "help lists --preview" "yes" "$("$cli" --help | grep -- '--preview FILE' >/dev/null && echo yes)"

finish_checks "all checks passed"
