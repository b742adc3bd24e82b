#!/usr/bin/env bash
# The bash completion of vorlix-cli, run as bash runs it on Tab: COMP_WORDS and COMP_CWORD set,
# the offered words read from COMPREPLY. Options come from the --help of the program being
# completed, INPUT offers GIF files and folders, OUTPUT folders. Argument: the build folder.
set -uo pipefail
source "$(dirname "$0")/../support/script_helpers.sh"
use_build_dir "$@"
script="$source_dir/packaging/vorlix-cli.bash-completion"
need_built "$cli"
make_work_dir

# shellcheck source=../packaging/vorlix-cli.bash-completion
source "$script"
check "registered for vorlix-cli" "complete -F _vorlix_cli vorlix-cli" "$(complete -p vorlix-cli)"

offered() {  # offered PROGRAM WORD...: the words offered for the last WORD, sorted, on one line
  COMP_WORDS=("$@")
  COMP_CWORD=$(($# - 1))
  COMPREPLY=()
  _vorlix_cli
  printf '%s\n' "${COMPREPLY[@]}" | sed '/^$/d' | LC_ALL=C sort | xargs
}

cd "$work"
mkdir -p clips "more clips" clips/inner
touch walk.gif RUN.GIF notes.txt walk.xm clips/cat.gif clips/cat.png "more clips/b.gif" ./-dash.gif

# Options: all of --help's, none other; completed from what is typed.
help_options=$("$cli" --help | awk '/^ +-/ { sub(/^ +/, ""); sub(/  .*/, ""); n = split($0, w, " ")
  for (i = 1; i <= n; ++i) if (w[i] ~ /^-/) { sub(/,$/, "", w[i]); print w[i] } }' |
  LC_ALL=C sort | xargs)
check "a dash offers every option of --help" "$help_options" "$(offered "$cli" -)"
check "--te completes to --tempo" "--tempo" "$(offered "$cli" --te)"
check "--no- offers both negations" "--no-break --no-inverse" "$(offered "$cli" --no-)"
check "-q after an input is still an option" "-q" "$(offered "$cli" walk.gif -q)"

# Values of options are typed, whether after a blank or an equals sign (bash splits at '=').
check "nothing offered for the value of --tempo" "" "$(offered "$cli" --tempo "")"
check "nothing offered for the value of --fill" "" "$(offered "$cli" --fill 4)"
check "nothing offered after --width=" "" "$(offered "$cli" --width = "")"
check "nothing offered for the value of --title" "" "$(offered "$cli" --title "")"

# Options that take one of a list of names offer the names their --help lists, and no
# placeholder such as CHANNELSxROWS.
while IFS='|' read -r option typed names; do
  check "$option $typed offers its names" "$names" "$(offered "$cli" "$option" "$typed")"
  check "$option=$typed offers its names" "$names" "$(offered "$cli" "$option" = "$typed")"
done <<'LIST'
--dither||bayer16 bayer4 bayer8 cluster16 cluster6 cluster8 fs none
--dither|cl|cluster16 cluster6 cluster8
--timing||gif settings
--transparent||background dark light
--preview-style|p|picture
--fit||ft2 milkytracker-1024x768 milkytracker-1920x1080 milkytracker-640x480 none schism
--fit|milkytracker-1|milkytracker-1024x768 milkytracker-1920x1080
LIST
check "a name after an unsplit --fit= keeps the option" "--fit=schism" \
  "$(COMP_WORDBREAKS=' ' offered "$cli" --fit=sch)"
check "INPUT after a named value" "-dash.gif RUN.GIF clips more clips walk.gif" \
  "$(offered "$cli" --fit schism "")"

# INPUT: GIF files (either case) and folders; the value of an option is not an input.
check "INPUT offers GIF files and folders" "-dash.gif RUN.GIF clips more clips walk.gif" "$(offered "$cli" "")"
check "INPUT after options and their values" "-dash.gif RUN.GIF clips more clips walk.gif" \
  "$(offered "$cli" --tempo 125 --inverse --height=64 "")"
check "INPUT after --height = 64, as bash splits it" "-dash.gif RUN.GIF clips more clips walk.gif" \
  "$(offered "$cli" --height = 64 "")"
check "INPUT inside a folder" "clips/cat.gif clips/inner" "$(offered "$cli" clips/)"
check "INPUT in a folder with a blank" "more clips/b.gif" "$(offered "$cli" "more clips/")"
check "INPUT after -- may start with a dash" "-dash.gif" "$(offered "$cli" -- -d)"
# OUTPUT: folders to put the module in; nothing after it.
check "OUTPUT offers folders" "clips more clips" "$(offered "$cli" walk.gif "")"
check "OUTPUT after --save-settings and INPUT" "clips/inner" "$(offered "$cli" --save-settings walk.gif clips/)"
check "nothing after OUTPUT" "" "$(offered "$cli" walk.gif out "")"

# The options are read from the program at completion time: a newer program's new option, its
# value included, is known without changing the completion.
cat >newer-cli <<'HELP'
#!/bin/sh
cat <<'TEXT'
Usage: newer-cli [options] INPUT [OUTPUT]
  --tempo N            beats per minute
  --preview FILE.png   a picture of the first frame
  --dither[=KIND]      dither before the threshold
  --quiet, -q          no progress lines
TEXT
HELP
chmod +x newer-cli
check "a new option of --help is offered" "--preview" "$(offered ./newer-cli --pre)"
check "the new option's value is not an input" "" "$(offered ./newer-cli --preview "")"
check "an option with an optional value takes none from the next word" \
  "-dash.gif RUN.GIF clips more clips walk.gif" "$(offered ./newer-cli --dither "")"
check "every option of that --help" "--dither --preview --quiet --tempo -q" "$(offered ./newer-cli -)"

finish_checks "all completion checks passed"
