#!/usr/bin/env bash
# vorlix-cli.exe under Wine beside the Linux vorlix-cli: the same files (modules, previews,
# settings), standard output, standard error and exit status for the same arguments; then what
# only Windows has: wide-character names, long paths, device names, both slashes, Ctrl+C.
# Argument: the Linux build folder. Skipped (77) when build-windows holds no vorlix-cli.exe
# (made by `bash scripts/windows.sh`) or Wine is missing.
set -euo pipefail
source "$(dirname "$0")/../support/script_helpers.sh"
source "$(dirname "$0")/../support/wine_helpers.sh"
use_build_dir "$@"
exe="$source_dir/build-windows/vorlix/vorlix-cli.exe"
need_wine_build "$exe"
make_work_dir
use_own_wine_prefix

# Only DLLs that every Windows has.
check "imports only system DLLs" "KERNEL32.dll msvcrt.dll SHELL32.dll" \
  "$(x86_64-w64-mingw32-objdump -p "$exe" | sed -n 's/^\tDLL Name: //p' | sort -f | xargs)"

mkdir "$work/gifs"
"$make_gif" troll "$work/gifs/troll.gif"
"$make_gif" bars "$work/gifs/bars.gif" 5 40 30 2
# The folders the two programs run in, each with the GIFs (and what SETUP adds); named so that
# the names of outputs can hold any characters.
fresh() {
  rm -rf "$work/linux" "$work/windows"
  mkdir "$work/linux" "$work/windows"
  cp "$work/gifs/"* "$work/linux/"
  cp "$work/gifs/"* "$work/windows/"
}
# Runs one program in its folder; its standard output, error and exit status land beside it.
run_linux() { (cd "$work/linux" && status=0 && "$cli" "$@" >../linux.out 2>../linux.err ||
  status=$?; echo "$status" >../linux.status); }
run_windows() { (cd "$work/windows" && status=0 &&
  timeout 120 wine "$exe" "$@" >../windows.out 2>../windows.err || status=$?
  echo "$status" >../windows.status); }
# Every file and its bytes, as one text.
listing() { (cd "$1" && find . -type f | LC_ALL=C sort | while IFS= read -r f; do
  echo "$f $(sha256sum <"$f" | cut -c1-16)"; done); }
same() {  # same DESCRIPTION ARGS...: both programs alike in files, output, messages and status
  local what=$1
  shift
  fresh
  run_linux "$@"
  run_windows "$@"
  check "$what: exit status" "$(cat "$work/linux.status")" "$(cat "$work/windows.status")"
  check "$what: standard output" "$(od -c "$work/linux.out")" "$(od -c "$work/windows.out")"
  check "$what: messages" "$(od -c "$work/linux.err")" "$(od -c "$work/windows.err")"
  check "$what: files" "$(listing "$work/linux")" "$(listing "$work/windows")"
}

# Modules from both GIFs with every dither, the automatic threshold, the GIF's timing, each
# backdrop, the number options, fits and titles; previews of both kinds and styles.
while IFS='|' read -r what args; do
  [ -n "$what" ] || continue
  read -r -a list <<<"$args"
  same "$(sed "s/ *$//" <<<"$what")" "${list[@]}"
