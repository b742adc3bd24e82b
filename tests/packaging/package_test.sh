#!/usr/bin/env bash
# The Debian package as scripts/package.sh makes it: cpack builds it from this build folder into
# a scratch folder; its control fields, its exact file list, the validators of the desktop entry
# and of the AppStream entry, and the programs unpacked into a scratch root with `dpkg -x` and
# run from there. Argument: the build folder.
# Exits with 77 (skipped) when the package cannot be made here: the Debian packaging tools are
# missing, or the build has no window program or is sanitized (packages come from plain builds).
set -euo pipefail
source "$(dirname "$0")/../support/script_helpers.sh"
use_build_dir "$@"

for tool in cpack dpkg-deb dpkg-shlibdeps; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
[ -f "$build/CPackConfig.cmake" ] || { echo "SKIP: this build folder has no package setup"; exit 77; }
[ -x "$build/ui/wx/vorlix" ] || { echo "SKIP: the window program is not part of this build"; exit 77; }
if grep -q '^VORLIX_SANITIZE:BOOL=ON' "$build/CMakeCache.txt"; then
  echo "SKIP: packages are made from builds without sanitizers"
  exit 77
fi
need_tools desktop-file-validate appstreamcli man file

make_work_dir
yes_if() { if "$@"; then echo yes; else echo no; fi; }

(cd "$build" && cpack -G DEB -B "$work/out") >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log"; echo "FAIL: cpack could not make the package"; exit 1; }
version=$("$build/vorlix-cli" --version | awk '{ print $2 }')
deb="$work/out/vorlix_${version}_$(dpkg --print-architecture).deb"
[ -f "$deb" ] || { ls "$work/out"; echo "FAIL: no package named $(basename "$deb")"; exit 1; }
echo "package: $(basename "$deb"), $(stat -c %s "$deb") bytes"

check "package name and version" "vorlix $version" "$(dpkg-deb -f "$deb" Package Version | awk '{ printf "%s%s", sep, $2; sep = " " }')"
# The runtime libraries that apt must bring along, found from the programs' shared libraries.
depends=$(dpkg-deb -f "$deb" Depends | tr ',' '\n' | awk '{ print $1 }')
for library in libc6 libstdc++6 libfreeimage3 libwxbase3.2-1 libwxgtk3.2-1; do
  check "Depends names $library" yes "$(yes_if grep -qxF "$library" <<<"$depends")"
done

expected_files=$(
  printf '%s\n' ./usr/bin/vorlix ./usr/bin/vorlix-cli ./usr/share/applications/vorlix.desktop \
    ./usr/share/bash-completion/completions/vorlix-cli \
    ./usr/share/man/man1/vorlix-cli.1.gz ./usr/share/man/man1/vorlix.1.gz \
    ./usr/share/metainfo/org.vorlix.vorlix.metainfo.xml ./usr/share/doc/vorlix/copyright
  for size in 16 22 24 32 48 64 128 256; do
    echo "./usr/share/icons/hicolor/${size}x$size/apps/vorlix.png"
  done | LC_ALL=C sort
)
check "files of the package" "$(LC_ALL=C sort <<<"$expected_files")" \
  "$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { print $6 }' | LC_ALL=C sort)"

root="$work/root"
dpkg -x "$deb" "$root"
share="$root/usr/share"

# Each icon is drawn at the size of its folder.
wrong=""
for png in "$share"/icons/hicolor/*/apps/vorlix.png; do
  size=$(basename "$(dirname "$(dirname "$png")")")
  file -b "$png" | grep -q "PNG image data, ${size/x/ x }," || wrong+="$size: $(file -b "$png"); "
done
check "icons drawn at their sizes" "" "$wrong"

check "desktop entry passes desktop-file-validate" "" \
  "$(desktop-file-validate "$share/applications/vorlix.desktop" 2>&1 || echo "(failed)")"
check "desktop entry names the installed program and icon" "vorlix vorlix" \
  "$(awk -F= '$1 == "Exec" { e = $2 } $1 == "Icon" { i = $2 } END { print e, i }' "$share/applications/vorlix.desktop")"
metainfo="$share/metainfo/org.vorlix.vorlix.metainfo.xml"
check "AppStream entry passes appstreamcli validate" "ok" \
  "$(appstreamcli validate --no-net --pedantic "$metainfo" >"$work/as.log" 2>&1 && echo ok || cat "$work/as.log")"
check "AppStream tree passes appstreamcli validate-tree" "ok" \
  "$(appstreamcli validate-tree --no-net "$root" >"$work/as.log" 2>&1 && echo ok || cat "$work/as.log")"
check "AppStream release is this version" "$version" \
  "$(sed -n 's/.*<release version="\([^"]*\)".*/\1/p' "$metainfo" | head -n 1)"

check "manual page vorlix-cli(1) renders" yes \
  "$(yes_if grep -q '^NAME' < <(man -l "$share/man/man1/vorlix-cli.1.gz" 2>/dev/null))"
check "manual page vorlix(1) renders" yes \
  "$(yes_if grep -q '^NAME' < <(man -l "$share/man/man1/vorlix.1.gz" 2>/dev/null))"
check "completion is the one of packaging/" same \
  "$(cmp -s "$share/bash-completion/completions/vorlix-cli" "$source_dir/packaging/vorlix-cli.bash-completion" && echo same)"

# The unpacked programs run from the scratch root.
check "unpacked vorlix-cli --version" "vorlix-cli $version" "$("$root/usr/bin/vorlix-cli" --version)"
if [ -x "$make_gif" ]; then
  mkdir "$work/run"
  "$make_gif" bars "$work/run/cat.gif" 3 32 24
  (cd "$work/run" && "$root/usr/bin/vorlix-cli" -q cat.gif unpacked 2>/dev/null &&
    "$build/vorlix-cli" -q cat.gif built 2>/dev/null)
  check "unpacked vorlix-cli converts as the built one" same \
    "$(cmp -s "$work/run/unpacked.xm" "$work/run/built.xm" && echo same)"
fi
check "unpacked vorlix finds its libraries" "" \
  "$(ldd "$root/usr/bin/vorlix" | grep 'not found' || true)"

finish_checks "all package checks passed"
