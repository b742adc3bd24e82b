#!/bin/bash
# Measures what the pattern views of MilkyTracker and Schism Tracker show of a vorlix module:
# per layout, the whole channels shown, the rows shown above and below the cursor row, and the
# screen pixels per cell column (one channel) and per pattern row. Runs each tracker under its
# own Xvfb with a private HOME, saves the screenshots and prints one line per layout.
#
#   bash tools/measure_trackers.sh [BUILD] [OUT]     (defaults: build, build/tracker-shots)
#
# Needs xvfb, xdotool, imagemagick, python3 and the milkytracker and schism packages. Not part
# of the test command: the numbers it prints are kept in settings/tracker_views.cpp.
set -euo pipefail

BUILD=${1:-build}
OUT=${2:-build/tracker-shots}
ROOT=$(cd "$(dirname "$0")/.." && pwd)
mkdir -p "$OUT"
OUT=$(cd "$OUT" && pwd)
WORK=$(mktemp -d)
XPID=""
TPID=""
cleanup() {
  [ -n "$TPID" ] && kill -9 "$TPID" 2>/dev/null || true
  [ -n "$XPID" ] && kill "$XPID" 2>/dev/null || true
  rm -rf "$WORK"
}
trap cleanup EXIT

# A display number nobody uses.
DISPLAY_NUMBER=140
while [ -e "/tmp/.X${DISPLAY_NUMBER}-lock" ]; do DISPLAY_NUMBER=$((DISPLAY_NUMBER + 1)); done
export DISPLAY=":$DISPLAY_NUMBER"
Xvfb "$DISPLAY" -screen 0 1920x1080x24 -nolisten tcp >/dev/null 2>&1 &
XPID=$!
sleep 1

# The probe module: troll.gif at 128 x 200 (32 channels, 200 rows, break at row 63), wider and
# taller than any of the views.
MODULE="$WORK/probe.xm"
"$BUILD/vorlix-cli" --quiet --width 128 --height 200 "$ROOT/troll.gif" "$MODULE"

# Waits for the tracker's window whose title matches $1 and prints its id.
window_of() {
  local id=""
  for _ in $(seq 1 60); do
    id=$(xdotool search --name "$1" 2>/dev/null | tail -n 1 || true)
    [ -n "$id" ] && break
    sleep 0.5
  done
  echo "$id"
}

stop_tracker() {
  kill -9 "$TPID" 2>/dev/null || true
  wait "$TPID" 2>/dev/null || true
  TPID=""
}

# MilkyTracker 1.03 reads its window size from ~/.config/milkytracker/config: a count of keys,
# then each key and its value as a length (32 bits, little-endian) and the text. Keys left out
# keep their defaults.
milky_config() {
  python3 - "$1" "$2" "$3" <<'PY'
import struct, sys
path, w, h = sys.argv[1:]
keys = {"XRESOLUTION": w, "YRESOLUTION": h, "SHOWSPLASH": "0"}
with open(path, "wb") as f:
    f.write(struct.pack("<I", len(keys)))
    for k, v in keys.items():
        f.write(struct.pack("<I", len(k)) + k.encode() + struct.pack("<I", len(v)) + v.encode())
PY
}

# The start of both screenshot readers: the picture's size (w, h) and px(x, y), the colour of a
# pixel as an (r, g, b) tuple, of the screenshot named by the first argument.
PIXELS='import subprocess, sys
f = sys.argv[1]
w, h = map(int, subprocess.check_output(["identify", "-format", "%w %h", f]).split())
d = subprocess.check_output(["convert", f, "-depth", "8", "rgb:-"])
px = lambda x, y: tuple(d[3 * (y * w + x):3 * (y * w + x) + 3])
'