done <<'CASES'
defaults, troll                 | troll.gif
defaults, bars                  | bars.gif out
dither fs                       | --dither fs troll.gif
dither bayer4                   | --dither bayer4 bars.gif
dither bayer8                   | --dither bayer8 troll.gif
dither bayer16                  | --dither bayer16 troll.gif
dither cluster6                 | --dither cluster6 troll.gif
dither cluster8                 | --dither cluster8 bars.gif
dither cluster16                | --dither cluster16 troll.gif
threshold auto                  | --threshold auto troll.gif
threshold auto, bars            | --threshold auto --transparent dark bars.gif
timing gif                      | --timing gif troll.gif
backdrop background             | --transparent background --dither fs bars.gif
backdrop light                  | --transparent light troll.gif
backdrop dark                   | --transparent dark troll.gif
numbers and fill                | --width 64 --height 32 --inverse --fill 49,1,64,15,6 --no-break troll.gif small
clamped numbers                 | --tempo 999 --speed 0 --threshold 10 --width 9999 bars.gif
png preview                     | --preview p.png --frame 3 troll.gif
png preview, tracker style      | --preview p.png --preview-style tracker --dither bayer8 troll.gif
gif preview                     | --preview p.gif --timing gif troll.gif
gif preview and module          | --preview p.gif --preview-style tracker bars.gif both
png preview, ft2 style          | --preview p.png --frame 2 --preview-style ft2 troll.gif
gif preview, ft2 style          | --preview p.gif --preview-style ft2 --width 32 --height 40 troll.gif
png preview, schism style       | --preview p.png --frame 2 --preview-style schism troll.gif
gif preview, schism style       | --preview p.gif --preview-style schism bars.gif
settings saved                  | --save-settings --tempo 125 --dither cluster8 --no-break
usage error                     | --tempo fast troll.gif
missing input                   | missing.gif
not a GIF                       | LICENSE.gif
quiet                           | -q --threshold 90 troll.gif
quiet, choices said             | -q --threshold auto --timing gif troll.gif
OUTPUT the folder .             | troll.gif .
OUTPUT ending in a backslash    | troll.gif out\
leading zeros                   | --tempo 00000000100 --frame 0000000000001 --preview p.png troll.gif m
frame past any int              | --preview p.png --frame 4294967295 troll.gif
fit milkytracker-1024x768       | --fit milkytracker-1024x768 troll.gif
fit schism, bars                | --fit schism bars.gif
fit ft2, then a width           | --fit ft2 --width 40 troll.gif
fit custom, no break            | --fit=8x32 --no-break bars.gif
fit, a bad name                 | --fit nowhere troll.gif
fit without input               | --save-settings --fit ft2
fit, missing input              | --fit ft2 missing.gif
title                           | --title Troll troll.gif
title cut                       | --title abcdefghijklmnopqrstuvwxyz troll.gif
title not ASCII                 | --title café troll.gif
CASES

# Standard output and error in one stream: the success line ends before the message after it.
fresh
(cd "$work/linux" && "$cli" bars.gif >../linux.both 2>&1)
(cd "$work/windows" && timeout 120 wine "$exe" bars.gif >../windows.both 2>&1)
check "one stream for both" "$(od -c "$work/linux.both")" "$(od -c "$work/windows.both")"

# A read-only vorlix.conf (the read-only attribute, as Wine shows a file without write
# permission) is not replaced.
fresh
printf 'old' >"$work/windows/vorlix.conf"
chmod 444 "$work/windows/vorlix.conf"
run_windows --save-settings --tempo 99
check "read-only settings: exit status" 1 "$(cat "$work/windows.status")"
check "read-only settings: message" "Error: Cannot save the settings: vorlix.conf is read-only." \
  "$(cat "$work/windows.err")"
check "read-only settings: kept, no temporary" "old vorlix.conf" \
  "$(cat "$work/windows/vorlix.conf") $(cd "$work/windows" && ls -A | grep conf | xargs)"
chmod 644 "$work/windows/vorlix.conf"

# An existing module is never replaced, and settings replace settings, as on Linux.
fresh
for run in 1 2; do run_linux --save-settings --tempo 1$run troll.gif; done
for run in 1 2; do run_windows --save-settings --tempo 1$run troll.gif; done
check "second run numbers the module, settings replaced" "$(listing "$work/linux")" \
  "$(listing "$work/windows")"

# Names outside ASCII as INPUT, OUTPUT and preview, and both slashes; the output lines name
# them as on Linux.
fresh
for dir in linux windows; do
  mkdir -p "$work/$dir/日本 é/sub"
  cp "$work/gifs/troll.gif" "$work/$dir/日本 é/sub/trollé日本.gif"
