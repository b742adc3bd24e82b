# Shared set-up of the whole-program test scripts, sourced by them: the build folder from the
# first argument and the programs in it, a scratch folder, steps run at exit, and `check` with
# its count of failures.

source_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)

# Steps run at exit, the last added first; each is evaluated and may fail.
exit_steps=()
on_exit() {  # on_exit COMMAND
  exit_steps=("$1" "${exit_steps[@]}")
}
run_exit_steps() {
  local step
  for step in "${exit_steps[@]}"; do eval "$step" || true; done
}
trap run_exit_steps EXIT

# use_build_dir "$@": sets build (absolute), cli and make_gif from the script's argument.
use_build_dir() {
  build=$(cd "${1:?usage: $(basename "$0") BUILD_DIR}" && pwd)
  cli="$build/vorlix-cli"
  make_gif="$build/tests/tools/make_gif"
}

need_built() {  # need_built FILE...: fails the script unless each is an executable
  local file
  for file in "$@"; do
    [ -x "$file" ] || { echo "FAIL: $file has not been built"; exit 1; }
  done
}

need_tools() {  # need_tools TOOL...: fails the script unless each is installed
  local tool
  for tool in "$@"; do
    command -v "$tool" >/dev/null || { echo "FAIL: $tool is not installed (scripts/setup.sh)"; exit 1; }
  done
}

# make_work_dir [TEMPLATE]: sets work to a new scratch folder, removed at exit.
make_work_dir() {
  work=$(mktemp -d ${1:+"$1"})
  on_exit 'rm -rf "$work"'
}

failures=0
check() {  # check DESCRIPTION EXPECTED ACTUAL
  if [ "$2" == "$3" ]; then echo "ok   $1"; else
    echo "FAIL $1"; echo "  expected: $(printf %q "$2")"; echo "  actual:   $(printf %q "$3")"
    failures=$((failures + 1))
  fi
}

# finish_checks MESSAGE: ends the script, failed when a check failed, else with MESSAGE.
finish_checks() {
  if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed"
    exit 1
  fi
  echo "$1"
}
