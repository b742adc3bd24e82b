#!/usr/bin/env bash
# The manual pages in docs/man: man renders both without a warning and with the usual sections,
# both carry the version that `vorlix-cli --version` prints, and the OPTIONS of vorlix-cli(1)
# describe every option that `vorlix-cli --help` lists and no other. Argument: the build folder.
set -euo pipefail
source "$(dirname "$0")/../support/script_helpers.sh"
use_build_dir "$@"
pages="$source_dir/docs/man"
need_built "$cli"
need_tools man

render() { MANWIDTH=250 man -E ascii -l "$1" 2>/dev/null; }  # wide: no option is broken
section() {  # section TEXT TITLE: the lines under that heading
  awk -v t="$2" '/^[A-Z]/ { inside = ($0 == t); next } inside' <<<"$1"
}

version=$("$cli" --version | awk '{ print $2 }')
for page in vorlix-cli.1 vorlix.1; do
  check "$page renders without warnings" "" "$(man --warnings -E ascii -l "$pages/$page" 2>&1 >/dev/null)"
  text=$(render "$pages/$page")
  missing=""
  for heading in NAME SYNOPSIS DESCRIPTION OPTIONS "EXIT STATUS" FILES EXAMPLES; do
    grep -qx "$heading" <<<"$text" || missing+="$heading; "
  done
  check "$page has the usual sections" "" "$missing"
  check "$page carries the version" "vorlix $version" "$(sed -n 's/^\.TH [^ ]* [0-9] "[^"]*" "\([^"]*\)".*/\1/p' "$pages/$page")"
done

# Every option of --help: the words that start with a dash in the left column of its option lines.
help_options=$("$cli" --help | awk '/^ +-/ { sub(/^ +/, ""); sub(/  .*/, ""); n = split($0, w, " ")
  for (i = 1; i <= n; ++i) if (w[i] ~ /^-/) { sub(/,$/, "", w[i]); print w[i] } }')
check "--help lists options" yes "$([ "$(wc -l <<<"$help_options")" -ge 10 ] && echo yes)"
described=$(section "$(render "$pages/vorlix-cli.1")" OPTIONS)
for option in $help_options; do
  if ! grep -qE -- "(^|[^[:alnum:]-])$option([^[:alnum:]-]|$)" <<<"$described"; then
    echo "FAIL vorlix-cli(1) does not describe $option, which vorlix-cli --help lists:" \
      "add it to OPTIONS in docs/man/vorlix-cli.1"
    failures=$((failures + 1))
  fi
done
for option in $(grep -oE -- '(^|[^[:alnum:]-])--?[[:alpha:]][[:alnum:]-]*' <<<"$described" |
                sed 's/^[^-]*//' | sort -u); do
  if ! grep -qx -- "$option" <<<"$help_options"; then
    echo "FAIL vorlix-cli(1) describes $option, which vorlix-cli --help does not list"
    failures=$((failures + 1))
  fi
done
[ "$failures" -eq 0 ] && echo "ok   vorlix-cli(1) describes exactly the options of --help"

finish_checks "all manual page checks passed"
