#!/usr/bin/env bash
# The preview window on a virtual display: it opens beside the main dialog after a Load, follows
# a threshold typed into the main dialog, closes with Esc and opens again on the next Load,
# while the main dialog keeps the keyboard. Screenshots before and after the change are kept in
# BUILD_DIR/artifacts/. Argument: the build folder. Exits with 77 (skipped) when Xvfb is not
# installed or the window program is not part of this build.
set -euo pipefail
build=$(cd "${1:?usage: preview_window_test.sh BUILD_DIR}" && pwd)
program="$build/ui/wx/vorlix"
make_gif="$build/tests/tools/make_gif"

if ! command -v Xvfb >/dev/null; then
  echo "SKIP: Xvfb is not installed"
  exit 77
fi
if [ ! -x "$program" ]; then
  echo "SKIP: the window program is not part of this build"
  exit 77
fi
for tool in xdotool timeout import; do
  command -v "$tool" >/dev/null || { echo "FAIL: $tool is not installed"; exit 1; }
done

work=$(mktemp -d)
xvfb_pid=""
program_pid=""
cleanup() {
  [ -n "$program_pid" ] && kill "$program_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

failures=0
check() {  # check DESCRIPTION EXPECTED ACTUAL
  if [ "$2" == "$3" ]; then echo "ok   $1"; else
    echo "FAIL $1"; echo "  expected: $(printf %q "$2")"; echo "  actual:   $(printf %q "$3")"
    failures=$((failures + 1))
  fi
}
die() {
  echo "FAIL $*"
  [ -f "$work/window/stderr" ] && grep -v 'for_size smaller' "$work/window/stderr" | head -20
  exit 1
}

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || die "Xvfb did not start: $(cat "$work/xvfb.log")"
export DISPLAY=":$(head -n 1 "$work/display")"
export NO_AT_BRIDGE=1

mkdir "$work/window"
"$make_gif" troll "$work/window/troll.gif"

visible() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null || true; }
wait_count() {  # wait_count TITLE N
  for _ in $(seq 200); do
    [ "$(visible "$1" | wc -l)" -eq "$2" ] && return 0
    sleep 0.1
  done
  die "expected $2 shown window(s) titled '$1', have $(visible "$1" | wc -l)"
}
focus() {
  xdotool windowfocus --sync "$1"
  sleep 0.3
}
keys() {
  xdotool key --delay 60 "$@"
  sleep 0.3
}
dismiss() {  # dismiss TITLE KEY
  wait_count "$1" 1
  focus "$(visible "$1")"
  keys "$2"
  wait_count "$1" 0
}
load() {  # Load from the focused Quit button: three Tabs reach Load.
  focus "$main"
  keys Tab Tab Tab space
  dismiss Information Return
}
shot() {  # shot WINDOW FILE: waits for the picture to settle, then keeps it
  local previous=""
  for _ in $(seq 50); do
    import -window "$1" "$2"
    [ -n "$previous" ] && cmp -s "$2" "$previous" && return 0
    cp "$2" "$work/previous.png"
    previous="$work/previous.png"
    sleep 0.2
  done
}

(cd "$work/window" && exec "$program" >stdout 2>stderr) &
program_pid=$!
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
sleep 0.7
import -window "$preview" "$work/playing2.png"
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
click() {  # click X Y: a point of the main dialog, in dialog units
  xdotool mousemove --sync $((main_x + main_width * $1 / 266)) $((main_y + main_height * $2 / 222)) click 1
  sleep 0.3
}
click $((203 + 24)) $((32 + 7))
dismiss Information Return
wait_count "vorlix preview" 1
click $((178 + 40)) $((203 + 7))
for _ in $(seq 100); do kill -0 "$program_pid" 2>/dev/null || break; sleep 0.1; done
status=0
kill -0 "$program_pid" 2>/dev/null && { kill "$program_pid"; status=timeout; } ||
  wait "$program_pid" || status=$?
program_pid=""
check "exit status" "0" "$status"
check "nothing written by the preview" "stderr stdout troll.gif" "$(cd "$work/window" && ls | tr '\n' ' ' | sed 's/ $//')"

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "all preview window checks passed"
