#!/usr/bin/env bash
# The rooms stand in layers, and only the platform room speaks to the operating system:
#   1. a file includes only from its own room or from rooms below it (docs/ARCHITECTURE.md);
#   2. no call of the listed system functions, nor their headers, outside platform/; except that
#      ui/win32/, the window program on Windows' own dialogs (a front end for one system, as
#      ui/wx is for wxWidgets), includes <windows.h>, and only there above platform/;
#   3. a unit test (tests/**/*_test.cpp) lives in the folder of tests/ that mirrors the highest
#      room it includes;
#   4. only the root CMakeLists.txt defines the rooms' libraries, and no other CMake file names a
#      source outside its own folder, but for the shared test helpers in tests/support/.
# Usage: bash tests/layers_test.sh BUILD_DIR (the build folder is not used)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

# The rank of each room; a room may include from rooms of lower rank. Rooms of equal rank do
# not include each other.
rank() {
  case "$1" in
    base | platform) echo 0 ;;
    settings) echo 1 ;;
    convert/gif | convert/xm) echo 2 ;;
    convert/picture) echo 3 ;;
    convert) echo 4 ;;
    preview) echo 5 ;;
    ui/core | cli/core) echo 6 ;;
    ui/wx | ui/win32 | cli | tools) echo 7 ;;
    *) echo "" ;;
  esac
}
room_of() {
  local path=$1
  case "$path" in
    platform/*) echo platform ;;
    convert/gif/* | convert/xm/* | convert/picture/*) echo "${path%/*}" ;;
    ui/core/* | ui/wx/* | ui/win32/* | cli/core/*) echo "$(cut -d/ -f1-2 <<<"$path")" ;;
    *) echo "${path%%/*}" ;;
  esac
}

failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

product=$(git ls-files 'base/*' 'platform/*' 'settings/*' 'convert/*' 'preview/*' 'ui/*' 'cli/*' 'tools/*' |
  grep -E '\.(h|cpp)$' || true)
[ -n "$product" ] || {
  echo "no product files found"
  exit 1
}

for file in $product; do
  from=$(room_of "$file")
  from_rank=$(rank "$from")
  [ -n "$from_rank" ] || {
    fail "$file: in no known room"
    continue
  }
  while IFS= read -r included; do
    [ -n "$included" ] || continue
    to=$(room_of "$included")
    [ "$to" = "$from" ] && continue
    to_rank=$(rank "$to")
    if [ -z "$to_rank" ] || [ "$to_rank" -ge "$from_rank" ]; then
      fail "$file (room $from) includes $included (room $to)"
    fi
  done < <(sed -n 's/^#include "\([^"]*\)".*/\1/p' "$file")
done

# System calls and their headers stay in the platform room.
calls='\b(open|openat|mmap|munmap|link|linkat|unlink|rename|mkstemp|sigaction|signal|raise|stat|fstat)[[:space:]]*\('
headers='#include <(unistd|fcntl|signal|windows|io|sys/[a-z]+)\.h>|#include <csignal>'
outside=$(grep -v '^platform/' <<<"$product")
found=$( (grep -nE "$headers" $outside | grep -vE '^ui/win32/[^:]+:[0-9]+:#include <windows\.h>' || true; grep -nE "$calls" $outside | grep -vE '^[^:]+:[0-9]+:[[:space:]]*//' || true) )
if [ -n "$found" ]; then
  fail "system calls or headers outside platform/:"
  echo "$found"
fi

# A unit test sits where the highest room it includes is mirrored: tests/convert/gif/ for a test
# that includes convert/gif and rooms below it. Of rooms of equal rank, either will do.
for file in $(git ls-files 'tests/*_test.cpp'); do
  folder=${file%/*}
  highest="" highest_rank=-1 places=""
  while IFS= read -r included; do
    [ -n "$included" ] || continue
    case "$included" in tests/*) continue ;; esac
    to=$(room_of "$included")
    to_rank=$(rank "$to")
    [ -n "$to_rank" ] || continue
    if [ "$to_rank" -gt "$highest_rank" ]; then
      highest=$to highest_rank=$to_rank places=" tests/$to "
    elif [ "$to_rank" -eq "$highest_rank" ]; then
      places+="tests/$to "
    fi
  done < <(sed -n 's/^#include "\([^"]*\)".*/\1/p' "$file")
  if [ -n "$highest" ] && [[ "$places" != *" $folder "* ]]; then
    fail "$file includes room $highest: it belongs in tests/$highest/"
  fi
done

# The rooms' libraries are defined in the root CMakeLists.txt alone; the other CMake files name
# only sources in their own folder (or in tests/support/). A source is named by a path relative to
# the CMake file's folder or by one from ${CMAKE_SOURCE_DIR} (or ${PROJECT_SOURCE_DIR}). The
# FreeImage build for Windows (scripts/windows/freeimage/) is a project of its own, built from
# unpacked third-party sources.
room_libraries=$(sed -n 's/^vorlix_room(\(vorlix_[a-z_]*\) .*/\1/p' CMakeLists.txt | xargs)
[ -n "$room_libraries" ] || fail "CMakeLists.txt: no room library found (vorlix_room)"
room_libraries="$room_libraries vorlix_base vorlix_core"
cmake_files=$(git ls-files 'CMakeLists.txt' '*/CMakeLists.txt' '*.cmake' | grep -v '^scripts/windows/freeimage/' |
  grep -vx 'CMakeLists.txt' || true)
for file in $cmake_files; do
  folder=${file%/*}
  [ "$folder" = "$file" ] && folder=.
  defined=$(grep -noE "^[[:space:]]*(vorlix_room|function|add_library)[[:space:]]*\([[:space:]]*(vorlix_room|vorlix_[a-z_]+)\b" "$file" || true)
  while IFS= read -r line; do
    [ -n "$line" ] || continue
    name=$(sed -E 's/.*\([[:space:]]*//' <<<"$line")
    if [[ "$line" == *vorlix_room* ]] || [[ " $room_libraries " == *" $name "* ]]; then
      fail "$file:${line%%:*}: defines the room library $name (only the root CMakeLists.txt does)"
    fi
  done <<<"$defined"
  while IFS= read -r named; do
    [ -n "$named" ] || continue
    case "$named" in
      '${CMAKE_SOURCE_DIR}/'* | '${PROJECT_SOURCE_DIR}/'*) path=${named#*\}/} ;;
      '${CMAKE_CURRENT_SOURCE_DIR}/'* | '${CMAKE_CURRENT_LIST_DIR}/'*) path=$folder/${named#*\}/} ;;
      '$'*) continue ;;  # the build folder, or a path this check cannot follow
      *) path=$folder/$named ;;
    esac
    path=$(realpath -m --relative-to=. "$path")
    case "$path" in
      "$folder"/* | tests/support/*) ;;
      *) fail "$file names $named, outside its folder $folder/" ;;
    esac
  done < <(sed 's/#.*//' "$file" | grep -oE '[^[:space:]()"]+\.(c|cc|cpp|cxx|h|hpp|rc)\b' || true)
done

if [ "$failures" -gt 0 ]; then
  echo "layering: $failures failures"
  exit 1
fi
echo "layering: every include points down, system calls only in platform/, each unit test in its"\
  "room's folder, room libraries defined in the root CMakeLists.txt, no CMake file reaching out"
