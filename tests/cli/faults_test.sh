#!/usr/bin/env bash
# Fault tests of the whole vorlix-cli program: bad, endless and huge inputs, an input that shrinks
# while it is read, inputs made of extension blocks, outputs that cannot be written, a disk that
# fills up part way, a file-size limit, standard output a closed pipe, runs that race for one
# name or are killed or signalled, bad settings files and bad numbers. Every case checks the
# messages on standard error, the exit status and the files left behind: no partial module and
# no temporary, no existing file changed, the previous settings kept after a failed save.
# Usage: bash tests/cli/faults_test.sh BUILD_DIR
set -uo pipefail

source "$(dirname "$0")/../support/script_helpers.sh"
use_build_dir "$@"
need_built "$cli" "$make_gif"

make_work_dir "${TMPDIR:-/tmp}/vorlix-faults-XXXXXX"
mounts=()
# Before the folder is removed: what a case mounted inside it, and what it made unreadable.
release_work() {
  local m
  for m in "${mounts[@]}"; do umount "$m" 2>/dev/null; done
  chmod -R u+rwx "$work" 2>/dev/null
}
on_exit release_work

is_root=0
[ "$(id -u)" -eq 0 ] && is_root=1
# A sanitizer build cannot start within a limited address space: its shadow memory alone is
# larger.
sanitized=0
grep -q '^VORLIX_SANITIZE:BOOL=ON' "$build/CMakeCache.txt" 2>/dev/null && sanitized=1
passed=0 failed=0 skipped=0 case_failed=0 name=""