done
same_in_place() {  # as same, without making the folders afresh
  local what=$1
  shift
  run_linux "$@"
  run_windows "$@"
  check "$what: exit status" "$(cat "$work/linux.status")" "$(cat "$work/windows.status")"
  check "$what: standard output" "$(od -c "$work/linux.out")" "$(od -c "$work/windows.out")"
  check "$what: files" "$(listing "$work/linux")" "$(listing "$work/windows")"
}
same_in_place "non-ASCII input and output" "日本 é/sub/trollé日本.gif" "日本 é/出力é"
same_in_place "non-ASCII preview" --preview "日本 é/プレビューé.png" "日本 é/sub/trollé日本.gif"
same_in_place "backslashes" --preview '日本 é\sub\p.gif' '日本 é\sub\trollé日本.gif' '日本 é\sub\m'
same_in_place "mixed slashes" '日本 é\sub/trollé日本.gif' '日本 é/sub\m2'

# A path longer than 260 characters, relative and absolute (Wine shows / as Z:).
fresh
long=$(printf 'folder-%02d-abcdefghijklmnopqrstuvwxyz/' $(seq 1 9))
for dir in linux windows; do
  mkdir -p "$work/$dir/$long"
  cp "$work/gifs/bars.gif" "$work/$dir/$long/bars.gif"
