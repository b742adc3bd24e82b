#!/usr/bin/env bash
# vorlix-cli writing into a pipe, as in `vorlix-cli cat.gif | tee log`: each progress line must
# reach the reader while the conversion still runs, not when the program ends, and the bytes
# must be those written to a file. Argument: the build folder.
set -euo pipefail
source "$(dirname "$0")/../support/script_helpers.sh"
use_build_dir "$@"
need_built "$cli" "$make_gif"
make_work_dir
writer=""
on_exit '[ -n "$writer" ] && kill "$writer" 2>/dev/null'
cd "$work"

# Large frames take a while each (about 2.5 s for all of them here), while their 60 lines
# stay far below a pipe's buffer: held back, none would arrive before the end.
frames=60
"$make_gif" bars big.gif "$frames" 1400 1400
"$cli" big.gif reference.xm >reference.txt 2>/dev/null

# The module is complete only once its file is closed, and that happens before the program
# ends; so while it is shorter than the reference, the conversion is still running.
mkfifo progress
( "$cli" big.gif piped.xm >progress 2>/dev/null; echo "$?" >ended ) &
writer=$!
exec 3<progress
saving="" first=""
IFS= read -r -t 60 saving <&3 || true
IFS= read -r -t 60 first <&3 || true
written_at_first=$(stat -c %s piped.xm 2>/dev/null || echo 0)
{ printf '%s\n%s\n' "$saving" "$first"; cat <&3; } >piped.txt
exec 3<&-
wait "$writer"
writer=""

check "first line" "Saving to: piped.xm." "$saving"
check "first frame line" "Frame 0 converted succesfully." "$first"
check "conversion still running when the first frame line arrived" yes \
  "$([ "$written_at_first" -lt "$(stat -c %s reference.xm)" ] && echo yes || echo "no, $written_at_first bytes written")"
check "exit status" 0 "$(cat ended)"
sed 's/reference\.xm/piped.xm/' reference.txt >expected.txt
check "bytes in the pipe equal those written to a file" same \
  "$(cmp expected.txt piped.txt && echo same)"

finish_checks "all pipe checks passed"
