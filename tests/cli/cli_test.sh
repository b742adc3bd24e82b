#!/usr/bin/env bash
# vorlix-cli as a script would use it: output names, standard output and error, exit status,
# the settings file. Argument: the build folder.
set -euo pipefail
source "$(dirname "$0")/../support/script_helpers.sh"
use_build_dir "$@"
make_work_dir
cd "$work"

"$make_gif" bars cat.gif 3 32 24

# Default output name, exact standard output with one final line end, messages on stderr.
status=0
"$cli" cat.gif >out.txt 2>err.txt || status=$?
check "exit status after a written module" 0 "$status"
check "standard output" "$(printf 'Saving to: cat.xm.\nFrame 0 converted succesfully.\nFrame 1 converted succesfully.\nFrame 2 converted succesfully.\nSuccessfully saved to file cat.xm.\nx')" "$(cat out.txt; echo x)"
check "standard output ends with one line end" "$(printf '.\n' | od -c | head -1)" "$(tail -c 2 out.txt | od -c | head -1)"
check "messages" "$(printf 'Information: File loaded.\nInformation: Successfully saved to file cat.xm.')" "$(cat err.txt)"
check "module written" "yes" "$([ -s cat.xm ] && echo yes)"

# An existing module is never replaced: the next run numbers its name.
cp cat.xm first.xm
"$cli" -q cat.gif >out.txt 2>/dev/null
check "second run writes cat_1.xm" "yes" "$([ -s cat_1.xm ] && echo yes)"
check "first module unchanged" "same" "$(cmp -s cat.xm first.xm && echo same)"
check "quiet run prints nothing on standard output" "" "$(cat out.txt)"
check "same input and options give identical modules" "same" "$(cmp -s cat.xm cat_1.xm && echo same)"

# A typed output name gets .xm added.
"$cli" -q --width 16 --height 16 cat.gif small >/dev/null 2>&1
check "typed output name" "yes" "$([ -s small.xm ] && echo yes)"
check "width 16 gives 4 channels" "4" "$(od -An -tu1 -j68 -N1 small.xm | tr -d ' ')"

# Failures: missing input, not a GIF, usage errors.
status=0; "$cli" missing.gif >out.txt 2>err.txt || status=$?
check "missing input exit status" 1 "$status"
check "missing input message" "Error: File not found." "$(cat err.txt)"
check "missing input writes no module" "no" "$([ -e missing.xm ] && echo yes || echo no)"
echo "plain text" >notes.gif
status=0; "$cli" notes.gif >/dev/null 2>err.txt || status=$?
check "not a GIF exit status" 1 "$status"
check "not a GIF message" "Error: Cannot open this file." "$(cat err.txt)"
status=0; "$cli" --tempo fast cat.gif >/dev/null 2>err.txt || status=$?
check "non-number exit status" 2 "$status"
check "non-number names the option" "yes" "$(grep -q -- '--tempo' err.txt && echo yes)"
check "usage error is one line" 1 "$(wc -l <err.txt)"

# --save-settings without input stores the clamped options; later runs start from them.
status=0; "$cli" --save-settings --tempo 999 --speed 0 --no-break >/dev/null 2>&1 || status=$?
check "save settings exit status" 0 "$status"
check "settings file bytes" "ff 01 78 96 a0 3d 7f 4d 09 63 00" "$(od -An -tx1 vorlix.conf | xargs)"
"$cli" -q cat.gif from_conf >/dev/null 2>&1
check "conversion uses the stored speed" "1" "$(od -An -tu1 -j76 -N1 from_conf.xm | tr -d ' ')"
check "conversion uses the stored tempo" "255" "$(od -An -tu1 -j78 -N1 from_conf.xm | tr -d ' ')"

check "version" "vorlix-cli 0.4" "$("$cli" --version)"
check "help mentions usage" "yes" "$("$cli" --help | grep '^Usage: vorlix-cli' >/dev/null && echo yes)"

finish_checks "all checks passed"
