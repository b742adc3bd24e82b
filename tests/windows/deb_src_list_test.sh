#!/usr/bin/env bash
# The private apt sources list of scripts/windows/fetch-sources.sh, written from a made-up
# /etc/apt (VORLIX_APT_ETC) for the release bookworm: the deb-src lines it holds for each
# arrangement of the machine's sources, or its failure where none is for the release. apt
# refuses a list with two lines for one mirror and suite that differ in the signing key.
set -euo pipefail
source "$(dirname "$0")/../support/script_helpers.sh"
make_work_dir
writer="$source_dir/scripts/windows/deb-src-list.sh"

# Runs the writer against the case's /etc/apt and compares with what the case expects.
finish_case() {
  [ -n "$name" ] || return 0
  local status=0
  VORLIX_APT_ETC="$work/$case_number" VORLIX_CODENAME=bookworm bash "$writer" \
    >"$work/out" 2>"$work/err" || status=$?
  if [ "$fails" = yes ]; then
    check "$name: fails" "1 $expected" "$status $(cat "$work/err")"
  else
    check "$name" "0 $expected" "$status $(cat "$work/out")"
  fi
}

# Each case: "== NAME", then each file of its /etc/apt as "-- PATH" followed by its lines, then
# "=>" followed by the list expected, or "=> fails" followed by the message.
name="" case_number=0 target=""
while IFS= read -r line; do
  case $line in
    "== "*)
      finish_case
      name=${line#== } case_number=$((case_number + 1)) target="" expected="" fails=no
      mkdir -p "$work/$case_number/sources.list.d" ;;
    "-- "*) target="$work/$case_number/${line#-- }" && : >"$target" ;;
    "=>"*) target="" && [ "$line" != "=> fails" ] || fails=yes ;;
    *) if [ -n "$target" ]; then printf '%s\n' "$line" >>"$target"
       else expected+=${expected:+$'\n'}$line; fi ;;
  esac
done <<'CASES'
== one-line only, as debootstrap writes it
-- sources.list
deb http://deb.debian.org/debian bookworm main
=>
deb-src http://deb.debian.org/debian bookworm main
== deb822 only, as Debian 12 installs it
-- sources.list.d/debian.sources
Types: deb
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb
URIs: http://deb.debian.org/debian-security
Suites: bookworm-security
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
=>
deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://deb.debian.org/debian bookworm main
deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://deb.debian.org/debian-security bookworm-security main
== both formats for one mirror: one line, the key kept
-- sources.list
deb http://deb.debian.org/debian bookworm main
-- sources.list.d/debian.sources
Types: deb
URIs: http://deb.debian.org/debian
Suites: bookworm
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
=>
deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://deb.debian.org/debian bookworm main
== a trailing slash and other components: still one mirror
-- sources.list
deb http://deb.debian.org/debian/ bookworm main contrib
-- sources.list.d/more.list
deb [signed-by=/etc/apt/keyrings/debian.gpg] http://deb.debian.org/debian bookworm non-free
-- sources.list.d/debian.sources
Types: deb
URIs: http://deb.debian.org/debian//
Suites: bookworm
Components: main non-free-firmware
=>
deb-src [signed-by=/etc/apt/keyrings/debian.gpg] http://deb.debian.org/debian bookworm main
== two mirrors: a line each
-- sources.list
deb http://ftp.de.debian.org/debian bookworm main
-- sources.list.d/debian.sources
Types: deb deb-src
URIs: http://deb.debian.org/debian
 https://mirror.example.org/debian
Suites: bookworm
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
=>
deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://deb.debian.org/debian bookworm main
deb-src http://ftp.de.debian.org/debian bookworm main
deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] https://mirror.example.org/debian bookworm main
== the security suite merged as well; other suites and releases left out
-- sources.list
deb http://deb.debian.org/debian bookworm main
deb http://security.debian.org/debian-security bookworm-security main
deb http://deb.debian.org/debian bookworm-backports main
deb http://deb.debian.org/debian bullseye main
-- sources.list.d/security.list
deb [arch=amd64 signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://security.debian.org/debian-security/ bookworm-security main contrib
=>
deb-src http://deb.debian.org/debian bookworm main
deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://security.debian.org/debian-security bookworm-security main
== disabled entries are not read
-- sources.list
# deb http://old.example.org/debian bookworm main
deb http://deb.debian.org/debian bookworm main # the mirror
-- sources.list.d/off.sources
Enabled: no
Types: deb
URIs: http://off.example.org/debian
Suites: bookworm
Components: main

# Between the entries.
Types: deb
# URIs: http://commented.example.org/debian
URIs: http://deb.debian.org/debian
Suites: bookworm
Components: main
Enabled: yes
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
-- sources.list.d/other.list.disabled
deb http://other.example.org/debian bookworm main
=>
deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://deb.debian.org/debian bookworm main
== options apt needs alike for one source are merged, others left out
-- sources.list.d/snapshot.list
deb [ check-valid-until=no arch=amd64 ] http://snapshot.debian.org/archive/debian/20250520T000000Z bookworm main
-- sources.list.d/snapshot.sources
Types: deb
URIs: http://snapshot.debian.org/archive/debian/20250520T000000Z/
Suites: bookworm
Components: main
Architectures: amd64
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
=>
deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg check-valid-until=no] http://snapshot.debian.org/archive/debian/20250520T000000Z bookworm main
== a key written into the entry is not carried into a one-line list
-- sources.list.d/debian.sources
Types: deb
URIs: http://deb.debian.org/debian
Suites: bookworm
Components: main
Signed-By:
 -----BEGIN PGP PUBLIC KEY BLOCK-----
 .
 mQINBGPL0BUBEADmW5NdOOHwPIJlgPu6JDcKw/NZJPR8lsD3K87ZM18gzyQZJD+w
 -----END PGP PUBLIC KEY BLOCK-----
=>
deb-src http://deb.debian.org/debian bookworm main
== no mirror of the release
-- sources.list
deb http://deb.debian.org/debian bullseye main
=> fails
No Debian mirror for bookworm found in the machine's apt sources
CASES
finish_case
finish_checks "all $case_number cases of the private sources list passed"
