#!/usr/bin/env bash
# The rooms stand in layers, and only the platform room speaks to the operating system:
#   1. a file includes only from its own room or from rooms below it (docs/ARCHITECTURE.md);
#   2. no call of the listed system functions, nor their headers, outside platform/; except that
#      ui/win32/, the window program on Windows' own dialogs (a front end for one system, as
#      ui/wx is for wxWidgets), includes <windows.h>, and only there above platform/.
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
    ui/wx | ui/win32 | cli) echo 7 ;;
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

product=$(git ls-files 'base/*' 'platform/*' 'settings/*' 'convert/*' 'preview/*' 'ui/*' 'cli/*' |
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

if [ "$failures" -gt 0 ]; then
  echo "layering: $failures failures"
  exit 1
fi
echo "layering: every include points down, system calls only in platform/"
