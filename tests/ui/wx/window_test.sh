#!/usr/bin/env bash
# The window program driven by keyboard alone on a virtual display: Load and Save of a generated
# GIF, Esc in both dialogs, two About boxes open at once, Quit. The module must equal the one
# vorlix-cli writes for the same input and options. Argument: the build folder.
# Exits with 77 (skipped) when Xvfb is not installed or the window program is not part of this
# build.
set -euo pipefail
source "$(dirname "$0")/../../support/script_helpers.sh"
source "$(dirname "$0")/../../support/window_helpers.sh"
use_build_dir "$@"
need_window_program
need_tools xdotool timeout
need_built "$program" "$cli"
make_work_dir
start_display

# The same GIF in two folders: one for the window, one for the command-line reference.
mkdir "$work/window" "$work/cli"
if [ -x "$make_gif" ]; then
  "$make_gif" troll "$work/window/troll.gif"
else
  cp "$source_dir/troll.gif" "$work/window/troll.gif"
fi
cp "$work/window/troll.gif" "$work/cli/troll.gif"
(cd "$work/cli" && "$cli" troll.gif expected.xm >stdout 2>stderr) || die "vorlix-cli failed"

start_program "$work/window"
wait_count vorlix 1
main=$(visible vorlix)

# Focus starts on Quit; three Tabs reach Load.
focus "$main"
keys Tab Tab Tab space
dismiss Information Return
# One Tab on from Load is Save.
focus "$main"
keys Tab space
dismiss Information space
check "main dialog open after Save" "1" "$(visible vorlix | wc -l)"

if command -v import >/dev/null; then
  mkdir -p "$build/artifacts"
  shot "$main" "$build/artifacts/main-dialog.png" &&
    echo "screenshot: $build/artifacts/main-dialog.png"
else
  echo "note: no screenshot, ImageMagick's import is not installed"
fi

# Esc closes neither dialog.
focus "$main"
keys Escape
check "Esc leaves the main dialog open" "1 yes" "$(visible vorlix | wc -l) $(alive)"
# The threshold field, which Tab skips, takes the focus by a click and then only digits. Tab
# goes on from it to the next tab stop, Save settings.
eval "$(xdotool getwindowgeometry --shell "$main")"
xdotool mousemove --sync $((X + WIDTH * (73 + 88) / 266)) $((Y + HEIGHT * (148 + 6) / 222)) click 1
sleep 0.3
keys ctrl+a
xdotool type --delay 60 'a1b2'
keys Tab space
dismiss Information Return
check "threshold saved from the clicked field" "12" "$(od -An -tu1 -j4 -N1 "$work/window/vorlix.conf" | tr -d ' ')"
# Shift+Tab from Save settings is About me, again passing over the threshold field.
focus "$main"
keys shift+Tab space
wait_count About 1
first_about=$(visible About)
focus "$first_about"
keys Escape
check "Esc leaves the About box open" "1" "$(visible About | wc -l)"
# The main dialog keeps working while an About box is open: About me opens a second one.
focus "$main"
keys space
wait_count About 2
second_about=$(visible About | grep -vx "$first_about")
focus "$first_about"
keys Return
wait_count About 1
check "the second About box is still the open one" "$second_about" "$(visible About)"
focus "$second_about"
keys space
wait_count About 0
check "main dialog open after the About boxes" "1 yes" "$(visible vorlix | wc -l) $(alive)"

# Two Tabs from About me reach Quit: the threshold field is passed over.
focus "$main"
keys Tab Tab space
wait_for_exit
[ -n "$status" ] || die "the program did not end on Quit"
check "exit status" "0" "$status"

cd "$work/window"
check "module equals vorlix-cli's" "same" "$(cmp -s output.xm ../cli/expected.xm && echo same)"
check "files left" "output.xm stderr stdout troll.gif vorlix.conf" "$(ls | tr '\n' ' ' | sed 's/ $//')"
frames=$(grep -c '^Frame ' ../cli/stdout || true)
expected_lines=$({
  echo "Saving to: output.xm."
  for ((j = 0; j < frames; ++j)); do echo "Frame $j converted succesfully."; done
  printf 'Successfully saved to file output.xm.'
})
check "frames converted" "48" "$frames"
check "standard output" "$expected_lines" "$(cat stdout)"

finish_checks "all window checks passed"