# begin NAME [--empty]: starts a case in a folder of its own. What a case starts from: a module
# and settings of an earlier run that must stay as they are (the settings hold the built-in
# defaults); with --empty, nothing.
begin() {
  name=$1
  case_failed=0
  dir=$work/$name
  mkdir -p "$dir"
  [ "${2:-}" = --empty ] && return
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

# run [--in DIR] ARGS...: runs the program in DIR (default: the case folder), its progress lines
# into a file: --quiet would hide the Information messages checked here.
run() {
  local in=$dir
  if [ "$1" = "--in" ]; then
    in=$2
    shift 2
  fi
  (cd "$in" && "$cli" "$@" >"$work/stdout" 2>"$work/stderr")
  status=$?
  err=$(cat "$work/stderr")
}

# run_bounded SECONDS [--limit-kib KIB] ARGS...: as run, in the case folder, ended after SECONDS
# (exit 124) and, with --limit-kib, within that much address space.
run_bounded() {
  local seconds=$1 limit=unlimited
  shift
  if [ "$1" = "--limit-kib" ]; then
    limit=$2
    shift 2
  fi
  (cd "$dir" && ulimit -v "$limit" &&
    timeout -k 5 "$seconds" "$cli" "$@" >"$work/stdout" 2>"$work/stderr")
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

# expect_names WANTED...: the case folder holds exactly these names, hidden ones too.
expect_names() {
  local want have
  want=$(printf '%s\n' "$@" | LC_ALL=C sort)
  have=$(ls -A "$dir" | LC_ALL=C sort)
  [ "$have" = "$want" ] || fail "files [$(tr '\n' ' ' <<<"$have")], expected [$*]"
}

# wait_for_first_frame FILE: waits (up to 20 s) until the progress lines in FILE say that frame 0
# is written: the module's temporary then exists and is known to the signal handler.
wait_for_first_frame() {
  for _ in $(seq 400); do
    grep -q '^Frame 0 ' "$1" 2>/dev/null && break
    sleep 0.05
  done
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
(cd "$work" && "$cli" -q troll.gif troll >/dev/null 2>&1) || { echo "the sample does not convert"; exit 1; }
troll_module=$(md5sum <"$work/troll.xm")
saved_lines="Information: File loaded.
Information: Successfully saved to file out.xm."
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

# Not regular files: a pipe (even one a writer fills with a whole GIF) and endless devices behind
# a link are refused at once, without reading them.
begin input_not_a_regular_file
mkfifo "$dir/pipe.gif"
ln -s /dev/zero "$dir/zero.gif"
ln -s /dev/urandom "$dir/random.gif"
before=$(snapshot "$dir")
for input in pipe.gif zero.gif random.gif; do
  run_bounded 10 "$input" out
  expect 1 "Error: Cannot open this file."
done
cat "$troll" >"$dir/pipe.gif" 2>/dev/null &
writer=$!
run_bounded 10 pipe.gif out
expect 1 "Error: Cannot open this file."
kill "$writer" 2>/dev/null
wait "$writer" 2>/dev/null
unchanged "$dir" "$before"
finish

# Sparse files: nothing of them is on the disk. Over the 6 GiB that are ever held, or more than
# the address space can map, is too large; zeros after a GIF's trailer are never read.
begin input_huge_file
cp "$troll" "$dir/over.gif"
truncate -s 7G "$dir/over.gif"
cp "$troll" "$dir/zeros.gif"
truncate -s 1G "$dir/zeros.gif"
before=$(snapshot "$dir")
run_bounded 20 over.gif out
expect 1 "Error: This animation is too large."
# Only the build without sanitizers runs this step.
if [ "$sanitized" -eq 0 ]; then
  run_bounded 20 --limit-kib 655360 zeros.gif out
  expect 1 "Error: This animation is too large."
fi
unchanged "$dir" "$before"
run_bounded 60 zeros.gif out
expect 0 "Information: File loaded.
Information: Successfully saved to file out.xm."
[ "$(word_at "$dir/out.xm" 70)" = 48 ] || fail "the module holds $(word_at "$dir/out.xm" 70) patterns"
finish

begin screen_without_pixels
printf 'GIF89a\x00\x00\x10\x00\x80\x00\x00\x00\x00\x00\xff\xff\xff'"$one_pixel_image" >"$dir/flat.gif"
before=$(snapshot "$dir")
run flat.gif out
expect 1 "Error: Cannot open this file."
unchanged "$dir" "$before"
finish

# Five million frames of one pixel: the walk stops at the 241st, so the run takes as long as one
# of 240 frames (a walk over all of them took seconds per million).
begin frames_far_beyond_240
"$make_gif" tiny "$dir/many.gif" 5000000 || fail "make_gif tiny failed"
start=$(date +%s)
run_bounded 60 many.gif out
expect 0 "Information: File loaded.
Information: Too many frames. The animation will be cut.
Information: Successfully saved to file out.xm."
[ $(($(date +%s) - start)) -le 10 ] || fail "converting took more than 10 s"
[ "$(word_at "$dir/out.xm" 70)" = 240 ] || fail "the module holds $(word_at "$dir/out.xm" 70) patterns"
finish

# A drawn cell is five bytes without a flag byte; a note byte with its high bit set would be
# taken for one. Such cells keep the flag byte 0x9F; the dark 16x16 screen draws every cell.
begin fill_with_high_note_byte
printf "$gif_header$one_pixel_image" >"$dir/dark.gif"
run --fill 128,127,77,9,99 dark.gif out
expect 0 "Information: File loaded.
Information: Successfully saved to file out.xm."
# 150 rows of 30 cells of six bytes, but the break cell's three.
[ "$(word_at "$dir/out.xm" 343)" = $((6 * 4499 + 3)) ] || fail "packed size $(word_at "$dir/out.xm" 343)"
[ "$(od -An -tx1 -j 345 -N 6 "$dir/out.xm" | tr -d ' \n')" = 9f807f4d0963 ] ||
  fail "first cell $(od -An -tx1 -j 345 -N 6 "$dir/out.xm")"
# Settings of eleven 0xFF bytes: 200 rows of 32 cells, no break, every fill byte 0xFF.
head -c 11 /dev/zero | tr '\0' '\377' >"$dir/vorlix.conf"
run dark.gif full
expect 0 "Information: File loaded.
Information: Successfully saved to file full.xm."
[ "$(word_at "$dir/full.xm" 343)" = $((6 * 200 * 32)) ] || fail "packed size $(word_at "$dir/full.xm" 343)"
[ "$(od -An -tx1 -j 345 -N 6 "$dir/full.xm" | tr -d ' \n')" = 9fffffffffff ] ||
  fail "first cell $(od -An -tx1 -j 345 -N 6 "$dir/full.xm")"
finish

# Another program cuts the GIF while frames are decoded: the run is held once the first frame is
# written, the file is cut, and the run goes on. Reads past the new end find zeros instead of
# ending the process; the run says the file changed, exits 1 and leaves no temporary.
begin shrinking_input --empty
"$make_gif" bars "$dir/big.gif" 240 1024 768 || fail "make_gif bars failed"
for cut in 1000 0; do
  # Emptied here, not only by the run's own redirection: the wait below must never see the
  # lines of an earlier run.
  : >"$work/progress"
  (cd "$dir" && exec "$cli" big.gif out >"$work/progress" 2>"$work/stderr") &
  runner=$!
  wait_for_first_frame "$work/progress"
  kill -STOP "$runner"
  truncate -s "$cut" "$dir/big.gif"
  kill -CONT "$runner"
  wait "$runner"
  status=$?
  [ "$status" -eq 1 ] || fail "cut to $cut: exit status $status, expected 1"
  [ "$(cat "$work/stderr")" = "Information: File loaded.
Error: The file changed while it was read." ] || fail "cut to $cut: [$(cat "$work/stderr")]"
  grep -q '^Frame 239 ' "$work/progress" && fail "cut to $cut: frame 239 said converted"
  expect_names big.gif
  "$make_gif" bars "$dir/big.gif" 240 1024 768 || fail "make_gif bars failed"
done
finish

# Blocks that no image depends on cost nothing beyond reading past them: a 100 MB comment between
# two frames, 4 million empty comments, 240 frames each after 10,000 of them. Each converts
# within a small address space (where sanitizers do not need more) to the module of the same
# frames without the blocks.
one_frame='\x21\xf9\x04\x00\x0a\x00\x00\x00\x2c\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02\x44\x01\x00'
# repeat FILE COUNT: FILE's bytes COUNT times over, made by doubling.
repeat() {
  local file=$1 count=$2
  mv "$file" "$file.unit"
  : >"$file"
  while [ "$count" -gt 0 ]; do
    [ $((count % 2)) -eq 1 ] && cat "$file.unit" >>"$file"
    cat "$file.unit" "$file.unit" >"$file.twice" && mv "$file.twice" "$file.unit"
    count=$((count / 2))
  done
  rm "$file.unit"
}
begin extension_floods --empty
printf '\xff%0255d' 0 >"$dir/sub_blocks"
repeat "$dir/sub_blocks" 390625
printf '\x21\xfe\x00' >"$dir/empties"
repeat "$dir/empties" 10000
printf '\x21\xfe\x00' >"$dir/many_empties"
repeat "$dir/many_empties" 4000000
{
  printf "$gif_header$one_frame"'\x21\xfe'
  cat "$dir/sub_blocks"
  printf '\x00'"$one_frame"'\x3b'
} >"$dir/comment.gif"
{ printf "$gif_header"; cat "$dir/many_empties"; printf "$one_frame$one_frame"'\x3b'; } >"$dir/comments.gif"
{
  printf "$gif_header"
  for _ in $(seq 240); do
    cat "$dir/empties"
    printf "$one_frame"
  done
  printf '\x3b'
} >"$dir/frames.gif"
printf "$gif_header$one_frame$one_frame"'\x3b' >"$dir/two.gif"
{
  printf "$gif_header"
  for _ in $(seq 240); do printf "$one_frame"; done
  printf '\x3b'
} >"$dir/plain240.gif"
rm "$dir/sub_blocks" "$dir/empties" "$dir/many_empties"
(cd "$dir" && "$cli" -q two.gif two && "$cli" -q plain240.gif plain240) >/dev/null 2>&1 ||
  fail "the twins do not convert"
for input in comment:two comments:two frames:plain240; do
  limit=unlimited
  [ "$sanitized" -eq 1 ] || limit=262144
  (cd "$dir" && ulimit -v "$limit" && timeout -k 5 60 "$cli" "${input%%:*}.gif" out \
    >/dev/null 2>"$work/stderr")
  status=$?
  [ "$status" -eq 0 ] || fail "${input%%:*}.gif: exit status $status, expected 0"
  [ "$(cat "$work/stderr")" = "$saved_lines" ] || fail "${input%%:*}.gif: [$(cat "$work/stderr")]"
  cmp -s "$dir/out.xm" "$dir/${input#*:}.xm" || fail "${input%%:*}.gif: another module than its twin's"
  rm -f "$dir/out.xm"
done
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

# Runs started together with one OUTPUT: each module gets a name of its own, whole, and no
# temporary file stays behind. The last "Saving to" line names the file that was written.
begin simultaneous_runs
printf "$gif_header$one_pixel_image" >"$dir/small.gif"
(cd "$dir" && "$cli" -q small.gif reference >/dev/null 2>&1)
reference=$(md5sum <"$dir/reference.xm")
rm "$dir/reference.xm"
mkdir "$dir/logs"
for pair in $(seq 100); do
  for side in a b; do
    (cd "$dir" && "$cli" small.gif "same$pair" >"logs/$pair$side.out" 2>"logs/$pair$side.err";
      echo $? >"logs/$pair$side.status") &
  done
  wait
done
[ "$(cat "$dir"/logs/*.status | sort | uniq -c | tr -s ' ')" = " 200 0" ] ||
  fail "exit statuses: $(cat "$dir"/logs/*.status | sort | uniq -c)"
names=$(sed -n 's/^Information: Successfully saved to file \(.*\)\.$/\1/p' "$dir"/logs/*.err | sort -u)
[ "$(echo "$names" | wc -l)" -eq 200 ] || fail "$(echo "$names" | wc -l) distinct module names"
for log in "$dir"/logs/*.out; do
  saved=$(sed -n 's/^Successfully saved to file \(.*\)\.$/\1/p' "$log")
  [ "$(grep '^Saving to: ' "$log" | tail -n 1)" = "Saving to: $saved." ] ||
    fail "$log: the last Saving to line does not name $saved"
done
for module in $names; do
  [ "$(md5sum <"$dir/$module")" = "$reference" ] || fail "$module is not the whole module"
done
[ "$(ls -A "$dir" | grep -c '^\.')" -eq 0 ] || fail "left behind: $(ls -A "$dir" | grep '^\.')"
finish

# A run killed part way leaves no file under a module name: the module is written to a hidden
# temporary and named only when whole. INT, TERM and HUP remove the temporary; after KILL it may
# stay, but it is never taken for a module.
begin killed_runs
"$make_gif" bars "$dir/big.gif" 240 1024 768 || fail "make_gif bars failed"
(cd "$dir" && "$cli" -q big.gif reference >/dev/null 2>&1)
reference=$(md5sum <"$dir/reference.xm")
for signal in KILL TERM INT HUP; do
  # Started with the default actions: a background job would otherwise ignore INT.
  (cd "$dir" && exec env --default-signal=INT,TERM,HUP "$cli" -q big.gif "killed$signal" \
    >/dev/null 2>&1) &
  runner=$!
  sleep 1
  kill -s "$signal" "$runner"
  { wait "$runner"; } 2>/dev/null
  for module in "$dir"/killed*.xm; do
    [ -e "$module" ] || continue
    [ "$(md5sum <"$module")" = "$reference" ] || fail "after $signal: $(basename "$module") is not whole"
  done
  leftovers=$(ls -A "$dir" | grep "^\.killed$signal\.xm\.")
  if [ "$signal" = KILL ]; then
    rm -f "$dir/$leftovers"
  else
    [ -z "$leftovers" ] || fail "after $signal the temporary $leftovers stayed"
  fi
done
[ -z "$(ls -A "$dir" | grep '\.xm$' | grep -v -e '^keep\.xm$' -e '^reference\.xm$' -e '^killed')" ] ||
  fail "unexpected modules: $(ls -A "$dir")"
finish

# Past the limit a write fails instead of ending the process: the run says it cannot write, exits
# 1 and leaves no temporary; a failed settings save keeps no copy, hidden or not. The messages
# go through a pipe, which the limit does not bound.
limited() {
  local blocks=$1
  shift
  (cd "$dir" && ulimit -f "$blocks" && exec "$cli" "$@" >/dev/null) 2>&1 | cat >"$work/stderr"
  status=${PIPESTATUS[0]}
  err=$(cat "$work/stderr")
}
begin file_size_limit --empty
cp "$troll" "$dir/in.gif"
while IFS=';' read -r blocks args want; do
  want=${want//|/$'\n'}
  # shellcheck disable=SC2086
  limited "$blocks" $args
  [ "$status" -eq 1 ] || fail "$args: exit status $status, expected 1"
  [ "$err" = "$want" ] || fail "$args: standard error [$err], expected [$want]"
  expect_names in.gif
done <<'EOF'
4;in.gif out;Information: File loaded.|Error: Cannot write the file out.xm.
0;--preview p.png in.gif;Information: File loaded.|Error: Cannot write the file p.png.
4;--preview p.gif in.gif;Information: File loaded.|Error: Cannot write the file p.gif.
0;--save-settings;Error: Cannot save the settings.
EOF
finish

# The reading end is gone before the program writes anything, or goes after the first line: either
# way the run goes on as with a closed standard output, writes the module and exits 0.
begin broken_pipe --empty
cp "$troll" "$dir/in.gif"
mkfifo "$dir/pipe"
exec {both}<>"$dir/pipe"
exec {writer}>"$dir/pipe"
exec {both}>&-
(cd "$dir" && exec env --default-signal=PIPE "$cli" in.gif out >&"$writer" 2>"$work/stderr")
status=$?
exec {writer}>&-
rm "$dir/pipe"
[ "$status" -eq 0 ] || fail "without a reader: exit status $status, expected 0"
[ "$(cat "$work/stderr")" = "$saved_lines" ] || fail "without a reader: [$(cat "$work/stderr")]"
[ "$(md5sum <"$dir/out.xm")" = "$troll_module" ] || fail "without a reader: the module differs"
rm -f "$dir/out.xm"
(cd "$dir" && env --default-signal=PIPE "$cli" in.gif out 2>"$work/stderr"; echo $? >"$work/status") |
  head -n 1 >/dev/null
[ "$(cat "$work/status")" = 0 ] || fail "under head -n 1: exit status $(cat "$work/status")"
[ "$(cat "$work/stderr")" = "$saved_lines" ] || fail "under head -n 1: [$(cat "$work/stderr")]"
[ "$(md5sum <"$dir/out.xm")" = "$troll_module" ] || fail "under head -n 1: the module differs"
expect_names in.gif out.xm
finish

# Every signal that ends the process by default removes the module's temporary first and then
# ends the process by that same signal. Each is sent once the first frame is written, when the
# temporary exists and is known to the handler.
begin signals --empty
"$make_gif" bars "$dir/big.gif" 240 1024 768 || fail "make_gif bars failed"
for signal in QUIT USR1 USR2 ALRM VTALRM PROF XCPU IO PWR SYS RTMIN RTMAX-1; do
  : >"$work/progress"  # never the lines of an earlier run
  (cd "$dir" && exec env --default-signal "$cli" big.gif "k$signal" >"$work/progress" 2>/dev/null) &
  runner=$!
  wait_for_first_frame "$work/progress"
  kill -s "$signal" "$runner"
  { wait "$runner"; } 2>/dev/null
  status=$?
  [ "$status" -eq $((128 + $(kill -l "$signal"))) ] ||
    fail "$signal: exit status $status, expected death by the signal"
  expect_names big.gif
done
finish

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

# A pipe named vorlix.conf is not read (the defaults are used) and not replaced; neither blocks.
begin settings_is_a_pipe
rm "$dir/vorlix.conf"
mkfifo "$dir/vorlix.conf"
before=$(snapshot "$dir")
run_bounded 20 "$troll" out
expect 0 "Information: File loaded.
Information: Successfully saved to file out.xm."
[ "$(module_options "$dir/out.xm")" = "30 5 250" ] || fail "the built-in options were not used"
rm -f "$dir/out.xm"
run_bounded 10 --save-settings --tempo 99
expect 1 "Error: Cannot save the settings."
unchanged "$dir" "$before"
finish

# ---- usage ----
# Numbers out of range are clamped; one that cannot be taken is refused with the option's range.
begin numbers_that_cannot_be_taken
before=$(snapshot "$dir")
run --tempo -5 "$troll" out
[ "$status" -eq 2 ] || fail "exit status $status, expected 2"
[ "$err" = "Error: --tempo expects a whole number from 0 to 4294967295, clamped to 32..255; not '-5' (see vorlix-cli --help)" ] ||
  fail "standard error was [$err]"
run --height 99999999999 "$troll" out
[ "$status" -eq 2 ] || fail "exit status $status, expected 2"
[ "$err" = "Error: --height expects a whole number from 0 to 4294967295, clamped to 16..200; not '99999999999' (see vorlix-cli --help)" ] ||
  fail "standard error was [$err]"
unchanged "$dir" "$before"
run --tempo 4294967295 --height 0 "$troll" out
expect 0 "Information: File loaded.
Information: Successfully saved to file out.xm."
[ "$(word_at "$dir/out.xm" 78) $(word_at "$dir/out.xm" 341)" = "255 16" ] ||
  fail "tempo and rows $(word_at "$dir/out.xm" 78) $(word_at "$dir/out.xm" 341)"
finish

echo "faults: $passed passed, $failed failed, $skipped skipped"
[ "$failed" -eq 0 ]
