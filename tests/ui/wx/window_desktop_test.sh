#!/usr/bin/env bash
# The window program on a desktop as people use it: a real window manager on a virtual display,
# files dropped from outside onto both path fields through the XDND protocol, the window
# manager's close request on the About box and on the main dialog, and the message boxes and
# the About box shown over the main dialog with their captions. Standard output goes into a pipe
# and must carry each progress line while the program still runs. Argument: the build folder.
# Exits with 77 (skipped) when Xvfb is not installed or the window program is not part of this
# build.
set -euo pipefail
source "$(dirname "$0")/../../support/script_helpers.sh"
source "$(dirname "$0")/../../support/window_helpers.sh"
use_build_dir "$@"
drop="$build/tests/tools/xdnd_drop"
need_window_program
need_tools openbox wmctrl xdotool xprop xwininfo timeout
need_built "$cli" "$make_gif" "$drop"
make_work_dir
start_display

# The window manager, with its own empty configuration folder so no user's settings apply.
mkdir "$work/home"
HOME="$work/home" XDG_CONFIG_HOME="$work/home" openbox --sm-disable >"$work/openbox.log" 2>&1 &
on_exit "kill $! 2>/dev/null"
for _ in $(seq 100); do wmctrl -m >/dev/null 2>&1 && break; sleep 0.1; done
wmctrl -m >/dev/null 2>&1 || die "the window manager did not start: $(cat "$work/openbox.log")"

# The GIF and the module it is saved over come from a folder elsewhere, with a blank and a
# non-ASCII letter in their names, as file managers hand them over. The working folder has no
# troll.gif, so the starting input does not load.
mkdir "$work/run" "$work/cli" "$work/Drop here"
input="$work/Drop here/waves ä.gif"
output="$work/Drop here/old module.xm"
"$make_gif" bars "$input" 6 64 48
echo "an older module" >"$output"
(cd "$work/cli" && "$cli" "$input" expected.xm >stdout 2>stderr) || die "vorlix-cli failed"

mkfifo "$work/stdout.pipe"
start_program "$work/run" "$work/stdout.pipe" "$work/stderr"
cat "$work/stdout.pipe" >"$work/stdout" &
reader_pid=$!
on_exit "kill $reader_pid 2>/dev/null"

windows() {  # the titles of the windows the window manager shows, one a line, sorted
  wmctrl -l | awk '{ $1 = $2 = $3 = ""; sub(/^ +/, ""); print }' | sort
}
window_id() {  # window_id TITLE: the one managed window of that title
  wmctrl -l | awk -v t="$1" '{ id = $1; $1 = $2 = $3 = ""; sub(/^ +/, ""); if ($0 == t) print id }'
}
wait_windows() {  # wait_windows TITLE...: until exactly these windows are shown
  local want
  want=$(printf '%s\n' "$@" | sed '/^$/d' | sort)
  for _ in $(seq 200); do
    [ "$(windows)" == "$want" ] && return 0
    sleep 0.1
  done
  die "expected the windows '$(echo $want)', have '$(windows | tr '\n' ' ')'"
}
geometry() {  # geometry WINDOW: left, top, width and height of its inside on the screen
  xwininfo -id "$1" | awk -F: '/Absolute upper-left X/ { x = $2 } /Absolute upper-left Y/ { y = $2 }
    /^ *Width/ { w = $2 } /^ *Height/ { h = $2 } END { print x + 0, y + 0, w + 0, h + 0 }'
}
over_main() {  # over_main WINDOW: "over" when its middle lies inside the main dialog
  local x y w h mx my mw mh
  read -r x y w h < <(geometry "$1")
  read -r mx my mw mh < <(geometry "$main")
  local cx=$((x + w / 2)) cy=$((y + h / 2))
  if [ "$cx" -gt "$mx" ] && [ "$cx" -lt $((mx + mw)) ] && [ "$cy" -gt "$my" ] &&
    [ "$cy" -lt $((my + mh)) ]; then echo over; else echo "at $x,$y ${w}x$h"; fi
}
transient_for() {  # transient_for WINDOW: the window it is kept over, as a number
  local id
  id=$(xprop -id "$1" WM_TRANSIENT_FOR | grep -o '0x[0-9a-f]*' || true)
  [ -n "$id" ] && printf '%d\n' "$id" || echo none
}
# Whether the window asks for a close box: the close function of its Motif hints, when they
# name functions at all (bit 0 of the functions: all but those named; bit 5: close).
close_box() {
  local flags functions
  read -r flags functions _ < <(xprop -id "$1" _MOTIF_WM_HINTS | grep -o '0x[0-9a-f]*' | xargs)
  if [ -z "${functions:-}" ] || ((!(flags & 1))); then echo yes; return; fi
  if (((functions & 1) != 0 ^ (functions & 32) != 0)); then echo yes; else echo no; fi
}
press() {  # press KEY...: into the main dialog
  xdotool windowactivate --sync "$main" 2>/dev/null || xdotool windowfocus --sync "$main"
  sleep 0.2
  xdotool key --delay 60 "$@"
}
# Windows shown besides the main dialog: the preview, once a Load has succeeded.
preview=()
# Checks the one message box now shown over the main dialog, then dismisses it. After a Load
# that succeeds (opens_preview=yes), the preview opens beside the main dialog.
message_box() {  # message_box CAPTION
  wait_windows vorlix "$1" "${preview[@]}"
  local box
  box=$(window_id "$1")
  check "$1 box has the caption $1" "$1" "$(xdotool getwindowname "$box")"
  check "$1 box is kept over the main dialog" "$((main))" "$(transient_for "$box")"
  check "$1 box is shown over the main dialog" over "$(over_main "$box")"
  xdotool windowactivate --sync "$box" 2>/dev/null || xdotool windowfocus --sync "$box"
  sleep 0.2
  xdotool key Return
  [ "${opens_preview:-}" = yes ] && preview=("vorlix preview")
  wait_windows vorlix "${preview[@]}"
}
drop_on() {  # drop_on X Y PATH: X, Y in dialog units of the main dialog's template (266 x 222)
  local mx my mw mh
  read -r mx my mw mh < <(geometry "$main")
  "$drop" $((mx + mw * $1 / 266)) $((my + mh * $2 / 222)) "$3"
}

