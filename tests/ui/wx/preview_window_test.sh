#!/usr/bin/env bash
# The preview window on a virtual display: it opens beside the main dialog after a Load, follows
# a threshold typed into the main dialog, closes with Esc and opens again on the next Load,
# while the main dialog keeps the keyboard. Screenshots before and after the change are kept in
# BUILD_DIR/artifacts/. Argument: the build folder. Exits with 77 (skipped) when Xvfb is not
# installed or the window program is not part of this build.
set -euo pipefail
source "$(dirname "$0")/../../support/script_helpers.sh"
source "$(dirname "$0")/../../support/window_helpers.sh"
use_build_dir "$@"
need_window_program
need_tools xdotool timeout import
make_work_dir
start_display

mkdir "$work/window"
"$make_gif" troll "$work/window/troll.gif"

load() {  # Load from the focused Quit button: three Tabs reach Load.
  focus "$main"
  keys Tab Tab Tab space
  dismiss Information Return
}
start_program "$work/window"
wait_count vorlix 1
main=$(visible vorlix)
check "no preview before a Load" "0" "$(visible 'vorlix preview' | wc -l)"

load
wait_count "vorlix preview" 1
preview=$(visible "vorlix preview")
eval "$(xdotool getwindowgeometry --shell "$main")"
main_x=$X main_width=$WIDTH main_y=$Y main_height=$HEIGHT
eval "$(xdotool getwindowgeometry --shell "$preview")"
preview_x=$X preview_y=$Y
beside=$([ "$X" -ge $((main_x + main_width)) ] || [ $((X + WIDTH)) -le "$main_x" ] && echo yes || echo no)
check "the preview is beside the main dialog" "yes" "$beside"

click_main() {  # click_main X Y: a point of the main dialog, in dialog units
  xdotool mousemove --sync $((main_x + main_width * $1 / 266)) $((main_y + main_height * $2 / 222)) click 1
  sleep 0.3
}
mkdir -p "$build/artifacts"
shot "$preview" "$build/artifacts/preview-before.png"
# A new threshold typed into the main dialog's threshold field, reached by a click.
xdotool mousemove --sync $((main_x + main_width * (73 + 88) / 266)) \
  $((main_y + main_height * (148 + 6) / 222)) click 1
sleep 0.3
keys ctrl+a
xdotool type --delay 60 '40'
sleep 0.5
shot "$preview" "$build/artifacts/preview-after.png"
echo "screenshots: $build/artifacts/preview-before.png $build/artifacts/preview-after.png"
check "the preview follows the typed threshold" "changed" \
  "$(cmp -s "$build/artifacts/preview-before.png" "$build/artifacts/preview-after.png" && echo same || echo changed)"

# Keyboard in the preview: Tracker by its mnemonic, then Esc closes the preview only.
focus "$preview"
keys alt+r
shot "$preview" "$work/tracker.png"
check "the tracker style draws another picture" "changed" \
  "$(cmp -s "$build/artifacts/preview-after.png" "$work/tracker.png" && echo same || echo changed)"
# Alt+P plays: the troll waves.
keys alt+p
import -window "$preview" "$work/playing1.png"
# A loaded machine may show the next frame late: look again for a few seconds.
for _ in 1 2 3 4 5 6 7 8; do
  sleep 0.7
  import -window "$preview" "$work/playing2.png"
  cmp -s "$work/playing1.png" "$work/playing2.png" || break
done
keys alt+p
check "Alt+P plays the frames" "changed" \
  "$(cmp -s "$work/playing1.png" "$work/playing2.png" && echo same || echo changed)"
# A picture option chosen in the preview applies to the next Save settings: the dither list is
# opened by a click and its second entry ("fs") chosen by the keyboard.
xdotool mousemove --sync $((preview_x + 120)) $((preview_y + 70)) click 1
sleep 0.5
keys Down Return
focus "$main"
click_main $((92 + 40)) $((203 + 7))
dismiss Information Return
check "the dither chosen in the preview is saved as the settings' tail" "20 1" \
  "$(stat -c %s "$work/window/vorlix.conf" 2>/dev/null) $(od -An -tu1 -j16 -N1 "$work/window/vorlix.conf" 2>/dev/null | tr -d ' ')"
rm -f "$work/window/vorlix.conf"
focus "$preview"
keys Escape
wait_count "vorlix preview" 0
check "main dialog open after closing the preview" "1" "$(visible vorlix | wc -l)"
# The next Load opens it again; then Quit. Both buttons are clicked: the focus is still in the
# threshold field.
click_main $((203 + 24)) $((32 + 7))
dismiss Information Return
wait_count "vorlix preview" 1
click_main $((178 + 40)) $((203 + 7))
wait_for_exit
[ -n "$status" ] || status=timeout
check "exit status" "0" "$status"
check "nothing written by the preview" "stderr stdout troll.gif" "$(cd "$work/window" && ls | tr '\n' ' ' | sed 's/ $//')"

finish_checks "all preview window checks passed"
