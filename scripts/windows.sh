#!/usr/bin/env bash
# The Windows cross-build. On Debian 12: installs what is missing (as root; with sudo otherwise),
# fetches Debian's FreeImage and libpng sources through apt, builds a static FreeImage with the
# MinGW-w64 POSIX-threads compiler, checks it under Wine, then builds vorlix-cli.exe and the
# window program vorlix.exe with it and packs the zip a Windows user downloads.
# Everything lands in build-windows/.
#
#   bash scripts/windows.sh [STEP...]
#
# Steps: deps, freeimage (fetch and build), check (the library under Wine), configure, build
# (vorlix-cli.exe, vorlix.exe), package (build-windows/vorlix-VERSION-windows-x64.zip and its .sha256);
# without arguments all of them, in that order. Each step also runs the ones it needs.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
out=$root/build-windows
mkdir -p "$out"

# The exact revision of the libfreeimage3 the Linux build links, so both decode alike.
FREEIMAGE_VERSION=3.18.0+ds2-9+deb12u1
TOOLCHAIN=$root/cmake/mingw-w64-x86_64.cmake
# The DLLs the programs may import: those every Windows has.
SYSTEM_DLLS="COMCTL32.dll GDI32.dll KERNEL32.dll msvcrt.dll SHELL32.dll USER32.dll"
export WINEPREFIX=$out/wine
export WINEDEBUG=-all
# No Mono or Gecko: the programs need neither, and Wine would try to fetch them.
export WINEDLLOVERRIDES="mscoree,mshtml="
# A Wine server outlives its programs, and one started without a display keeps a desktop on
# which no later program of the prefix opens a window. A step that runs a program under Wine
# ends the prefix's server at exit, when it has not ended by itself within a few seconds.
end_wine_server() {
  timeout 10 wineserver -w >/dev/null 2>&1 && return
  wineserver -k >/dev/null 2>&1 || true
  timeout 60 wineserver -w >/dev/null 2>&1 || true
}

PACKAGES=(
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix  # the cross compiler, POSIX threads
  binutils-mingw-w64-x86-64                              # its linker and objdump
  libz-mingw-w64-dev                                     # zlib for Windows
  wine wine64                                            # runs the programs and their tests
  cmake make dpkg-dev zip                                # builds, unpacks sources, packs
  g++ libfreeimage-dev                                   # the Linux side of the library check
)

step_deps() {
  local missing=() package
  for package in "${PACKAGES[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
      missing+=("$package")
    fi
  done
  if [ "${#missing[@]}" -gt 0 ]; then
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    echo "Installing: ${missing[*]}"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends \
      "${missing[@]}"
  fi
  local installed
  installed=$(dpkg-query -W -f='${Version}' libfreeimage3 2>/dev/null || true)
  if [ -n "$installed" ] && [ "$installed" != "$FREEIMAGE_VERSION" ]; then
    echo "Note: libfreeimage3 here is $installed; the Windows build uses $FREEIMAGE_VERSION" >&2
  fi
}

# Fetches the sources (kept in build-windows/sources, so a re-run fetches nothing) and builds
# the static library into build-windows/freeimage/install.
step_freeimage() {
  need deps
  local started=$SECONDS
  bash scripts/windows/fetch-sources.sh "$out/sources" "$out/sources/freeimage" \
    freeimage "$FREEIMAGE_VERSION"
  bash scripts/windows/fetch-sources.sh "$out/sources" "$out/sources/libpng" libpng1.6 newest
  # What the library is made of; a library made of the same is not built again.
  local stamp
  stamp="freeimage $(cat "$out/sources/freeimage/.debian-version")"
  stamp+=", libpng $(cat "$out/sources/libpng/.debian-version")"
  stamp+=", scripts $(cat scripts/windows/freeimage/* "$TOOLCHAIN" | sha256sum | cut -c1-16)"
  if [ -f "$out/freeimage/install/built-from" ] &&
    [ "$(cat "$out/freeimage/install/built-from")" = "$stamp" ]; then
    echo "FreeImage for Windows: $out/freeimage/install, already built ($stamp)"
    return
  fi
  # A build folder configured elsewhere (a copied tree) cannot be reused.
  if [ -f "$out/freeimage/CMakeCache.txt" ] &&
    ! grep -qx "CMAKE_CACHEFILE_DIR:INTERNAL=$out/freeimage" "$out/freeimage/CMakeCache.txt"; then
    rm -rf "$out/freeimage"
  fi
  cmake -S scripts/windows/freeimage -B "$out/freeimage" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" -DCMAKE_INSTALL_PREFIX="$out/freeimage/install" \
    -DFREEIMAGE_SOURCE_DIR="$out/sources/freeimage" -DLIBPNG_SOURCE_DIR="$out/sources/libpng" \
    >"$out/freeimage-configure.log" 2>&1
  cmake --build "$out/freeimage" -j2 >"$out/freeimage-build.log" 2>&1 ||
    { tail -n 40 "$out/freeimage-build.log"; exit 1; }
  cmake --install "$out/freeimage" >/dev/null
  echo "$stamp" >"$out/freeimage/install/built-from"
  echo "FreeImage for Windows: $out/freeimage/install ($((SECONDS - started)) s)"
}

