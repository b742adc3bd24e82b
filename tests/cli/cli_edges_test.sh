#!/usr/bin/env bash
# vorlix-cli at the edges a new user meets: OUTPUT names that are no file, numbers with leading
# zeros, frame numbers past any int, output paths as long as the system takes, standard output and
# standard error in one terminal, --quiet, the form of every error, and saving over a settings file
# that is private or read-only. Argument: the build folder.
set -euo pipefail
source "$(dirname "$0")/../support/script_helpers.sh"
use_build_dir "$@"
make_work_dir
cd "$work"
run() {  # run ARGS...: sets status, out.txt, err.txt
  status=0; "$cli" "$@" >out.txt 2>err.txt || status=$?
}
byte_at() {  # byte_at FILE OFFSET
  od -An -tu1 -j"$2" -N1 "$1" | tr -d ' '
}

"$make_gif" bars cat.gif 3 32 24
"$cli" -q cat.gif reference >/dev/null 2>&1
mkdir folder
: >out.txt; : >err.txt

# An OUTPUT that names no file is a usage error and writes nothing, not even a hidden ".xm".
while IFS='|' read -r output message; do
  before=$(ls -AR)
  run cat.gif "$output"
  check "OUTPUT '$output' exit status" 2 "$status"
  check "OUTPUT '$output' message" "Error: $message (see vorlix-cli --help)" "$(cat err.txt)"
  check "OUTPUT '$output' writes nothing" "$before" "$(ls -AR)"
done <<'EOF'
|OUTPUT is empty: give the name of the module file
folder/|OUTPUT 'folder/' is a folder: give the name of the module file
folder\|OUTPUT 'folder\' is a folder: give the name of the module file
.|OUTPUT '.' is a folder: give the name of the module file
..|OUTPUT '..' is a folder: give the name of the module file
folder/.|OUTPUT 'folder/.' is a folder: give the name of the module file
folder|OUTPUT 'folder' is a folder: give the name of the module file
EOF

# A frame number past what an int holds is named as given.
for frame in 2147483648 4294967295; do
  run --preview p.png --frame "$frame" cat.gif
  check "frame $frame exit status" 1 "$status"
  check "frame $frame message" "$(printf 'Information: File loaded.\nError: This animation has no frame %s.' "$frame")" "$(cat err.txt)"
done

# Leading zeros never count against the ten digits of a number.
while read -r tempo byte; do
  rm -f t.xm
  run -q --tempo "$tempo" cat.gif t
  check "--tempo $tempo exit status" 0 "$status"
  check "--tempo $tempo gives tempo $byte" "$byte" "$(byte_at t.xm 78)"
done <<'EOF'
00000000100 100
000000000000000000000000000000125 125
00000000000000004294967295 255
EOF
run --tempo 000000000004294967296 cat.gif t
check "33 bits after zeros are refused" 2 "$status"

# Every output path the system takes is written, also where the temporary's path beside it would
# be longer than a path may be.
deep=$(printf 'd%.0s' {1..250})
for _ in {2..16}; do deep+=/$(printf 'd%.0s' {1..250}); done
mkdir -p "$deep"
for length in 4088 4095; do
  name=$(printf 'm%.0s' $(seq $((length - ${#deep} - 4))))
  run -q cat.gif "$deep/$name"
  check "output path of $length bytes exit status" 0 "$status"
  check "output path of $length bytes is the module" "same" "$(cmp -s reference.xm "$deep/$name.xm" && echo same)"
  check "output path of $length bytes leaves no temporary" "$name.xm" "$(ls -A "$deep")"
  rm -f "$deep/$name.xm"
done

# In one terminal the success line ends before the message that follows it; standard output
# alone stays as it was.
"$cli" cat.gif both >both.txt 2>&1
check "standard output and error in one stream" "$(printf 'Information: File loaded.\nSaving to: both.xm.\nFrame 0 converted succesfully.\nFrame 1 converted succesfully.\nFrame 2 converted succesfully.\nSuccessfully saved to file both.xm.\nInformation: Successfully saved to file both.xm.\nx')" "$(cat both.txt; echo x)"
run cat.gif alone
check "standard output alone" "$(printf 'Saving to: alone.xm.\nFrame 0 converted succesfully.\nFrame 1 converted succesfully.\nFrame 2 converted succesfully.\nSuccessfully saved to file alone.xm.\nx')" "$(cat out.txt; echo x)"

# --quiet shows errors only.
while IFS='|' read -r args expected; do
  read -ra words <<<"$args"
  run -q "${words[@]}"
  check "quiet $args: standard output" "" "$(cat out.txt)"
  check "quiet $args: standard error" "$expected" "$(cat err.txt)"
done <<'EOF'
cat.gif q1|
--threshold auto --timing gif cat.gif q2|
--preview q.gif --threshold auto cat.gif|
missing.gif|Error: File not found.
--preview q.png --frame 9 cat.gif|Error: This animation has no frame 9.
EOF

# Every error, usage errors too, starts with "Error: ".
run --colour cat.gif
check "usage error form" "Error: unknown option --colour (see vorlix-cli --help)" "$(cat err.txt)"

# Saving keeps the settings file's permissions, and refuses a read-only one.
for mode in 600 640 664 604; do
  rm -f vorlix.conf; : >vorlix.conf; chmod "$mode" vorlix.conf
  run --save-settings --tempo 99
  check "save over a $mode file exit status" 0 "$status"
  check "save over a $mode file keeps it" "$mode $(printf '\143')" "$(stat -c %a vorlix.conf) $(head -c 1 vorlix.conf)"
done
for mode in 444 400 440; do
  printf 'old' >vorlix.conf; chmod "$mode" vorlix.conf
  run --save-settings --tempo 99
  check "save over a $mode file exit status" 1 "$status"
  check "save over a $mode file message" "Error: Cannot save the settings: vorlix.conf is read-only." "$(cat err.txt)"
  check "save over a $mode file leaves it" "$mode old" "$(stat -c %a vorlix.conf) $(cat vorlix.conf)"
  check "save over a $mode file leaves no temporary" "" "$(ls -A | grep '^\.vorlix' || true)"
done
chmod 644 vorlix.conf

finish_checks "all checks passed"
