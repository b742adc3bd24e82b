#!/usr/bin/env bash
# The window program driven by keyboard alone on a virtual display: Load and Save of a generated
# GIF, Esc in both dialogs, two About boxes open at once, Quit. The module must equal the one
# vorlix-cli writes for the same input and options. Argument: the build folder.
# Exits with 77 (skipped) when Xvfb is not installed or the window program is not part of this
# build.
set -euo pipefail
build=$(cd "${1:?usage: window_test.sh BUILD_DIR}" && pwd)
source_dir=$(cd "$(dirname "$0")/../../.." && pwd)
program="$build/ui/wx/vorlix"
cli="$build/vorlix-cli"
make_gif="$build/tests/tools/make_gif"

if ! command -v Xvfb >/dev/null; then
  echo "SKIP: Xvfb is not installed"
  exit 77
fi
if [ ! -x "$program" ]; then
  echo "SKIP: the window program is not part of this build"
  exit 77
fi
for tool in xdotool timeout; do
  command -v "$tool" >/dev/null || { echo "FAIL: $tool is not installed"; exit 1; }
done
for file in "$program" "$cli"; do
  [ -x "$file" ] || { echo "FAIL: $file has not been built"; exit 1; }
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

# A display of our own: Xvfb picks a free number and writes it to descriptor 3.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || die "Xvfb did not start: $(cat "$work/xvfb.log")"
export DISPLAY=":$(head -n 1 "$work/display")"
export NO_AT_BRIDGE=1  # no accessibility bus on the virtual display

# The same GIF in two folders: one for the window, one for the command-line reference.
mkdir "$work/window" "$work/cli"
if [ -x "$make_gif" ]; then
  "$make_gif" troll "$work/window/troll.gif"
else
  cp "$source_dir/troll.gif" "$work/window/troll.gif"
fi
cp "$work/window/troll.gif" "$work/cli/troll.gif"
(cd "$work/cli" && "$cli" troll.gif expected.xm >stdout 2>stderr) || die "vorlix-cli failed"

visible() {  # visible TITLE: ids of the shown windows with exactly that title
  xdotool search --onlyvisible --name "^$1\$" 2>/dev/null || true
}
wait_count() {  # wait_count TITLE N: until N windows of that title are shown
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
alive() { kill -0 "$program_pid" 2>/dev/null && echo yes || echo no; }
# Dismisses the one message box of that title with the given key and returns its id.
dismiss() {  # dismiss TITLE KEY
  wait_count "$1" 1
  local box
  box=$(visible "$1")
  focus "$box"
  keys "$2"
  wait_count "$1" 0
}

(cd "$work/window" && exec "$program" >stdout 2>stderr) &
program_pid=$!
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
  import -window "$main" "$build/artifacts/main-dialog.png" &&
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
status=""
for _ in $(seq 100); do
  if ! kill -0 "$program_pid" 2>/dev/null; then
    status=0
    wait "$program_pid" || status=$?
    break
  fi
  sleep 0.1
done
program_pid_was=$program_pid
program_pid=""
[ -n "$status" ] || { kill "$program_pid_was"; die "the program did not end on Quit"; }
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

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "all window checks passed"