# The check program built for Windows runs under Wine (in the prefix build-windows/wine, made on
# first use) and for Linux against libfreeimage3; their outputs must be the same, line endings
# aside.
step_check() {
  need freeimage
  local started=$SECONDS check=$out/freeimage-check
  trap end_wine_server EXIT
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    wineboot -i >/dev/null 2>&1 || true
    wineserver -w
    echo "Wine prefix made: $WINEPREFIX ($((SECONDS - started)) s)"
    started=$SECONDS
  fi
  wine "$out/freeimage/freeimage-check.exe" troll.gif | tr -d '\r' >"$check-windows.txt"
  echo "Check under Wine: $((SECONDS - started)) s"
  g++ -std=c++20 -O2 scripts/windows/freeimage/freeimage_check.cpp -lfreeimage -o "$check"
  "$check" troll.gif >"$check-linux.txt"
  if ! diff -u "$check-linux.txt" "$check-windows.txt"; then
    echo "The Windows build of FreeImage differs from the Linux library" >&2
    exit 1
  fi
  head -n 3 "$check-windows.txt"
  echo "FreeImage for Windows: $(tail -n 1 "$check-windows.txt"), same output as on Linux"
}

# Configures vorlix for Windows into build-windows/vorlix, against the static library (which
# needs FREEIMAGE_LIB defined wherever FreeImage.h is included). The window program is built on
# the system's own dialogs; the unit tests and the benchmarks stay off: their libraries have no
# Windows build here.
step_configure() {
  need freeimage
  local install=$out/freeimage/install
  cmake -S . -B "$out/vorlix" -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" \
    -DFREEIMAGE_LIBRARY="$install/lib/libfreeimage.a" -DFREEIMAGE_INCLUDE_DIR="$install/include" \
    -DCMAKE_CXX_FLAGS="-ffp-contract=off -DFREEIMAGE_LIB" \
    -DVORLIX_BUILD_WINDOW=ON -DVORLIX_BUILD_TESTS=OFF -DVORLIX_BUILD_BENCH=OFF \
    >"$out/vorlix-configure.log" 2>&1 || { cat "$out/vorlix-configure.log"; exit 1; }
  echo "vorlix configured for Windows: $out/vorlix"
}

# Builds vorlix-cli.exe, vorlix.exe (and the Wine tests' resource reader and crash probe) and
# checks that the programs import only DLLs that every Windows has.
step_build() {
  need configure
  local started=$SECONDS exe dlls
  cmake --build "$out/vorlix" -j2 --target vorlix-cli vorlix vorlix-resource-check \
    vorlix-crash-probe >"$out/vorlix-build.log" 2>&1 || { tail -n 40 "$out/vorlix-build.log"; exit 1; }
  for exe in "$out/vorlix/vorlix-cli.exe" "$out/vorlix/ui/win32/vorlix.exe"; do
    dlls=$(x86_64-w64-mingw32-objdump -p "$exe" | sed -n 's/^\tDLL Name: //p' | sort -f | xargs)
    if grep -qviE "^(${SYSTEM_DLLS// /|})$" < <(tr ' ' '\n' <<<"$dlls"); then
      echo "${exe##*/} imports a DLL that Windows does not have: $dlls" >&2
      exit 1
    fi
    echo "${exe##*/}: $(stat -c %s "$exe") bytes, imports $dlls"
  done
  echo "Built in $((SECONDS - started)) s"
}

