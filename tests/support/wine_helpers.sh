# Wine for the test scripts, sourced after script_helpers.sh. Each test runs its Windows
# programs in a Wine prefix of its own, a copy of the one scripts/windows.sh leaves in
# build-windows/wine, under a Wine server of its own that is ended, and waited for, at exit.
# A Wine server outlives the programs it ran (and keeps their output open, so CTest waits for
# it), and a desktop it started for a program without the test's display is one on which no
# later program can open a window: a server shared with anything else breaks a test.

# need_wine_build FILE...: exits with 77 (skipped) unless Wine is installed and each FILE of the
# Windows build is there; also in a sanitized build, whose Linux side would only repeat the
# comparison with the release build. Needs build (use_build_dir).
need_wine_build() {
  local file
  for file in "$@"; do
    if [ ! -f "$file" ] || ! command -v wine >/dev/null; then
      echo "skipped: no $file or no Wine (bash scripts/windows.sh makes them)"
      exit 77
    fi
  done
  if grep -q "^VORLIX_SANITIZE:BOOL=ON" "$build/CMakeCache.txt" 2>/dev/null; then
    echo "skipped: compared with the release build"
    exit 77
  fi
}

# use_own_wine_prefix: WINEPREFIX becomes a prefix in the scratch folder (make_work_dir), copied
# from build-windows/wine, or made afresh where there is none; its server is started, kept up
# between the test's programs, and ended at exit with every program still running in it.
use_own_wine_prefix() {
  local shared=$source_dir/build-windows/wine
  export WINEPREFIX=$work/wine WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  on_exit end_wine_server
  if [ -f "$shared/system.reg" ]; then
    # Without the file that names the folder of the shared prefix's server.
    cp -a "$shared" "$WINEPREFIX"
    rm -f "$WINEPREFIX/wineserver"
  else
    timeout 600 wineboot -i >/dev/null 2>&1 || true
    [ -f "$WINEPREFIX/system.reg" ] || { echo "FAIL: wineboot made no Wine prefix"; exit 1; }
  fi
  # Its output is not the test's: nothing that stays up holds the test's output open.
  wineserver -p </dev/null >/dev/null 2>&1 || true
}

end_wine_server() {
  wineserver -k 2>/dev/null || true
  timeout 60 wineserver -w 2>/dev/null || true
}
