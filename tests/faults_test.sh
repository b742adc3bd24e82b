#!/usr/bin/env bash
# Fault tests of the whole vorlix-cli program: bad inputs, outputs that cannot be written, a disk
# that fills up part way, and bad settings files. Every case checks the messages on standard
# error, the exit status and the files left behind: no partial module, no existing file changed,
# the previous settings kept after a failed save.
# Usage: bash tests/faults_test.sh BUILD_DIR
set -uo pipefail

build=$(cd "${1:?usage: faults_test.sh BUILD_DIR}" && pwd)
cli=$build/vorlix-cli
make_gif=$build/tests/tools/make_gif
for tool in "$cli" "$make_gif"; do
  [ -x "$tool" ] || { echo "missing $tool: build first"; exit 1; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/vorlix-faults-XXXXXX")
mounts=()
cleanup() {
  local m
  for m in "${mounts[@]}"; do umount "$m" 2>/dev/null; done
  chmod -R u+rwx "$work" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

is_root=0
[ "$(id -u)" -eq 0 ] && is_root=1
passed=0 failed=0 skipped=0 case_failed=0 name=""

begin() {
  name=$1
  case_failed=0
  dir=$work/$name
  mkdir -p "$dir"
  # What every case starts from: a module and settings of an earlier run that must stay as they
  # are. The settings hold the built-in defaults.
  printf 'an earlier module\n' >"$dir/keep.xm"
  printf '\xfa\x05\x78\x96\xa0\x3d\x7f\x4d\x09\x63\x02' >"$dir/vorlix.conf"
}
fail() {
  echo "FAIL [$name]: $*"
  case_failed=1
}
finish() {
  if [ "$case_failed" -eq 0 ]; then
    echo "ok   [$name]"
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
  fi
}
skip() {
  echo "skip [$1]: $2"
  skipped=$((skipped + 1))
}

# Every file under a folder with its kind, size and checksum.
snapshot() {
  (cd "$1" && find . -mindepth 1 -printf '%p %y %s\n' | LC_ALL=C sort &&
    find . -type f -exec md5sum {} + | LC_ALL=C sort)
}

# run [--in DIR] ARGS...: runs the program quietly in DIR (default: the case folder).
run() {
  local in=$dir
  if [ "$1" = "--in" ]; then
    in=$2
    shift 2
  fi
  (cd "$in" && "$cli" -q "$@" >"$work/stdout" 2>"$work/stderr")
  status=$?
  err=$(cat "$work/stderr")
}

expect() {
  local want_status=$1 want_err=$2
  [ "$status" -eq "$want_status" ] || fail "exit status $status, expected $want_status"
  [ "$err" = "$want_err" ] || fail "standard error was [$err], expected [$want_err]"
}

# unchanged DIR BEFORE: nothing in DIR was added, removed or changed since the snapshot BEFORE.
unchanged() {
  local now
  now=$(snapshot "$1")
  if [ "$now" != "$2" ]; then
    fail "files changed in $1:"
    diff <(echo "$2") <(echo "$now") | sed 's/^/    /'
  fi
}

# Little-endian 16-bit number at a byte offset of a file.
word_at() {
  od -An -tu2 -j "$2" -N2 "$1" | tr -d ' '
}

# A folder nothing can be written into, not even by root: a tmpfs mounted read-only after the
# files are put in. Returns non-zero when that cannot be done here.
make_read_only_dir() {
  local target=$1
  shift
  mkdir -p "$target"
  if [ "$is_root" -eq 1 ]; then
    mount -t tmpfs -o size=1m tmpfs "$target" 2>/dev/null || return 1
    mounts+=("$target")
    [ "$#" -gt 0 ] && cp "$@" "$target/"
    mount -o remount,ro "$target" 2>/dev/null || return 1
  else
    [ "$#" -gt 0 ] && cp "$@" "$target/"
    chmod a-w "$target"
  fi
  # Make sure the folder really refuses writes.
  ! touch "$target/.probe" 2>/dev/null
}

# A small tmpfs folder holding the given files; returns non-zero when it cannot be mounted.
make_small_disk() {
  local target=$1 size=$2
  shift 2
  mkdir -p "$target"
  [ "$is_root" -eq 1 ] || return 1
  mount -t tmpfs -o "size=$size" tmpfs "$target" 2>/dev/null || return 1
  mounts+=("$target")
  [ "$#" -gt 0 ] && cp "$@" "$target/"
  return 0
}

# ---- inputs ----
"$make_gif" troll "$work/troll.gif" || { echo "make_gif failed"; exit 1; }
troll=$work/troll.gif
troll_size=$(stat -c %s "$troll")
gif_header='GIF89a\x10\x00\x10\x00\x80\x00\x00\x00\x00\x00\xff\xff\xff'
one_pixel_image='\x2c\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02\x44\x01\x00\x3b'

begin input_missing
before=$(snapshot "$dir")
run absent.gif out
expect 1 "Error: File not found."
unchanged "$dir" "$before"
finish

begin input_is_a_folder
mkdir "$dir/folder.gif"
before=$(snapshot "$dir")
run folder.gif out
expect 1 "Error: File not found."
unchanged "$dir" "$before"
finish

begin input_empty
: >"$dir/empty.gif"
before=$(snapshot "$dir")
run empty.gif out
expect 1 "Error: Cannot open this file."
unchanged "$dir" "$before"
finish

begin input_not_a_gif
printf 'This is a text file, not a picture.\n' >"$dir/text.gif"
cp "$build/vorlix-cli" "$dir/program.gif"
before=$(snapshot "$dir")
run text.gif out
expect 1 "Error: Cannot open this file."
run program.gif out
expect 1 "Error: Cannot open this file."
unchanged "$dir" "$before"
finish

# Cut in the signature, the screen descriptor, the colour table, the first frame's data, the
# middle, and just before the trailer: the image library opens none of them.
begin input_truncated
for cut in 3 8 20 900 $((troll_size / 2)) $((troll_size - 1)); do
  head -c "$cut" "$troll" >"$dir/cut$cut.gif"
done
before=$(snapshot "$dir")
for cut in 3 8 20 900 $((troll_size / 2)) $((troll_size - 1)); do
  run "cut$cut.gif" "out$cut"
  expect 1 "Error: Cannot open this file."
done
unchanged "$dir" "$before"
finish

begin garbage_after_header
{
  printf "$gif_header"
  for _ in $(seq 200); do printf '\x21\xf9\x04\x2c\x00\xff\x9a\x01\x7f\x13'; done
} >"$dir/garbage.gif"
head -c 16 /dev/zero | tr '\0' '\377' | cat <(printf "$gif_header") - >"$dir/ones.gif"
before=$(snapshot "$dir")
run garbage.gif out
expect 1 "Error: Cannot open this file."
run ones.gif out
expect 1 "Error: Cannot open this file."
unchanged "$dir" "$before"
finish

begin canvas_65535_square
printf 'GIF89a\xff\xff\xff\xff\x80\x00\x00\x00\x00\x00\xff\xff\xff'"$one_pixel_image" >"$dir/huge.gif"
before=$(snapshot "$dir")
start=$(date +%s)
run huge.gif out
expect 1 "Information: File loaded.
Error: This animation is too large."
[ $(($(date +%s) - start)) -le 5 ] || fail "refusing the canvas took more than 5 s"
unchanged "$dir" "$before"
finish

begin small_gif_converts
printf "$gif_header$one_pixel_image" >"$dir/small.gif"
before=$(snapshot "$dir")
run small.gif out
expect 0 "Information: File loaded.
Information: Successfully saved to file out.xm."
[ -s "$dir/out.xm" ] || fail "no module written"
rm -f "$dir/out.xm"
unchanged "$dir" "$before"
finish

# ---- outputs ----
begin output_folder_missing
before=$(snapshot "$dir")
run "$troll" nowhere/out
expect 1 "Information: File loaded.
Error: Cannot write the file nowhere/out.xm."
unchanged "$dir" "$before"
finish

begin output_folder_read_only
if make_read_only_dir "$dir/locked" "$dir/keep.xm"; then
  before=$(snapshot "$dir")
  run "$troll" locked/out
  expect 1 "Information: File loaded.
Error: Cannot write the file locked/out.xm."
  # The existing module's name is taken: the run numbers its output and still cannot write.
  run "$troll" locked/keep
  expect 1 "Information: File loaded.
Error: Cannot write the file locked/keep_1.xm."
  unchanged "$dir" "$before"
  finish
else
  skip "$name" "cannot make a folder that refuses writes here"
fi

# 64 KiB hold the header and a few dozen patterns of the 48-frame sample, not all of them.
begin disk_full_part_way
if make_small_disk "$dir/small" 64k "$dir/keep.xm"; then
  before=$(snapshot "$dir")
  run "$troll" small/out
  expect 1 "Information: File loaded.
Error: Cannot write the file small/out.xm."
  unchanged "$dir" "$before"
  # The same conversion fits on a disk with room for it.
  run "$troll" out
  expect 0 "Information: File loaded.
Information: Successfully saved to file out.xm."
  size=$(stat -c %s "$dir/out.xm" 2>/dev/null || echo 0)
  [ "$size" -gt 65536 ] || fail "the module ($size bytes) would have fit into 64 KiB"
  finish
else
  skip "$name" "needs root to mount a small tmpfs"
fi

# ---- settings ----
# Channels (offset 68), speed (76) and tempo (78) of a written module.
module_options() {
  echo "$(word_at "$1" 68) $(word_at "$1" 76) $(word_at "$1" 78)"
}

begin settings_unreadable
if [ "$is_root" -eq 1 ]; then
  skip "$name" "root reads every file whatever its permissions"
else
  chmod 000 "$dir/vorlix.conf"
  before=$(snapshot "$dir")
  run "$troll" out
  expect 0 "Information: File loaded.
Information: Successfully saved to file out.xm."
  [ "$(module_options "$dir/out.xm")" = "30 5 250" ] || fail "the built-in options were not used"
  rm -f "$dir/out.xm"
  unchanged "$dir" "$before"
  finish
fi

begin settings_truncated
printf '\x64\x03\x40' >"$dir/vorlix.conf"  # tempo 100, speed 3, width 64
before=$(snapshot "$dir")
run "$troll" out
expect 0 "Information: File loaded.
Information: Successfully saved to file out.xm."
[ "$(module_options "$dir/out.xm")" = "16 3 100" ] || fail "module options $(module_options "$dir/out.xm")"
rm -f "$dir/out.xm"
unchanged "$dir" "$before"
finish

begin settings_longer_than_11_bytes
printf '\x78\x04\x20\x20\xa0\x3d\x7f\x4d\x09\x63\x02\x01\x02\x03\x04\x05' >"$dir/vorlix.conf"
before=$(snapshot "$dir")
run "$troll" out
expect 0 "Information: File loaded.
Information: Successfully saved to file out.xm."
[ "$(module_options "$dir/out.xm")" = "8 4 120" ] || fail "module options $(module_options "$dir/out.xm")"
rm -f "$dir/out.xm"
unchanged "$dir" "$before"
finish

begin settings_is_a_folder
rm "$dir/vorlix.conf"
mkdir "$dir/vorlix.conf"
before=$(snapshot "$dir")
run "$troll" out
expect 0 "Information: File loaded.
Information: Successfully saved to file out.xm."
[ "$(module_options "$dir/out.xm")" = "30 5 250" ] || fail "the built-in options were not used"
rm -f "$dir/out.xm"
run --save-settings --tempo 99 "$troll" out
expect 1 "Error: Cannot save the settings."
unchanged "$dir" "$before"
finish

begin settings_save_in_read_only_folder
if make_read_only_dir "$dir/locked" "$dir/vorlix.conf"; then
  before=$(snapshot "$dir")
  run --in "$dir/locked" --save-settings --tempo 99
  expect 1 "Error: Cannot save the settings."
  run --in "$dir/locked" --save-settings --tempo 99 "$troll" out
  expect 1 "Error: Cannot save the settings."
  unchanged "$dir" "$before"
  finish
else
  skip "$name" "cannot make a folder that refuses writes here"
fi

begin settings_save_on_full_disk
if make_small_disk "$dir/full" 64k "$dir/vorlix.conf"; then
  # Fill the disk up to the last byte.
  head -c 1m /dev/zero >"$dir/full/filler" 2>/dev/null
  before=$(snapshot "$dir")
  run --in "$dir/full" --save-settings --tempo 99
  expect 1 "Error: Cannot save the settings."
  unchanged "$dir" "$before"
  # With room again the save goes through and only the tempo byte changes.
  rm "$dir/full/filler"
  run --in "$dir/full" --save-settings --tempo 99
  expect 0 ""
  [ "$(od -An -tx1 "$dir/full/vorlix.conf" | tr -d ' \n')" = "63057896a03d7f4d096302" ] ||
    fail "saved settings $(od -An -tx1 "$dir/full/vorlix.conf")"
  [ "$(ls -A "$dir/full")" = "vorlix.conf" ] || fail "files left: $(ls -A "$dir/full")"
  finish
else
  skip "$name" "needs root to mount a small tmpfs"
fi

echo "faults: $passed passed, $failed failed, $skipped skipped"
[ "$failed" -eq 0 ]
