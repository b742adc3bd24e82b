#!/usr/bin/env bash
# Fault tests of the whole vorlix-cli program, third round: standard output a closed pipe, signals
# that end the process by default, a file-size limit, an input that shrinks while it is read,
# inputs made of extension blocks, and interlaced frames a few rows high. Every case checks the
# messages, the exit status and the files left behind: no temporary and no partial file.
# Usage: bash tests/cli/faults_round3_test.sh BUILD_DIR
set -uo pipefail

build=$(cd "${1:?usage: faults_round3_test.sh BUILD_DIR}" && pwd)
cli=$build/vorlix-cli
make_gif=$build/tests/tools/make_gif
for tool in "$cli" "$make_gif"; do
  [ -x "$tool" ] || { echo "missing $tool: build first"; exit 1; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/vorlix-faults3-XXXXXX")
trap 'rm -rf "$work"' EXIT
passed=0 failed=0 case_failed=0 name=""

begin() {
  name=$1
  case_failed=0
  dir=$work/$name
  mkdir -p "$dir"
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

# The names in the case folder, hidden ones too, one a line.
names() {
  ls -A "$dir" | LC_ALL=C sort
}

# expect_names WANTED...: the case folder holds exactly these names.
expect_names() {
  local want
  want=$(printf '%s\n' "$@" | LC_ALL=C sort)
  [ "$(names)" = "$want" ] || fail "files [$(names | tr '\n' ' ')], expected [$*]"
}

"$make_gif" troll "$work/troll.gif" || { echo "make_gif failed"; exit 1; }
troll=$work/troll.gif
(cd "$work" && "$cli" -q troll.gif reference >/dev/null 2>&1) || { echo "reference run failed"; exit 1; }
reference=$(md5sum <"$work/reference.xm")
saved_lines="Information: File loaded.
Information: Successfully saved to file out.xm."

# ---- standard output a closed pipe ----
# The reading end is gone before the program writes anything, or goes after the first line: either
# way the run goes on as with a closed standard output, writes the module and exits 0.
begin broken_pipe
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
[ "$(md5sum <"$dir/out.xm")" = "$reference" ] || fail "without a reader: the module differs"
rm -f "$dir/out.xm"
(cd "$dir" && env --default-signal=PIPE "$cli" in.gif out 2>"$work/stderr"; echo $? >"$work/status") |
  head -n 1 >/dev/null
[ "$(cat "$work/status")" = 0 ] || fail "under head -n 1: exit status $(cat "$work/status")"
[ "$(cat "$work/stderr")" = "$saved_lines" ] || fail "under head -n 1: [$(cat "$work/stderr")]"
[ "$(md5sum <"$dir/out.xm")" = "$reference" ] || fail "under head -n 1: the module differs"
expect_names in.gif out.xm
finish

# ---- signals ----
# Every signal that ends the process by default removes the module's temporary first and then
# ends the process by that same signal. Each is sent once the first frame is written, when the
# temporary exists and is known to the handler.
begin signals
"$make_gif" bars "$dir/big.gif" 240 1024 768 || fail "make_gif bars failed"
for signal in QUIT USR1 USR2 ALRM VTALRM PROF XCPU IO PWR SYS RTMIN RTMAX-1; do
  : >"$work/progress"  # never the lines of an earlier run
  (cd "$dir" && exec env --default-signal "$cli" big.gif "k$signal" >"$work/progress" 2>/dev/null) &
  runner=$!
  for _ in $(seq 400); do
    grep -q '^Frame 0 ' "$work/progress" 2>/dev/null && break
    sleep 0.05
  done
  kill -s "$signal" "$runner"
  { wait "$runner"; } 2>/dev/null
  status=$?
  [ "$status" -eq $((128 + $(kill -l "$signal"))) ] ||
    fail "$signal: exit status $status, expected death by the signal"
  expect_names big.gif
done
finish

# ---- file-size limit ----
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
begin file_size_limit
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

# ---- an input that shrinks while it is read ----
# Another program cuts the GIF while frames are decoded: the run is held once the first frame is
# written, the file is cut, and the run goes on. Reads past the new end find zeros instead of
# ending the process; the run says the file changed, exits 1 and leaves no temporary.
begin shrinking_input
"$make_gif" bars "$dir/big.gif" 240 1024 768 || fail "make_gif bars failed"
for cut in 1000 0; do
  # Emptied here, not only by the run's own redirection: the wait below must never see the
  # lines of an earlier run.
  : >"$work/progress"
  (cd "$dir" && exec "$cli" big.gif out >"$work/progress" 2>"$work/stderr") &
  runner=$!
  for _ in $(seq 400); do
    grep -q '^Frame 0 ' "$work/progress" 2>/dev/null && break
    sleep 0.05
  done
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

# ---- inputs made of extension blocks ----
# Blocks that no image depends on cost nothing beyond reading past them: a 100 MB comment between
# two frames, 4 million empty comments, 240 frames each after 10,000 of them. Each converts
# within a small address space (where sanitizers do not need more) to the module of the same
# frames without the blocks.
gif_header='GIF89a\x10\x00\x10\x00\x80\x00\x00\x00\x00\x00\xff\xff\xff'
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
sanitized=0
grep -q '^VORLIX_SANITIZE:BOOL=ON' "$build/CMakeCache.txt" 2>/dev/null && sanitized=1
begin extension_floods
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

echo "faults round 3: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