done
same_in_place "path of ${#long} characters" --preview "${long}p.png" "${long}bars.gif" "${long}m"
check "long name really is long" "yes" "$([ "${#long}" -gt 300 ] && echo yes)"
(cd "$work/windows" && timeout 120 wine "$exe" -q "Z:${work//\//\\}\\windows\\${long//\//\\}bars.gif" \
  "Z:${work//\//\\}\\windows\\${long//\//\\}abs" >/dev/null 2>&1) && status=0 || status=$?
check "absolute long path: exit status" 0 "$status"
check "absolute long path: module" "same" \
  "$(cmp -s "$work/linux/${long}m.xm" "$work/windows/${long}abs.xm" && echo same)"

# A path of thousands of characters, as deep as the system beneath Wine lets it be.
deep=$(printf "$(printf 'd%.0s' {1..200})/%.0s" {1..15})
mkdir -p "$work/windows/$deep"
(cd "$work/windows" && timeout 120 wine "$exe" -q bars.gif "${deep}$(printf 'm%.0s' {1..150})" \
  >/dev/null 2>&1) && status=0 || status=$?
check "path of $((${#deep} + 153)) characters: exit status" 0 "$status"
check "path of $((${#deep} + 153)) characters: module alone" "$(printf 'm%.0s' {1..150}).xm" \
  "$(ls -A "$work/windows/$deep")"

# Device names are neither read nor written: an error, no hang, no file, no temporary.
fresh
while IFS='|' read -r what args message; do
  [ -n "$what" ] || continue
  read -r -a list <<<"$args"
  what=$(sed "s/^ *//; s/ *$//" <<<"$what") message=$(sed "s/^ *//; s/ *$//" <<<"$message")
  run_windows "${list[@]}"
  check "device $what: exit status" 1 "$(cat "$work/windows.status")"
  check "device $what: message" "$message" "$(tr -d '\r' <"$work/windows.err" | tail -n 1)"
  check "device $what: nothing written" "$(listing "$work/linux")" "$(listing "$work/windows")"
done <<'CASES'
NUL as input      | NUL                             | Error: File not found.
CON as input      | CON x                           | Error: File not found.
COM1 as input     | COM1 x                          | Error: File not found.
aux.gif as input  | aux.gif x                       | Error: File not found.
CON.xm as input   | CON.xm x                        | Error: File not found.
CONIN$ as input   | CONIN$ x                        | Error: File not found.
device namespace  | \\.\NUL x                       | Error: File not found.
NUL as output     | troll.gif NUL                   | Error: Cannot write the file NUL.xm.
CON.xm as output  | troll.gif CON.xm                | Error: Cannot write the file CON.xm.
com1 as output    | troll.gif com1.xm               | Error: Cannot write the file com1.xm.
aux.gif as output | troll.gif aux.gif               | Error: Cannot write the file aux.gif.xm.
CONOUT$ as output | troll.gif CONOUT$               | Error: Cannot write the file CONOUT$.xm.
NUL as preview    | --preview NUL.png troll.gif     | Error: Cannot write the file NUL.png.
CON.gif preview   | --preview con.gif troll.gif     | Error: Cannot write the file con.gif.
CASES

# Ctrl+C (Wine passes SIGINT on as Ctrl+C) while a module is written: the temporary goes and the
# run ends with STATUS_CONTROL_C_EXIT, of which the exit status keeps the low byte.
fresh
"$make_gif" bars "$work/windows/big.gif" 240 640 480
(cd "$work/windows" && exec wine "$exe" --dither fs big.gif >/dev/null 2>&1) &
runner=$!
for _ in $(seq 600); do
  compgen -G "$work/windows/.big.xm.*" >/dev/null && break
  sleep 0.1
done
check "Ctrl+C: a temporary while writing" "yes" \
  "$(compgen -G "$work/windows/.big.xm.*" >/dev/null && echo yes)"
kill -INT "$runner"
status=0
wait "$runner" || status=$?
check "Ctrl+C: exit status" 58 "$status"
check "Ctrl+C: neither module nor temporary" "" "$(cd "$work/windows" && ls -A | grep xm || true)"

# Images of LZW code size 12 or more, whose data hold code 4098 (past the image library's string
# table), are left undrawn on both systems; code size 9 goes on being decoded by the library.
for size in 9 12 20 254; do "$make_gif" codesize "$work/gifs/codesize$size.gif" "$size"; done
while IFS='|' read -r what args; do
  [ -n "$what" ] || continue
  read -r -a list <<<"$args"
  what=$(sed "s/ *$//" <<<"$what")
  same "$what" "${list[@]}"
  check "$what: converted" 0 "$(cat "$work/windows.status")"
done <<'CASES'
code size 9                     | codesize9.gif
code size 12                    | codesize12.gif
code size 20                    | codesize20.gif
code size 254                   | codesize254.gif
code size 12, preview and auto  | --threshold auto --preview p.gif codesize12.gif
CASES

# Names that only look like files on Windows: a device's name before a ':' or with superscript
# digits, a stream after the drive, the device namespace. Each ends at once (a run that numbered
# on forever would meet the timeout) with the error, and writes nothing. Arguments are separated
# by ';', so that a name may hold a space.
brief_windows() { (cd "$work/windows" && status=0 &&
  timeout 30 wine "$exe" "$@" >../windows.out 2>../windows.err || status=$?
  echo "$status" >../windows.status); }
fresh
while IFS='|' read -r what args message; do
  [ -n "$what" ] || continue
  what=$(sed "s/^ *//; s/ *$//" <<<"$what") message=$(sed "s/^ *//; s/ *$//" <<<"$message")
  IFS=';' read -r -a list <<<"$(sed "s/^ *//; s/ *$//" <<<"$args")"
  brief_windows "${list[@]}"
  check "name $what: exit status" 1 "$(cat "$work/windows.status")"
  check "name $what: message" "$message" "$(tr -d '\r' <"$work/windows.err" | tail -n 1)"
  check "name $what: nothing written" "$(listing "$work/linux")" "$(listing "$work/windows")"
done <<'CASES'
nul:x as output         | troll.gif;nul:x                | Error: Cannot write the file nul:x.xm.
CON: as output          | troll.gif;CON:                 | Error: Cannot write the file CON:.xm.
prn: as output          | troll.gif;prn:                 | Error: Cannot write the file prn:.xm.
lpt1:foo as output      | troll.gif;lpt1:foo             | Error: Cannot write the file lpt1:foo.xm.
con:foo.xm as output    | troll.gif;con:foo.xm           | Error: Cannot write the file con:foo.xm.
aux:y.xm as output      | troll.gif;aux:y.xm             | Error: Cannot write the file aux:y.xm.
NUL:p.png as preview    | --preview;NUL:p.png;troll.gif  | Error: Cannot write the file NUL:p.png.
nul:x as input          | nul:x;o                        | Error: File not found.
COM¹ as output          | troll.gif;COM¹                 | Error: Cannot write the file COM¹.xm.
com² as output          | troll.gif;com².xm              | Error: Cannot write the file com².xm.
COM³ as input           | COM³;o                         | Error: File not found.
LPT¹ as preview         | --preview;LPT¹.png;troll.gif   | Error: Cannot write the file LPT¹.png.
lpt² as output          | troll.gif;lpt²:x               | Error: Cannot write the file lpt²:x.xm.
LPT³ as output          | troll.gif;LPT³                 | Error: Cannot write the file LPT³.xm.
trailing space and dot  | troll.gif;nul .x.xm            | Error: Cannot write the file nul .x.xm.
device after a drive    | troll.gif;Z:aux                | Error: Cannot write the file Z:aux.xm.
device after a folder   | troll.gif;gifs\con:x           | Error: Cannot write the file gifs/con:x.xm.
stream of a module      | troll.gif;o.xm:s               | Error: Cannot write the file o.xm:s.xm.
stream after a drive    | troll.gif;Z:o.xm:s             | Error: Cannot write the file Z:o.xm:s.xm.
stream as preview       | --preview;o.xm:s.png;troll.gif | Error: Cannot write the file o.xm:s.png.
a drive as a device     | troll.gif;\\.\Z:               | Error: Cannot write the file //./Z:.xm.
CASES

# Names that are files on Windows: written there, with the bytes the Linux program writes for a
# plain name. @DIR@ is the Windows folder's absolute path.
fresh
run_linux troll.gif plain
run_linux --preview plain.png troll.gif
cp "$work/linux/plain.xm" "$work/linux/plain.png" "$work"
dir="Z:${work//\//\\}\\windows"
while IFS='|' read -r what args written; do
  [ -n "$what" ] || continue
  what=$(sed "s/^ *//; s/ *$//" <<<"$what") written=$(sed "s/^ *//; s/ *$//" <<<"$written")
  IFS=';' read -r -a list <<<"$(sed "s/^ *//; s/ *$//; s/@DIR@/${dir//\\/\\\\}/g" <<<"$args")"
  brief_windows "${list[@]}"
  check "name $what: exit status" 0 "$(cat "$work/windows.status")"
  check "name $what: written" "same" \
    "$(cmp -s "$work/plain.${written##*.}" "$work/windows/$written" && echo same)"
done <<'CASES'
drive-relative output   | troll.gif;Z:drive              | drive.xm
drive-relative preview  | --preview;Z:drive.png;troll.gif | drive.png
device namespace, drive | troll.gif;\\.\@DIR@\dot        | dot.xm
the same with slashes   | troll.gif;//./@DIR@/slash      | slash.xm
device namespace input  | \\.\@DIR@\troll.gif;input      | input.xm
COM¹ and more           | troll.gif;COM¹x                | COM¹x.xm
COM10                   | troll.gif;COM10                | COM10.xm
nul in the middle       | troll.gif;a.nul                | a.nul.xm
CASES

# A crash while a temporary is being written (a read through a null pointer, abort, an exception
# nobody catches): the temporary goes, and the process still ends by the crash, with the low
# byte of STATUS_ACCESS_VIOLATION or abort's status 3. Without Wine's debugger, which, started
# on a busy machine, at times ends the process with status 0.
probe="$source_dir/build-windows/vorlix/vorlix-crash-probe.exe"
check "crash probe built (by scripts/windows.sh)" "yes" "$([ -f "$probe" ] && echo yes)"
while read -r how expected; do
  [ -n "$how" ] && [ -f "$probe" ] || continue
  fresh
  status=0
  (cd "$work/windows" && WINEDLLOVERRIDES="${WINEDLLOVERRIDES:+$WINEDLLOVERRIDES;}winedbg.exe=d" \
    timeout 60 wine "$probe" "$how" probe.xm >../windows.out 2>/dev/null) || status=$?
  check "crash by $how: exit status" "$expected" "$status"
  check "crash by $how: a temporary was written" "yes" \
    "$(tr -d '\r' <"$work/windows.out" | grep -q '^\.probe\.xm\.' && echo yes)"
  check "crash by $how: no temporary left" "" "$(cd "$work/windows" && ls -A | grep probe || true)"
done <<'CASES'
fault 5
abort 3
throw 3
CASES

finish_checks "all passed"
