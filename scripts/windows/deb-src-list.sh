#!/usr/bin/env bash
# Prints the private sources list of fetch-sources.sh: a deb-src line with the component main for
# every mirror the machine's apt uses for this release and its security suite, read from the
# one-line (sources.list, sources.list.d/*.list) and the deb822 (sources.list.d/*.sources)
# formats, disabled entries left out.
#
# apt takes all entries of one mirror and suite for one source, whose signing key and other
# options of the source must agree among them: here they become one line, with each such option
# that any of them names (a URI with or without its trailing slash names the same mirror). So the
# list reads wherever the machine's apt reads, also where one file names a key and the other does
# not. A key written out in a deb822 entry has no one-line form and is not carried.
#
#   VORLIX_APT_ETC=/etc/apt VORLIX_CODENAME=bookworm deb-src-list.sh
#
# Both variables are optional: by default /etc/apt and the release in /etc/os-release. Fails,
# saying so, when no entry is for the release.
set -euo pipefail
etc=${VORLIX_APT_ETC:-/etc/apt}
codename=${VORLIX_CODENAME:-$(. /etc/os-release && echo "$VERSION_CODENAME")}

# In the order apt reads them.
files=()
[ -f "$etc/sources.list" ] && files+=("$etc/sources.list")
for file in "$etc"/sources.list.d/*; do
  case $file in *.list | *.sources) [ -f "$file" ] && files+=("$file") ;; esac
done

list=$(
  [ "${#files[@]}" -eq 0 ] ||
    awk -v main="$codename" -v security="$codename-security" '
      BEGIN {
        # The options apt requires to agree among the entries of one source, in the order written.
        n_kept = split("signed-by trusted check-valid-until valid-until-min valid-until-max " \
          "check-date date-max-future inrelease-path allow-insecure allow-weak " \
          "allow-downgrade-to-insecure", kept, " ")
        for (i = 1; i <= n_kept; i++) is_kept[kept[i]] = 1
      }
      # One entry: a mirror and a suite, with the options it names.
      function take(uri, suite, names, values, n,   i, source) {
        if (suite != main && suite != security) return
        sub(/\/+$/, "", uri)
        source = uri " " suite
        sources[source] = 1
        for (i = 1; i <= n; i++)
          if (is_kept[names[i]] && !((source, names[i]) in option))
            option[source, names[i]] = values[i]
      }
      function deb_types(types) { return types ~ /(^|[ \t])deb(-src)?([ \t]|$)/ }

      # The one-line format: TYPE [OPTIONS] URI SUITE COMPONENTS..., "#" starting a comment.
      function one_line(line,   word, n, i, j, options, names, values, n_options, pair) {
        sub(/#.*/, "", line)
        n = split(line, word, " ")
        if (n < 3 || !deb_types(word[1])) return
        i = 2
        if (word[2] ~ /^\[/) {
          options = ""
          for (; i <= n; i++) { options = options " " word[i]; if (word[i] ~ /\]$/) break }
          i++
          gsub(/\[|\]/, " ", options)
          n_options = split(options, pair, " ")
          for (j = 1; j <= n_options; j++) {
            names[j] = tolower(substr(pair[j], 1, index(pair[j], "=") - 1))
            values[j] = substr(pair[j], index(pair[j], "=") + 1)
          }
        }
        if (i + 1 <= n) take(word[i], word[i + 1], names, values, n_options)
      }

      # The deb822 format: stanzas of fields, a line starting with a space or tab going on
      # with the field above it; each stanza names its URIs and suites.
      function stanza_end(   n_uris, uri, n_suites, suite, i, j, name, names, values, n) {
        if (deb_types(field["types"]) && tolower(field["enabled"]) !~ /^(no|false|off|without|disable)$/) {
          n = 0
          for (name in field)
            if (is_kept[name] && field[name] !~ /-----BEGIN/) {
              names[++n] = name
              values[n] = field[name]
              gsub(/[ \t]*,[ \t]*|[ \t]+/, ",", values[n])
            }
          n_uris = split(field["uris"], uri, " ")
          n_suites = split(field["suites"], suite, " ")
          for (i = 1; i <= n_uris; i++)
            for (j = 1; j <= n_suites; j++) take(uri[i], suite[j], names, values, n)
        }
        delete field
        last = ""
      }
      function deb822(line,   name) {
        if (line ~ /^[ \t]*#/) return
        if (line ~ /^[ \t]*$/) { stanza_end(); return }
        if (line ~ /^[ \t]/) {
          if (last != "") { sub(/^[ \t]+/, "", line); field[last] = field[last] " " line }
          return
        }
        name = tolower(substr(line, 1, index(line, ":") - 1))
        sub(/^[^:]*:[ \t]*/, "", line)
        sub(/[ \t]+$/, "", line)
        field[name] = line
        last = name
      }

      FNR == 1 { stanza_end(); format = FILENAME ~ /\.sources$/ ? "deb822" : "one-line" }
      format == "one-line" { one_line($0) }
      format == "deb822" { deb822($0) }
      END {
        stanza_end()
        for (source in sources) {
          split(source, part, " ")
          options = ""
          for (i = 1; i <= n_kept; i++)
            if ((source, kept[i]) in option)
              options = options (options == "" ? "" : " ") kept[i] "=" option[source, kept[i]]
          print source "\tdeb-src" (options == "" ? "" : " [" options "]") " " source " main"
        }
      }
    ' "${files[@]}" | LC_ALL=C sort | cut -f2-
)
if [ -z "$list" ]; then
  echo "No Debian mirror for $codename found in the machine's apt sources" >&2
  exit 1
fi
printf '%s\n' "$list"
