#!/usr/bin/env bash
# --fit and --title of vorlix-cli: the size each fit gives for the bundled GIF, the order in
# which --fit, --width and --height apply, a fit without an input or with a bad one, the bytes
# of the module's name field, and the errors. Argument: the build folder.
set -euo pipefail
source "$(dirname "$0")/../support/script_helpers.sh"
use_build_dir "$@"
make_work_dir
troll="$(cd "$(dirname "$0")/../.." && pwd)/troll.gif"
cd "$work"
run() {  # run ARGS...: sets status, out.txt, err.txt
  status=0; "$cli" "$@" >out.txt 2>err.txt || status=$?
}
u8() {  # u8 FILE OFFSET
  od -An -tu1 -j"$2" -N1 "$1" | tr -d ' '
}
shape() {  # shape MODULE: "CHANNELSxROWS" of the module and its first pattern
  echo "$(u8 "$1" 68)x$(u8 "$1" 341)"
}
name_field() {  # name_field MODULE: the 20 bytes of the name, as hex
  od -An -tx1 -j17 -N20 "$1" | tr -d ' \n'
}
hex_of() {  # hex_of TEXT: TEXT padded with zeros to 20 bytes, as hex
  { printf '%s' "$1"; head -c $((20 - ${#1})) /dev/zero; } | od -An -tx1 | tr -d ' \n'
}

# Each fit of troll.gif (120 x 150) as modules of that many channels and rows, with and without
# breaks, and the same bytes as the width and height given by hand.
n=0
while read -r args shape; do
  n=$((n + 1))
  args=${args//_/ }
  run -q $args "$troll" "fit$n"
  check "$args: exit status" 0 "$status"
  check "$args: channels x rows" "$shape" "$(shape "fit$n.xm")"
  run -q $args --no-break "$troll" "nobreak$n"
  check "$args --no-break: same size" "$shape" "$(shape "nobreak$n.xm")"
  "$cli" -q --width $((${shape%x*} * 4)) --height "${shape#*x}" "$troll" "byhand$n"
  check "$args: as by hand" same "$(cmp -s "fit$n.xm" "byhand$n.xm" && echo same || echo differs)"
done <<'EOF2'
--fit=milkytracker-640x480 2x27
--fit=milkytracker-1024x768 5x67
--fit=milkytracker-1920x1080 8x102
--fit=schism 2x32
--fit=ft2 2x27
--fit=8x32 2x27
--fit=none 30x150
--fit=milkytracker-1024x768_--width=40 10x67
--height=100_--fit=schism 2x32
--fit=schism_--height=100 2x100
--fit=ft2_--fit=none 2x27
--width=40_--fit=none 10x150
EOF2

# Without an input a fit has nothing to fit: a usage error, before any settings are saved.
run --fit ft2
check "--fit without input: exit status" 2 "$status"
check "--fit without input: message" "Error: no input GIF given (see vorlix-cli --help)" "$(cat err.txt)"
for args in "--save-settings --fit ft2" "--fit ft2 --save-settings"; do
  run $args
  check "$args: exit status" 2 "$status"
  check "$args: message" "Error: --fit needs an input GIF (see vorlix-cli --help)" "$(cat err.txt)"
  check "$args: no settings saved" no "$([ -e vorlix.conf ] && echo yes || echo no)"
done
run --save-settings --fit none
check "--fit none needs no input" 0 "$status"
rm -f vorlix.conf

# A bad input says what it says without --fit.
for input in missing.gif .; do
  run "$input" x
  expected=$(cat err.txt)
  run --fit milkytracker-640x480 "$input" x
  check "--fit with '$input': exit status" 1 "$status"
  check "--fit with '$input': message" "$expected" "$(cat err.txt)"
done

# Every bad name lists the good ones.
names="none, milkytracker-640x480, milkytracker-1024x768, milkytracker-1920x1080, schism, ft2, or CHANNELSxROWS (e.g. 8x32)"
for bad in milkytracker 1x32 8x15 "" FT2; do
  run --fit "$bad" "$troll"
  check "--fit '$bad': exit status" 2 "$status"
  check "--fit '$bad': message" "Error: --fit expects $names, not '$bad' (see vorlix-cli --help)" "$(cat err.txt)"
done

# The name field: the title zero padded, cut to 20 bytes with a line that says so.
while IFS='|' read -r title field cut; do
  rm -f t.xm
  run --title "$title" "$troll" t
  check "--title '$title': exit status" 0 "$status"
  check "--title '$title': name field" "$(hex_of "$field")" "$(name_field t.xm)"
  lines=$(grep -c "The title is cut" err.txt || true)
  check "--title '$title': cut line" "$cut" "$lines"
done <<'EOF2'
Troll dance|Troll dance|0
||0
       |       |0
exactly twenty bytes|exactly twenty bytes|0
a title of twenty-five b|a title of twenty-fi|1
 ~ !"#$%&'()*+,-./09:;<=>?@[\]^_`{}~| ~ !"#$%&'()*+,-./09|1
EOF2
run --title "" "$troll" empty
check "--title '' gives an all-zero name" "$(printf '0%.0s' $(seq 40))" "$(name_field empty.xm)"
check "cut line text" "Information: The title is cut to 20 bytes." "$(run --title 123456789012345678901 "$troll" c; head -n 1 err.txt)"
run -q --title 123456789012345678901 "$troll" quiet
check "--quiet hides the cut line" "" "$(cat err.txt)"
"$cli" -q "$troll" plain
check "without --title the name is vorlix" "$(hex_of vorlix)" "$(name_field plain.xm)"

for bad in "$(printf 'tab\there')" "$(printf 'caf\xc3\xa9')" "$(printf 'del\x7f')"; do
  run --title "$bad" "$troll"
  check "--title $(printf %q "$bad"): exit status" 2 "$status"
  check "--title $(printf %q "$bad"): message" \
    "Error: --title takes printable ASCII only (see vorlix-cli --help)" "$(cat err.txt)"
done

# The title is not kept in the settings file.
"$cli" -q --save-settings
cp vorlix.conf without.conf
"$cli" -q --save-settings --title "kept?"
check "--title is not kept" same "$(cmp -s vorlix.conf without.conf && echo same || echo differs)"

finish_checks "fit and title: all checks passed"