# Reads a MilkyTracker screenshot: the cursor row is a bar with a line of (127,42,85) above it
# and one of (48,16,32) below; channels are separated by vertical lines of (85,127,170).
milky_measure() {
  python3 -c "$PIXELS$(cat <<'PY'
top_line, bottom_line, sep = (127, 42, 85), (48, 16, 32), (85, 127, 170)
def full_line(y, colour):
    return sum(px(x, y) == colour for x in range(w)) > w // 2
y_top = next(y for y in range(h) if full_line(y, top_line))
y_bottom = next(y for y in range(y_top, h) if full_line(y, bottom_line))
row = y_bottom - y_top - 1
above_y, below_y = y_top - row // 2, y_bottom + row // 2
seps = [x for x in range(w) if px(x, above_y) == sep and px(x, below_y) == sep]
seps = [x for i, x in enumerate(seps) if i == 0 or x - seps[i - 1] > 1]
pitch = seps[1] - seps[0]
# The pattern area: the black margin left of the first channel's text, up and down from the
# cursor bar.
x0 = seps[0] + 3
area_top = y_top
while px(x0, area_top - 1) == (0, 0, 0): area_top -= 1
area_bottom = y_bottom
while px(x0, area_bottom + 1) == (0, 0, 0): area_bottom += 1
# The cursor row's own pixels lie between the two lines, which overlap the rows beside it.
above = (y_top + 1 - area_top) // row
below = (area_bottom + 1 - y_bottom) // row
print(f"channels {len(seps) - 1} above {above} below {below} px_per_cell_column {pitch} "
      f"px_per_row {row}")
PY
)" "$1"
}

for size in 640x480 1024x768 1920x1080; do
  export HOME="$WORK/home-milky-$size"
  mkdir -p "$HOME/.config/milkytracker"
  milky_config "$HOME/.config/milkytracker/config" "${size%x*}" "${size#*x}"
  SDL_AUDIODRIVER=dummy milkytracker "$MODULE" >"$WORK/milky.log" 2>&1 &
  TPID=$!
  id=$(window_of "MilkyTracker - probe")
  sleep 2
  # Play the song: the view follows playback with the cursor row in the middle.
  xdotool windowfocus "$id" key --window "$id" Return 2>/dev/null || true
  sleep 2
  shot="$OUT/milkytracker-$size.png"
  import -window "$id" "$shot"
  echo "milkytracker-$size $(milky_measure "$shot")  ($shot)"
  stop_tracker
done

# Reads a Schism Tracker pattern editor screenshot, a text screen of 8 x 8 cells: the row numbers
# stand in the first three cells of each pattern row, black on the screen's colour; the channel
# headers are boxes of (124,88,68) on the line above the first row; the cursor is a box of
# (232,232,200) in the first cell of the first channel.
schism_measure() {
  python3 -c "$PIXELS$(cat <<'PY'
cell = 8
def colours(x0, k):
    return {px(x, y) for x in range(x0, x0 + 3 * cell) for y in range(k * cell, k * cell + cell)}
lines = h // cell
numbered = [(0, 0, 0) in colours(0, k) for k in range(lines)]
# The pattern rows: the longest run of lines with row numbers.
best, k = (0, 0), 0
while k < lines:
    start = k
    while k < lines and numbered[k]: k += 1
    if k - start > best[1] - best[0]: best = (start, k)
    k += 1
first, end = best
header_y = (first - 1) * cell + 2
box, screen = (124, 88, 68), (180, 148, 120)
starts = [x for x in range(1, w) if px(x, header_y) == box and px(x - 1, header_y) == screen]
cursor = next(k for k in range(first, end)
              if (232, 232, 200) in {px(x, y) for x in range(starts[0], starts[0] + cell)
                                     for y in range(k * cell, k * cell + cell)})
print(f"channels {len(starts)} above {cursor - first} below {end - 1 - cursor} "
      f"px_per_cell_column {starts[1] - starts[0]} px_per_row {cell}")
PY
)" "$1"
}

# Schism Tracker draws a fixed 640 x 400 text screen at any window size. Its pattern editor (F2)
# with "centralise cursor" (Ctrl-C) keeps the cursor row in the middle; the cursor is moved
# down 40 rows, well inside the probe's 200.
export HOME="$WORK/home-schism"
mkdir -p "$HOME"
SDL_AUDIODRIVER=dummy schismtracker "$MODULE" >"$WORK/schism.log" 2>&1 &
TPID=$!
id=$(window_of "Schism Tracker")
sleep 2
xdotool windowfocus "$id" 2>/dev/null || true
xdotool key --window "$id" F2
sleep 0.5
xdotool key --window "$id" ctrl+c
sleep 0.5
xdotool key --window "$id" --repeat 40 --delay 20 Down
sleep 1
shot="$OUT/schism.png"
import -window "$id" "$shot"
echo "schism $(schism_measure "$shot")  ($shot)"
stop_tracker