wait_windows vorlix
main=$(window_id vorlix)
check "main dialog asks for no close box" no "$(close_box "$main")"

# Load with the starting input: an error, over the main dialog.
press alt+l
message_box Error

# A drop in the middle of each path field, as a file manager hands it over.
status=0; drop_on $((14 + 183 / 2)) $((32 + 14 / 2)) "$input" || status=$?
check "drop onto the input field taken" 0 "$status"
status=0; drop_on $((14 + 183 / 2)) $((52 + 14 / 2)) "$output" || status=$?
check "drop onto the output field taken" 0 "$status"
# A number field takes no file.
status=0; drop_on $((73 + 176 / 2)) $((88 + 12 / 2)) "$input" 2>/dev/null || status=$?
check "drop onto the tempo field refused" 1 "$status"

# Load and Save now use the dropped paths; the existing module gets a numbered name.
press alt+l
opens_preview=yes message_box Information
press alt+s
message_box Information
saved="$work/Drop here/old module_1.xm"
check "module saved next to the dropped output" "same" "$(cmp -s "$saved" "$work/cli/expected.xm" && echo same)"
check "dropped-over module unchanged" "an older module" "$(cat "$output")"

# The progress lines are in the pipe while the program still runs (the last line has no line
# end and waits for the next one or the exit).
frames=$(grep -c '^Frame ' "$work/cli/stdout" || true)
progress=$({
  echo "Saving to: $saved."
  for ((j = 0; j < frames; ++j)); do echo "Frame $j converted succesfully."; done
})
for _ in $(seq 50); do [ "$(cat "$work/stdout")" == "$progress" ] && break; sleep 0.1; done
check "progress lines reach the pipe while the program runs" "$progress" "$(cat "$work/stdout")"
check "program still running" yes "$(alive)"

# The About box: over the main dialog, with a close box; the window manager's close request
# closes it alone.
press alt+a
wait_windows vorlix About "${preview[@]}"
about=$(window_id About)
check "About box has the caption About" About "$(xdotool getwindowname "$about")"
check "About box is shown over the main dialog" over "$(over_main "$about")"
check "About box asks for a close box" yes "$(close_box "$about")"
wmctrl -i -c "$about"
wait_windows vorlix "${preview[@]}"
check "closing the About box leaves the program running" yes "$(alive)"

# The window manager's close request on the main dialog ends the program with status 0.
wmctrl -i -c "$main"
wait_for_exit
[ -n "$status" ] || die "the program did not end on the close request"
check "exit status after closing the main dialog" 0 "$status"
wait "$reader_pid"  # the pipe's reader ends once the program's end has closed the pipe
check "standard output" "$progress"$'\n'"Successfully saved to file $saved." "$(cat "$work/stdout")"
check "files left in the working folder" "" "$(ls "$work/run")"

finish_checks "all desktop window checks passed"