# A notice file: a heading line, then the texts given, each as found.
notice() {
  local file=$1 heading=$2
  shift 2
  { echo "$heading"; for text in "$@"; do echo; echo "----- ${text#"$out/sources/"}"; echo; cat "$text"; done; } >"$file"
}

# The zip a Windows user downloads, and its SHA-256 beside it. The licence texts come from the
# fetched sources and the installed MinGW packages, as they are.
step_package() {
  need build
  local version name stage usage
  version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$out/vorlix/CMakeCache.txt")
  name=vorlix-$version-windows-x64
  stage=$out/package/$name
  rm -rf "$out/package" "$out/$name.zip" "$out/$name.zip.sha256"
  mkdir -p "$stage/notices"
  x86_64-w64-mingw32-strip -o "$stage/vorlix-cli.exe" "$out/vorlix/vorlix-cli.exe"
  x86_64-w64-mingw32-strip -o "$stage/vorlix.exe" "$out/vorlix/ui/win32/vorlix.exe"
  cp troll.gif "$stage/"
  cp LICENSE "$stage/LICENSE.txt"
  trap end_wine_server EXIT
  usage=$(wine "$out/vorlix/vorlix-cli.exe" --help | sed 's/^./  &/')
  awk -v version="$version" -v usage="$usage" \
    '{ gsub(/@VERSION@/, version); if ($0 == "@USAGE@") print usage; else print }' \
    packaging/windows/README.txt.in >"$stage/README.txt"
  local src=$out/sources deb=/usr/share/doc mingw_version
  mingw_version=$(dpkg-query -W -f='${Version}' mingw-w64-x86-64-dev)
  notice "$stage/notices/FreeImage.txt" "FreeImage, used under the FreeImage Public License -\
 Version 1.0, built from the Debian source package freeimage $(cat "$src/freeimage/.debian-version")\
 (apt-get source freeimage=$(cat "$src/freeimage/.debian-version") on Debian 12)." \
    "$src/freeimage/license-fi.txt" "$src/freeimage/debian/copyright"
  notice "$stage/notices/libpng.txt" "libpng, built from the Debian source package libpng1.6\
 $(cat "$src/libpng/.debian-version")." "$src/libpng/LICENSE" "$src/libpng/debian/copyright"
  notice "$stage/notices/zlib.txt" "zlib, from the Debian package libz-mingw-w64-dev\
 $(dpkg-query -W -f='${Version}' libz-mingw-w64-dev)." "$deb/libz-mingw-w64-dev/copyright"
  notice "$stage/notices/mingw-w64.txt" "The MinGW-w64 runtime and winpthreads, from the Debian\
 package mingw-w64-x86-64-dev $mingw_version." "$deb/mingw-w64-x86-64-dev/copyright"
  notice "$stage/notices/gcc-runtime.txt" "The GCC runtime libraries (libgcc, libstdc++), under\
 the GCC Runtime Library Exception, from the Debian package g++-mingw-w64-x86-64-posix\
 $(dpkg-query -W -f='${Version}' g++-mingw-w64-x86-64-posix)." \
    "$deb/gcc-mingw-w64-base/copyright"
  # Text as Windows editors expect it; every file dated alike, so the same build packs alike.
  find "$stage" -name '*.txt' -exec sed -i 's/\r*$/\r/' {} +
  find "$stage" -exec touch -d "@$(git log -1 --format=%ct 2>/dev/null || echo 0)" {} +
  (cd "$out/package" && find "$name" | LC_ALL=C sort | TZ=UTC zip -X -q -D "$out/$name.zip" -@)
  (cd "$out" && sha256sum "$name.zip" >"$name.zip.sha256")
  echo "Windows release: $out/$name.zip ($(stat -c %s "$out/$name.zip") bytes)"
  cat "$out/$name.zip.sha256"
}

steps=("$@")
[ "${#steps[@]}" -gt 0 ] || steps=(deps freeimage check configure build package)
for step in "${steps[@]}"; do
  case $step in
    deps | freeimage | check | configure | build | package) ;;
    *) echo "Unknown step: $step (steps: deps freeimage check configure build package)" >&2
      exit 2 ;;
  esac
done
# Runs a step once per run of the script, however many steps need it.
done_steps=" "
need() {
  case $done_steps in *" $1 "*) return ;; esac
  "step_$1"
  done_steps+="$1 "
}
for step in "${steps[@]}"; do
  need "$step"
done
