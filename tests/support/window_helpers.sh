# Shared scaffolding of the window tests, sourced by them after script_helpers.sh: a virtual
# display of their own, the window program started on it and stopped at exit, its windows found
# by title, keys sent, screenshots, and the wait for its end.

# need_window_program: sets program; exits with 77 (skipped) when Xvfb is not installed or the
# window program is not part of this build.
need_window_program() {
  program="$build/ui/wx/vorlix"
  if ! command -v Xvfb >/dev/null; then
    echo "SKIP: Xvfb is not installed"
    exit 77
  fi
  if [ ! -x "$program" ]; then
    echo "SKIP: the window program is not part of this build"
    exit 77
  fi
}

program_pid=""
program_stderr=""
die() {  # die MESSAGE: fails the script, showing what the program wrote on standard error
  echo "FAIL $*"
  [ -n "$program_stderr" ] && [ -f "$program_stderr" ] &&
    grep -v -e 'for_size smaller' -e '^$' "$program_stderr" | head -20
  exit 1
}

# wait_until SECONDS COMMAND...: runs COMMAND every tenth of a second until it succeeds; fails
# when SECONDS have passed without. The bounds are generous: a loaded machine is slow, not wrong.
wait_until() {
  local deadline=$((SECONDS + $1))
  shift
  until "$@"; do
    [ "$SECONDS" -lt "$deadline" ] || return 1
    sleep 0.1
  done
}

# start_display: a display of our own, stopped at exit. Xvfb picks a free number and writes it
# to descriptor 3.
start_display() {
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
  on_exit "kill $! 2>/dev/null"
  wait_until 30 test -s "$work/display" || die "Xvfb did not start: $(cat "$work/xvfb.log")"
  export DISPLAY=":$(head -n 1 "$work/display")"
  export NO_AT_BRIDGE=1  # no accessibility bus on the virtual display
}

# start_program DIR [STDOUT [STDERR]]: the window program in DIR, its output into the files
# given (default: stdout and stderr in DIR); sets program_pid. Stopped at exit if still running.
start_program() {
  program_stderr=${3:-$1/stderr}
  (cd "$1" && exec "$program" >"${2:-$1/stdout}" 2>"$program_stderr") &
  program_pid=$!
  on_exit '[ -n "$program_pid" ] && kill "$program_pid" 2>/dev/null'
}

alive() { kill -0 "$program_pid" 2>/dev/null && echo yes || echo no; }

# wait_for_exit: waits up to 60 s for the program's end; sets status to its exit status, or
# to nothing when it still runs.
wait_for_exit() {
  status=""
  wait_until 60 program_ended || return 0
  status=0
  wait "$program_pid" || status=$?
  program_pid=""
}
program_ended() { ! kill -0 "$program_pid" 2>/dev/null; }

visible() {  # visible TITLE: ids of the shown windows with exactly that title
  xdotool search --onlyvisible --name "^$1\$" 2>/dev/null || true
}
count_is() { [ "$(visible "$1" | wc -l)" -eq "$2" ]; }  # count_is TITLE N
wait_count() {  # wait_count TITLE N: until N windows of that title are shown (up to 60 s)
  wait_until 60 count_is "$1" "$2" ||
    die "expected $2 shown window(s) titled '$1', have $(visible "$1" | wc -l)"
}
stays() {  # stays TITLE N SECONDS: whether N windows of that title are shown all that time
  ! wait_until "$3" not count_is "$1" "$2"
}
not() { ! "$@"; }
focus() {
  xdotool windowfocus --sync "$1"
  sleep 0.3
}
keys() {
  xdotool key --delay 60 "$@"
  sleep 0.3
}
# Dismisses the one message box of that title with the given key.
dismiss() {  # dismiss TITLE KEY
  wait_count "$1" 1
  focus "$(visible "$1")"
  keys "$2"
  wait_count "$1" 0
}

shot() {  # shot WINDOW FILE: waits for the picture to settle, then keeps it
  local previous=""
  for _ in $(seq 50); do
    import -window "$1" "$2"
    [ -n "$previous" ] && cmp -s "$2" "$previous" && return 0
    cp "$2" "$work/previous.png"
    previous="$work/previous.png"
    sleep 0.2
  done
}

# shot_changed WINDOW BEFORE FILE: waits (up to 60 s) for the picture to differ from the file
# BEFORE, then keeps it in FILE once it has settled.
shot_changed() {
  wait_until 60 differs "$1" "$2" "$3" || true
  shot "$1" "$3"
}
differs() { import -window "$1" "$3" && ! cmp -s "$2" "$3"; }
